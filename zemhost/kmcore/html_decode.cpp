#include <cctype>

#include "html_rewrite.h"
#include "platform/code_pages.h"
#include "platform/text_decoding.h"

namespace zem::kmcore {

namespace {

// Browsers look for the declaration in the first kilobytes only; so do we.
constexpr size_t kCharsetScanLength = 4096;

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

std::string DecodeHtmlBytes(std::string bytes) {
    // Pages are large when notes are: UTF-8 pages are kept in the string they came in, and
    // other encodings are converted into a string of their own once, never through a copy
    // of the whole page as text.
    const std::string_view view = bytes;
    if (view.starts_with("\xFF\xFE"))
        return Utf16BytesToUtf8(view.substr(2), false);
    if (view.starts_with("\xFE\xFF"))
        return Utf16BytesToUtf8(view.substr(2), true);
    if (IsUnmarkedUtf16(view))
        return Utf16BytesToUtf8(view, false);
    if (view.starts_with("\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
        return IsValidUtf8(bytes) ? std::move(bytes) : ToUtf8(FromUtf8(bytes));
    }
    const std::string charset = DeclaredCharset(bytes);
    // A UTF-16 declaration found by reading the bytes as ASCII cannot be true; browsers read
    // such pages as UTF-8, and so do we.
    uint32_t codePage = kCodePageAnsi;
    if (!charset.empty() && !charset.starts_with("utf-16"))
        codePage = CodePageForCharsetName(FromUtf8(charset));
    if (codePage == kCodePageAnsi)
        codePage = CodePageOfUndeclaredBytes(bytes);
    if (codePage == kCodePageUtf8 && IsValidUtf8(bytes))
        return bytes;
    Text text;
    if (!MultiByteToText(codePage, bytes, false, text))
        DecodeUndeclaredBytes(bytes, text);
    return ToUtf8(text);
}

}  // namespace zem::kmcore
