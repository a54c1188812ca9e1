// The program's text type and the only conversions between it and UTF-8.
//
// Text is UTF-16 throughout the program; lengths, limits and orderings are in code units.
// UTF-8 appears only where the program meets the operating system (file names,
// environment, toolkits) and every such conversion goes through these functions.
#pragma once

#include <string>
#include <string_view>

namespace zem {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(TextView text);

// Appends one code point as UTF-8; surrogates and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// UTF-8 to UTF-16. Invalid sequences become U+FFFD.
Text FromUtf8(std::string_view bytes);

// UTF-8 to UTF-16, failing (and leaving `out` unspecified) on any invalid sequence.
bool FromUtf8Strict(std::string_view bytes, Text& out);

// File-system names (paths, the command line, the environment) are bytes. Valid UTF-8 reads
// as its characters; every other byte is held as the lone surrogate U+DC00 + byte
// (U+DC80-U+DCFF) and written back as that same byte, so every existing name can be opened
// again. Valid text never holds lone surrogates, so the two directions are exact inverses.
// Other lone surrogates are written as U+FFFD.
Text FromFileSystemBytes(std::string_view bytes);
std::string ToFileSystemBytes(TextView text);
// A unit holding a file-name byte that is not UTF-8.
constexpr bool IsHeldByte(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

// True when the bytes are UTF-8 throughout: what FromUtf8Strict accepts, without making text.
bool IsValidUtf8(std::string_view bytes);

// UTF-16 given as bytes (without a byte-order mark), little- or big-endian, to text and to
// UTF-8; an odd last byte is dropped. The UTF-8 form is made straight from the bytes, in a
// string of exactly its size, so a large page needs no text copy on the way.
Text Utf16BytesToText(std::string_view bytes, bool bigEndian);
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);

// Turns every unpaired surrogate into U+FFFD: decoded text must not hold one, since a unit
// U+DC80-U+DCFF in text stands for a file-name byte (see FromFileSystemBytes).
void ReplaceLoneSurrogates(Text& text);

// The value of one hexadecimal digit in either letter case, or -1 for any other character.
constexpr int HexDigitValue(char32_t c) {
    return c >= U'0' && c <= U'9'   ? static_cast<int>(c - U'0')
           : c >= U'a' && c <= U'f' ? static_cast<int>(c - U'a' + 10)
           : c >= U'A' && c <= U'F' ? static_cast<int>(c - U'A' + 10)
                                    : -1;
}

// ASCII character classes for any character type, independent of the C library's locale:
// how HTML, CSS, SQL, XML and INI names and keywords are read.
template <class C>
constexpr bool IsAsciiLetter(C c) {
    return (c >= C('a') && c <= C('z')) || (c >= C('A') && c <= C('Z'));
}
template <class C>
constexpr bool IsAsciiDigit(C c) {
    return c >= C('0') && c <= C('9');
}
template <class C>
constexpr bool IsAsciiAlphanumeric(C c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c);
}
template <class C>
constexpr C ToLowerAscii(C c) {
    return c >= C('A') && c <= C('Z') ? C(c - C('A') + C('a')) : c;
}
// HTML's and CSS's white space: space, tab, line feed, form feed, carriage return.
template <class C>
constexpr bool IsHtmlSpace(C c) {
    return c == C(' ') || c == C('\t') || c == C('\n') || c == C('\f') || c == C('\r');
}

// A path made a relative link: code units below 0x20, 0x7F, space and "%#?\"'<>&()\\" (what
// would end or change a link in an HTML attribute or a CSS url()) percent-encoded; every
// other unit, UTF-8 bytes and non-ASCII characters included, as it is. Readers of the page
// decode the link back to the path.
std::string PercentEncodeLink(std::string_view path);
Text PercentEncodeLink(TextView path);

// Equality ignoring the case of the ASCII letters only: how the platform matches registry,
// INI and character-set names.
bool EqualsIgnoreAsciiCase(TextView a, TextView b);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// The first of `set`'s bytes in `text` at or after `from`, or npos: string_view's
// find_first_of with plain comparisons. The standard one calls memchr over the set for every
// byte of the text, which costs a page's links and attributes many times the scan itself.
size_t FindFirstOf(std::string_view text, std::string_view set, size_t from = 0);

}  // namespace zem
