#include "css_references.h"

#include "platform/text.h"

namespace zem::kmcore {

namespace {

bool IsNameCharacter(char c) {
    return IsAsciiAlphanumeric(c) || c == '-' || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

int HexValue(char c) {
    return HexDigitValue(static_cast<unsigned char>(c));
}

// Undoes the escapes of `text`: "\" and up to six hexadecimal digits (and one white space
// after them) is that character, "\" and a line break is nothing, "\" and any other
// character is that character.
std::string Unescaped(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        if (HexValue(text[i + 1]) < 0) {
            if (text[i + 1] != '\n' && text[i + 1] != '\r' && text[i + 1] != '\f')
                out += text[i + 1];
            ++i;
            continue;
        }
        char32_t value = 0;
        size_t digits = 0;
        while (digits < 6 && i + 1 < text.size() && HexValue(text[i + 1]) >= 0) {
            value = value * 16 + static_cast<char32_t>(HexValue(text[++i]));
            ++digits;
        }
        if (i + 1 < text.size() && IsHtmlSpace(text[i + 1]))
            ++i;
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            value = 0xFFFD;
        AppendUtf8(out, value);
    }
    return out;
}

// Past the string whose quote is at `at`: at its closing quote, else at a line break or the
// end, as CSS ends a string.
size_t EndOfString(std::string_view css, size_t at) {
    const char quote = css[at];
    size_t i = at + 1;
    while (i < css.size() && css[i] != quote && css[i] != '\n') {
        i += css[i] == '\\' ? 2 : 1;
    }
    return std::min(i, css.size());
}

size_t SkipSpaceAndComments(std::string_view css, size_t i) {
    for (;;) {
        while (i < css.size() && IsHtmlSpace(css[i]))
            ++i;
        if (!css.substr(i).starts_with("/*"))
            return i;
        const size_t close = css.find("*/", i + 2);
        i = close == std::string_view::npos ? css.size() : close + 2;
    }
}

bool StartsWithIgnoringCase(std::string_view css, size_t at, std::string_view what) {
    return css.size() - at >= what.size() &&
           EqualsIgnoreAsciiCase(css.substr(at, what.size()), what);
}

void AddString(std::string_view css, size_t quoteAt, size_t close,
               std::vector<CssReference>& found) {
    found.push_back({quoteAt + 1, close, css[quoteAt],
                     Unescaped(css.substr(quoteAt + 1, close - quoteAt - 1))});
}

// True when "image-set(" or "-webkit-image-set(" begins at `at`, a name of its own.
size_t ImageSetLength(std::string_view css, size_t at) {
    if (at > 0 && IsNameCharacter(css[at - 1]))
        return 0;
    size_t length = StartsWithIgnoringCase(css, at, "-webkit-") ? 8 : 0;
    return StartsWithIgnoringCase(css, at + length, "image-set(") ? length + 10 : 0;
}

// False when `css` holds none of "url(", "image-set(" and "@import" in any case: every link
// the scan finds starts at one of them. Most style blocks hold none (the note template's, on
// every page, among them), and looking for "(" and "@" alone is many times faster than the
// scan, which weighs every character.
bool MayHoldReferences(std::string_view css) {
    for (size_t at = css.find('('); at != std::string_view::npos; at = css.find('(', at + 1)) {
        if ((at >= 3 && EqualsIgnoreAsciiCase(css.substr(at - 3, 3), "url")) ||
            (at >= 9 && EqualsIgnoreAsciiCase(css.substr(at - 9, 9), "image-set")))
            return true;
    }
    for (size_t at = css.find('@'); at != std::string_view::npos; at = css.find('@', at + 1)) {
        if (StartsWithIgnoringCase(css, at + 1, "import"))
            return true;
    }
    return false;
}

}  // namespace

std::vector<CssReference> FindCssReferences(std::string_view css) {
    std::vector<CssReference> found;
    if (!MayHoldReferences(css))
        return found;
    const size_t n = css.size();
    size_t i = 0;
    // The parentheses open inside an image-set(), whose strings are links as url()s are.
    size_t imageSetDepth = 0;
    while (i < n) {
        const char c = css[i];
        if (c == '/' && i + 1 < n && css[i + 1] == '*') {
            const size_t close = css.find("*/", i + 2);
            i = close == std::string_view::npos ? n : close + 2;
        } else if (c == '"' || c == '\'') {
            const size_t close = EndOfString(css, i);
            if (imageSetDepth == 1 && close < n && css[close] == c)
                AddString(css, i, close, found);
            i = close + 1;
        } else if (const size_t length =
                       c == 'i' || c == 'I' || c == '-' ? ImageSetLength(css, i) : 0;
                   length > 0) {
            imageSetDepth = 1;
            i += length;
        } else if (imageSetDepth > 0 && (c == '(' || c == ')')) {
            imageSetDepth += c == '(' ? 1 : -1;
            ++i;
        } else if (c == '\\') {
            i += 2;
        } else if (c == '@' && StartsWithIgnoringCase(css, i + 1, "import") &&
                   (i + 7 >= n || !IsNameCharacter(css[i + 7]))) {
            i = SkipSpaceAndComments(css, i + 7);
            if (i < n && (css[i] == '"' || css[i] == '\'')) {
                const size_t close = EndOfString(css, i);
                if (close < n && css[close] == css[i])
                    AddString(css, i, close, found);
                i = close + 1;
            }
        } else if ((c == 'u' || c == 'U') && StartsWithIgnoringCase(css, i, "url(") &&
                   (i == 0 || !IsNameCharacter(css[i - 1]))) {
            size_t begin = i + 4;
            while (begin < n && IsHtmlSpace(css[begin]))
                ++begin;
            if (begin < n && (css[begin] == '"' || css[begin] == '\'')) {
                const size_t close = EndOfString(css, begin);
                if (close < n && css[close] == css[begin])
                    AddString(css, begin, close, found);
                i = close + 1;
                continue;
            }
            size_t end = begin;
            while (end < n && css[end] != ')' && !IsHtmlSpace(css[end]) && css[end] != '"' &&
                   css[end] != '\'' && css[end] != '(')
                end += css[end] == '\\' ? 2 : 1;
            end = std::min(end, n);
            size_t close = end;
            while (close < n && IsHtmlSpace(css[close]))
                ++close;
            if (close < n && css[close] == ')') {
                if (end > begin)
                    found.push_back({begin, end, 0, Unescaped(css.substr(begin, end - begin))});
                i = close + 1;
            } else {  // not well formed: CSS skips it up to its ")"
                const size_t paren = css.find(')', end);
                i = paren == std::string_view::npos ? n : paren + 1;
            }
        } else {
            ++i;
        }
    }
    return found;
}

std::string CssEscapedLink(std::string_view link, char quote) {
    std::string out;
    out.reserve(link.size());
    for (char c : link) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool unsafe = u <= 0x20 || u == 0x7F || c == '\\' || c == '<' || c == '>' ||
                            (quote ? c == quote : (c == '"' || c == '\'' || c == '(' || c == ')'));
        if (!unsafe) {
            out += c;
            continue;
        }
        static constexpr char kHex[] = "0123456789abcdef";
        out += '\\';
        if (u >= 0x10)
            out += kHex[u >> 4];
        out += kHex[u & 0xF];
        out += ' ';
    }
    return out;
}

}  // namespace zem::kmcore
