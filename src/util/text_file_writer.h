// The one writer of text files: UTF-16LE with the mark FF FE and CR LF line ends, replacing
// any earlier file, up to three attempts, every failure logged.
#pragma once

#include <cstddef>

#include "platform/file_stream.h"
#include "platform/text.h"

namespace zem {

bool SaveUnicodeTextFile(const Text& path, TextView text);

// Inserts CR before every LF that does not follow a CR.
Text ToCrLf(TextView text);

// One write of all bytes; logs and returns false on an error or a short write.
bool WriteAllBytes(FileStream& file, const void* bytes, size_t count);

// The system's text for an error number, or "GetLastError()=%1" when it has none.
Text GetErrorText(int errorCode);

}  // namespace zem
