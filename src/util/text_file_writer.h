// The one writer of text files: UTF-16LE with the mark FF FE and CR LF line ends, replacing
// any earlier file, up to three attempts, every failure logged.
#pragma once

#include <cstddef>
#include <span>

#include "platform/file_stream.h"
#include "platform/text.h"

namespace zem {

bool SaveUnicodeTextFile(const Text& path, TextView text);
// The same for a text given in pieces, written one after another as one text (a CR is
// inserted before an LF that does not follow one, also across pieces). The pieces are never
// joined in memory, nor is the text held a second time as bytes.
bool SaveUnicodeTextFile(const Text& path, std::span<const TextView> pieces);

// One write of all bytes; logs and returns false on an error or a short write.
bool WriteAllBytes(FileStream& file, const void* bytes, size_t count);

// The system's text for an error number, or "GetLastError()=%1" when it has none.
Text GetErrorText(int errorCode);

}  // namespace zem
