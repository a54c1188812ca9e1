#include "util/log_file.h"

#include "platform/code_pages.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "util/paths.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

constexpr int64_t kMaxLogFileBytes = 1048576;

void AppendUtf16Le(std::string& bytes, TextView text) {
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
}

// The message as one readable line: it ends at its first zero character, CR and LF become
// spaces, and file-name bytes that are not UTF-8 are read in the ANSI code page.
Text OneLine(TextView message) {
    Text line = ReadableText(message.substr(0, message.find(u'\0')));
    for (char16_t& c : line) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    return line;
}

const Text& ExecutableFileName() {
    static const Text name = GetFileNamePart(GetLongPath(GetModulePath()));
    return name;
}

}  // namespace

void AppendLogLine(TextView message, const Text& logFilePath) {
    try {
        if (GetFileLength(logFilePath) > kMaxLogFileBytes ||
            GetTextFileEncoding(logFilePath) != kTextEncodingUtf16) {
            DeleteFile(logFilePath);
        }
        FileStream file;
        std::string bytes;
        if (PathExists(logFilePath)) {
            if (!file.Open(logFilePath, "r+b") || !file.Seek(0, SEEK_END))
                return;
        } else {
            if (!file.Open(logFilePath, "wb"))
                return;
            bytes = "\xFF\xFE";
        }
        const Text line =
            ExecutableFileName() + u' ' + GetLocalDateTimeText() +
            FormatText(u" (%1-%2): ", IntToText(static_cast<int32_t>(GetCurrentProcessId())),
                       IntToText(static_cast<int32_t>(GetCurrentThreadId()))) +
            OneLine(message) + u"\r\n";
        AppendUtf16Le(bytes, line);
        file.Write(bytes.data(), bytes.size());
        file.Flush();
        file.Close();
    } catch (...) {
        // The log never fails loudly: the line is lost.
    }
}

int GetTextFileEncoding(const Text& path) {
    if (GetFileLength(path) <= 3)
        return kTextEncodingAnsi;
    FileStream file;
    if (!file.Open(path, "rb"))
        return kTextEncodingAnsi;
    unsigned char head[3] = {};
    if (file.Read(head, sizeof head) != sizeof head)
        return kTextEncodingAnsi;
    if (head[0] == 0xFF && head[1] == 0xFE)
        return kTextEncodingUtf16;
    if (head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF)
        return kTextEncodingUtf8;
    return kTextEncodingAnsi;
}

Text GetLocalDateTimeText() {
    CalendarTime now;
    CurrentLocalCalendar(now);
    const uint32_t lcid = GetUserDefaultLCID();
    return FormatLongDate(lcid, now) + u' ' + FormatTimeOfDay(lcid, now);
}

bool IsDebugSwitchOn() {
    static const bool on = FindIgnoreCase(GetCommandLine(), u"/Debug") != Text::npos;
    return on;
}

}  // namespace zem
