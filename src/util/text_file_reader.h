// Reads text files whose encoding is not known in advance: byte-order marks, UTF-16 without
// a mark, the character set declared by HTML and XML files, UTF-8 for ".php" files; bytes
// that declare nothing are UTF-8 when they are valid UTF-8, else in the ANSI code page.
// Loaded text always has LF line ends and no zero characters.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text.h"

namespace zem {

bool LoadTextFile(const Text& path, Text& text);

// `bytes` holds `count` bytes followed by at least four zero bytes; it is changed in place.
bool DecodeTextBuffer(char* bytes, size_t count, const Text& path, Text& text);

// Bytes to text in a code page (0 = ANSI); a UTF-8 mark on a value longer than three bytes
// is dropped and means UTF-8; the bytes end at their first zero; any failure falls back to
// the ANSI code page.
Text DecodeBytes(std::string_view bytes, uint32_t codePage);

Text FindHtmlCharset(std::string_view bytes);
Text FindXmlEncoding(std::string_view bytes);
uint32_t CodePageFromCharset(TextView name);

// In place: zero bytes/units dropped, CR LF to LF, lone CR to LF, a terminating zero
// written. Return the new length (in bytes / in units).
size_t NormalizeLineEnds8(char* bytes, size_t count);
size_t NormalizeLineEnds16(char16_t* units, size_t byteCount);

}  // namespace zem
