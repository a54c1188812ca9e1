// The log file: UTF-16LE lines behind the mark FF FE, started afresh above 1 MiB.
// Each line: executable name, local date and time, " (pid-tid): ", the message with CR and
// LF turned into spaces, CR LF. No handle is kept between lines; failures lose the line.
#pragma once

#include "platform/text.h"

namespace zem {

constexpr int kTextEncodingAnsi = 1;
constexpr int kTextEncodingUtf8 = 2;
constexpr int kTextEncodingUtf16 = 3;

void AppendLogLine(TextView message, const Text& logFilePath);

// 1 ANSI or unknown (also for files of 3 bytes or less), 2 UTF-8 with mark, 3 UTF-16LE with mark.
int GetTextFileEncoding(const Text& path);

// The thread locale's long date, a space, its default time.
Text GetLocalDateTimeText();

// "/Debug" anywhere in the command line, ignoring case; decided on the first call.
bool IsDebugSwitchOn();

}  // namespace zem
