#include <cctype>

#include "html_rewrite.h"
#include "platform/code_pages.h"

namespace zem::kmcore {

namespace {

// Browsers look for the declaration in the first kilobytes only; so do we.
constexpr size_t kCharsetScanLength = 4096;

Text DecodeUtf16(std::string_view bytes, bool bigEndian) {
    Text text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return text;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The charset named by a <meta charset> or <meta http-equiv content="...; charset=">
// declaration near the start of the page, or empty text.
std::string DeclaredCharset(std::string_view bytes) {
    const std::string head = LowerAscii(bytes.substr(0, kCharsetScanLength));
    for (size_t meta = head.find("<meta"); meta != std::string::npos;
         meta = head.find("<meta", meta + 5)) {
        const size_t end = head.find('>', meta);
        const std::string_view tag = std::string_view(head).substr(meta, end - meta);
        size_t at = tag.find("charset");
        if (at == std::string_view::npos)
            continue;
        at += 7;
        while (at < tag.size() && (std::isspace(static_cast<unsigned char>(tag[at])) ||
                                   tag[at] == '=' || tag[at] == '"' || tag[at] == '\''))
            ++at;
        size_t stop = at;
        while (stop < tag.size() &&
               (std::isalnum(static_cast<unsigned char>(tag[stop])) ||
                std::string_view("-_.:").find(tag[stop]) != std::string_view::npos))
            ++stop;
        if (stop > at)
            return std::string(tag.substr(at, stop - at));
    }
    return {};
}

}  // namespace

Text DecodeHtmlBytes(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE"))
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF"))
        return DecodeUtf16(bytes.substr(2), true);
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return FromUtf8(bytes.substr(3));
    if (bytes.size() >= 2 && IsTextUnicode(bytes.data(), bytes.size()))
        return DecodeUtf16(bytes, false);
    Text text;
    const std::string charset = DeclaredCharset(bytes);
    // A UTF-16 declaration found by reading the bytes as ASCII cannot be true; browsers read
    // such pages as UTF-8, and so do we.
    if (!charset.empty() && !charset.starts_with("utf-16")) {
        const uint32_t codePage = CodePageForCharsetName(FromUtf8(charset));
        if (codePage != 0 && MultiByteToText(codePage, bytes, false, text))
            return text;
    }
    if (FromUtf8Strict(bytes, text))
        return text;
    if (MultiByteToText(kCodePageAnsi, bytes, false, text))
        return text;
    return FromUtf8(bytes);
}

}  // namespace zem::kmcore
