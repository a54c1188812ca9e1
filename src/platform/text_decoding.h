// Bytes of text that may or may not say how they are encoded: the one set of rules every
// reader of such bytes follows (text files, note bodies, INI files, the log, the pages the
// engine takes in). In order: a byte-order mark (UTF-8, UTF-16LE, UTF-16BE), UTF-16LE
// without a mark, a character set the bytes declare (when the caller asks for one), then
// UTF-8 when the bytes are valid UTF-8, else the user's ANSI code page.
// Stateless; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace zem {

// How a run of bytes is encoded, as DetectTextEncoding finds it.
struct TextEncoding {
    // kCodePageUtf16Le/Be, kCodePageUtf8, a declared code page, or kCodePageAnsi.
    uint32_t codePage = 0;
    // The byte-order mark before the text.
    size_t markLength = 0;
    // For UTF-8: every byte after the mark is valid UTF-8, so the bytes are the text's UTF-8
    // as they stand.
    bool validUtf8 = false;

    bool IsUtf16() const;
};

// The declaration that may name the bytes' character set: <meta charset=...> or
// <meta content="...; charset=..."> in HTML, <?xml ... encoding="..."?> in XML. Only the
// first kilobytes are searched, as browsers do; names compare ignoring ASCII case.
enum class CharsetDeclaration { kNone, kHtmlMeta, kXml };

// The encoding a byte-order mark at the start of `bytes` names, with the mark's length;
// kCodePageAnsi and no length without one.
TextEncoding FindByteOrderMark(std::string_view bytes);

// A byte-order mark, else UTF-16LE without a mark; kCodePageAnsi when neither.
TextEncoding FindUnicodeEncoding(std::string_view bytes);

// The character-set name the declaration of that kind gives (as written), or empty text.
// The declaring tag must be closed.
std::string FindDeclaredCharset(std::string_view bytes, CharsetDeclaration kind);

// The whole rule. A declaration is taken only when it names a known byte code page: 8-bit
// bytes that declare UTF-16 or a name nobody knows are read as if they declared nothing.
TextEncoding DetectTextEncoding(std::string_view bytes, CharsetDeclaration declaration);

// The bytes (mark included) decoded as `encoding` says; sequences invalid in it are
// replaced. Returns the code page used: the ANSI code page's own number when the bytes were
// read there, which is also the fallback when no converter takes the detected code page.
uint32_t DecodeTextAs(std::string_view bytes, const TextEncoding& encoding, Text& text);

// DetectTextEncoding, then DecodeTextAs.
uint32_t DecodeText(std::string_view bytes, CharsetDeclaration declaration, Text& text);

// UTF-16 little-endian without a byte-order mark: more than ten bytes, an even count, a zero
// byte among them, and the statistical test (IsTextUnicode) agrees.
bool IsUnmarkedUtf16(std::string_view bytes);

// The code page of 8-bit bytes that name none: UTF-8 when they are valid UTF-8, else the
// user's ANSI code page (kCodePageAnsi). Text in a legacy code page is almost never valid
// UTF-8, while UTF-8 text often converts without error in a legacy code page, so UTF-8 is
// the one to try first.
uint32_t CodePageOfUndeclaredBytes(std::string_view bytes);

// The bytes decoded by that rule (invalid sequences of the ANSI code page replaced). Returns
// kCodePageUtf8, or the number of the ANSI code page when that was used.
uint32_t DecodeUndeclaredBytes(std::string_view bytes, Text& text);

}  // namespace zem
