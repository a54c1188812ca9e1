#include "platform/text_decoding.h"

#include <algorithm>
#include <cstring>

#include "platform/code_pages.h"
#include "platform/system_info.h"

namespace zem {

namespace {

// Browsers look for a declaration in the first kilobytes only; so do we.
constexpr size_t kDeclarationScanLength = 4096;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Position of `word` (lower-case ASCII) in `bytes` at or after `from`, ignoring ASCII case.
size_t FindIgnoringCase(std::string_view bytes, std::string_view word, size_t from) {
    for (size_t i = from; i + word.size() <= bytes.size(); ++i) {
        size_t k = 0;
        while (k < word.size() && LowerAscii(bytes[i + k]) == word[k])
            ++k;
        if (k == word.size())
            return i;
    }
    return std::string_view::npos;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
}

// The name after `keyword`, '=' (spaces around it allowed) and an optional quote inside
// `tag`; the first occurrence that has one.
std::string_view NameAfter(std::string_view tag, std::string_view keyword) {
    for (size_t at = FindIgnoringCase(tag, keyword, 0); at != std::string_view::npos;
         at = FindIgnoringCase(tag, keyword, at + 1)) {
        size_t i = at + keyword.size();
        while (i < tag.size() && IsSpace(tag[i]))
            ++i;
        if (i == tag.size() || tag[i] != '=')
            continue;
        ++i;
        while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == '"' || tag[i] == '\''))
            ++i;
        size_t end = i;
        while (end < tag.size() && IsNameByte(tag[end]))
            ++end;
        if (end > i)
            return tag.substr(i, end - i);
    }
    return {};
}

bool IsUtf16Or32(uint32_t codePage) {
    return codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be || codePage == 12000 ||
           codePage == 12001;
}

TextEncoding Utf8Encoding(std::string_view bytes, size_t markLength) {
    return {kCodePageUtf8, markLength, IsValidUtf8(bytes.substr(markLength))};
}

}  // namespace

bool TextEncoding::IsUtf16() const {
    return codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be;
}

TextEncoding FindByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return {kCodePageUtf8, 3};
    if (bytes.starts_with("\xFF\xFE"))
        return {kCodePageUtf16Le, 2};
    if (bytes.starts_with("\xFE\xFF"))
        return {kCodePageUtf16Be, 2};
    return {};
}

TextEncoding FindUnicodeEncoding(std::string_view bytes) {
    const TextEncoding mark = FindByteOrderMark(bytes);
    if (mark.markLength == 0 && IsUnmarkedUtf16(bytes))
        return {kCodePageUtf16Le, 0};
    return mark;
}

std::string FindDeclaredCharset(std::string_view bytes, CharsetDeclaration kind) {
    if (kind == CharsetDeclaration::kNone)
        return {};
    const bool html = kind == CharsetDeclaration::kHtmlMeta;
    const std::string_view opener = html ? "<meta" : "<?xml";
    const std::string_view keyword = html ? "charset" : "encoding";
    const std::string_view head = bytes.substr(0, kDeclarationScanLength);
    for (size_t start = FindIgnoringCase(head, opener, 0); start != std::string_view::npos;
         start = FindIgnoringCase(head, opener, start + opener.size())) {
        const size_t close = bytes.find('>', start);
        if (close == std::string_view::npos)
            return {};
        const std::string_view name = NameAfter(bytes.substr(start, close - start), keyword);
        if (!name.empty())
            return std::string(name);
    }
    return {};
}

TextEncoding DetectTextEncoding(std::string_view bytes, CharsetDeclaration declaration) {
    const TextEncoding unicode = FindUnicodeEncoding(bytes);
    if (unicode.IsUtf16())
        return unicode;
    if (unicode.codePage == kCodePageUtf8)
        return Utf8Encoding(bytes, unicode.markLength);
    const std::string name = FindDeclaredCharset(bytes, declaration);
    const uint32_t declared = name.empty() ? kCodePageAnsi : CodePageForCharsetName(FromUtf8(name));
    if (declared == kCodePageUtf8 || (declared == kCodePageAnsi && IsValidUtf8(bytes)))
        return Utf8Encoding(bytes, 0);
    if (declared != kCodePageAnsi && !IsUtf16Or32(declared))
        return {declared, 0};
    return {kCodePageAnsi, 0};
}

uint32_t DecodeTextAs(std::string_view bytes, const TextEncoding& encoding, Text& text) {
    bytes.remove_prefix(std::min(encoding.markLength, bytes.size()));
    if (encoding.IsUtf16()) {
        text = Utf16BytesToText(bytes, encoding.codePage == kCodePageUtf16Be);
        ReplaceLoneSurrogates(text);
        return encoding.codePage;
    }
    if (encoding.codePage == kCodePageUtf8) {
        text = FromUtf8(bytes);
        return kCodePageUtf8;
    }
    if (encoding.codePage != kCodePageAnsi &&
        MultiByteToText(encoding.codePage, bytes, false, text))
        return encoding.codePage;
    return DecodeUndeclaredBytes(bytes, text);
}

uint32_t DecodeText(std::string_view bytes, CharsetDeclaration declaration, Text& text) {
    return DecodeTextAs(bytes, DetectTextEncoding(bytes, declaration), text);
}

bool IsUnmarkedUtf16(std::string_view bytes) {
    return bytes.size() > 10 && bytes.size() % 2 == 0 &&
           std::memchr(bytes.data(), 0, bytes.size()) && IsTextUnicode(bytes.data(), bytes.size());
}

uint32_t CodePageOfUndeclaredBytes(std::string_view bytes) {
    return IsValidUtf8(bytes) ? kCodePageUtf8 : kCodePageAnsi;
}

uint32_t DecodeUndeclaredBytes(std::string_view bytes, Text& text) {
    if (CodePageOfUndeclaredBytes(bytes) == kCodePageUtf8) {
        text = FromUtf8(bytes);
        return kCodePageUtf8;
    }
    if (MultiByteToText(kCodePageAnsi, bytes, false, text))
        return GetAnsiCodePage();
    // The ANSI conversion itself failed (no converter): keep what UTF-8 can make of the
    // bytes rather than lose them.
    text = FromUtf8(bytes);
    return kCodePageUtf8;
}

}  // namespace zem
