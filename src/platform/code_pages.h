// Code-page conversion (the system's converters on Windows, iconv on Linux), the
// character-set-name table and the Unicode-text test.
// Code pages are Windows numbers: 65001 UTF-8, 936 GBK, 950 Big5, 932 Shift-JIS,
// 51932 EUC-JP, 1252 Western ... 0 means the ANSI code page of the user's locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace zem {

constexpr uint32_t kCodePageAnsi = 0;
constexpr uint32_t kCodePageUtf8 = 65001;
constexpr uint32_t kCodePageUtf16Le = 1200;
constexpr uint32_t kCodePageUtf16Be = 1201;
constexpr uint32_t kCodePageEucJp = 51932;

#ifndef _WIN32
// The iconv name of a code page, or null when the code page is unknown.
const char* IconvNameForCodePage(uint32_t codePage);
#endif

// Converts bytes in a code page to text. With `failOnInvalid`, any byte sequence that has
// no Unicode translation fails the call (last error kind kInvalidText) instead of being
// replaced.
bool MultiByteToText(uint32_t codePage, std::string_view bytes, bool failOnInvalid, Text& text);
bool TextToMultiByte(uint32_t codePage, TextView text, std::string& bytes);

// Text for people to read: each run of held file-name bytes (see FromFileSystemBytes) read
// in the ANSI code page, where a folder unpacked from a Windows archive was named, or one
// U+FFFD per byte when the bytes do not read there; any other lone surrogate becomes U+FFFD.
// The result is valid UTF-16 for messages, the log and the terminal.
Text ReadableText(TextView text);

// The code page of a character-set name as HTML and XML declarations use them (utf-8,
// gb2312, gbk, big5, shift_jis, euc-jp ...), ignoring case; 0 when unknown.
uint32_t CodePageForCharsetName(TextView name);

// The statistical test for UTF-16 text without a byte-order mark: the system's on Windows,
// the project's own on Linux.
bool IsTextUnicode(const void* bytes, size_t count);

}  // namespace zem
