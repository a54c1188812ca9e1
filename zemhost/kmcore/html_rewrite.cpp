#include "html_rewrite.h"

#include <algorithm>
#include <cctype>

namespace zem::kmcore {

namespace {

constexpr std::string_view kCharsetMeta = "<meta charset=\"utf-8\">";

struct Attribute {
    std::string name;         // lower case
    size_t valueSpanBegin{};  // the value with its quotes, when there is one
    size_t valueBegin{}, valueEnd{};
    size_t end{};
    bool hasValue = false;
};

struct StartTag {
    std::string name;  // lower case
    size_t end{};      // just after the closing ">"
    std::vector<Attribute> attributes;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// HTML and CSS names are matched ignoring the case of A-Z only.
char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = LowerAscii(c);
    return lower;
}

size_t FindIgnoringCase(std::string_view text, std::string_view what, size_t from) {
    auto found =
        std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), what.begin(),
                    what.end(), [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
    return found == text.end() ? std::string_view::npos : static_cast<size_t>(found - text.begin());
}

// Attribute values may spell characters as entities ("a&amp;b.png"); links are resolved on
// the characters themselves.
std::string DecodeEntities(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            decoded += text[i];
            continue;
        }
        const std::string_view rest = text.substr(i + 1);
        bool done = false;
        for (const auto& [name, c] : kNamed) {
            if (rest.starts_with(name)) {
                decoded += c;
                i += name.size();
                done = true;
                break;
            }
        }
        if (!done && rest.starts_with('#')) {
            const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
            size_t at = hex ? 2 : 1;
            uint32_t value = 0;
            const size_t start = at;
            while (at < rest.size() && at - start < 8 &&
                   (hex ? std::isxdigit(static_cast<unsigned char>(rest[at]))
                        : std::isdigit(static_cast<unsigned char>(rest[at])))) {
                const char c =
                    static_cast<char>(std::tolower(static_cast<unsigned char>(rest[at])));
                value = value * (hex ? 16 : 10) +
                        static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
                ++at;
            }
            if (at > start) {
                AppendUtf8(decoded, value == 0 ? char32_t{0xFFFD} : value);
                i += at + (at < rest.size() && rest[at] == ';' ? 1 : 0);
                done = true;
            }
        }
        if (!done)
            decoded += '&';
    }
    return decoded;
}

std::string QuotedAttributeValue(std::string_view value) {
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '&')
            quoted += "&amp;";
        else if (c == '"')
            quoted += "&quot;";
        else
            quoted += c;
    }
    return quoted + "\"";
}

// Reads the start tag at `at` ("<" and a letter); false when it never closes.
bool ParseStartTag(std::string_view html, size_t at, StartTag& tag) {
    const size_t n = html.size();
    size_t i = at + 1;
    while (i < n && !IsSpace(html[i]) && html[i] != '>' && html[i] != '/')
        ++i;
    tag.name = Lower(html.substr(at + 1, i - at - 1));
    for (;;) {
        while (i < n && (IsSpace(html[i]) || html[i] == '/'))
            ++i;
        if (i >= n)
            return false;
        if (html[i] == '>') {
            tag.end = i + 1;
            return true;
        }
        Attribute attribute;
        const size_t nameBegin = i++;
        while (i < n && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '/')
            ++i;
        attribute.name = Lower(html.substr(nameBegin, i - nameBegin));
        size_t j = i;
        while (j < n && IsSpace(html[j]))
            ++j;
        if (j < n && html[j] == '=') {
            ++j;
            while (j < n && IsSpace(html[j]))
                ++j;
            attribute.hasValue = true;
            attribute.valueSpanBegin = j;
            if (j < n && (html[j] == '"' || html[j] == '\'')) {
                const size_t close = html.find(html[j], j + 1);
                if (close == std::string_view::npos)
                    return false;
                attribute.valueBegin = j + 1;
                attribute.valueEnd = close;
                i = close + 1;
            } else {
                attribute.valueBegin = j;
                while (j < n && !IsSpace(html[j]) && html[j] != '>')
                    ++j;
                attribute.valueEnd = i = j;
            }
        }
        attribute.end = i;
        tag.attributes.push_back(std::move(attribute));
    }
}

std::string AttributeValue(std::string_view html, const Attribute& attribute) {
    return DecodeEntities(
        html.substr(attribute.valueBegin, attribute.valueEnd - attribute.valueBegin));
}

bool DeclaresCharset(std::string_view html, const StartTag& tag) {
    return std::any_of(tag.attributes.begin(), tag.attributes.end(), [&](const Attribute& a) {
        if (a.name == "charset")
            return true;
        if (a.name != "http-equiv" || !a.hasValue)
            return false;
        std::string value = Lower(AttributeValue(html, a));
        value.erase(std::remove_if(value.begin(), value.end(), IsSpace), value.end());
        return value == "content-type";
    });
}

// The tag as written, with each rewritten link or style attribute in place of the old one.
void AppendTag(std::string_view html, size_t at, const StartTag& tag, LinkLocalizer& links,
               std::string& out) {
    size_t copied = at;
    for (const Attribute& attribute : tag.attributes) {
        if (!attribute.hasValue)
            continue;
        const std::string value = AttributeValue(html, attribute);
        std::string replacement;
        if (attribute.name == "src" || attribute.name == "href" || attribute.name == "background") {
            if (!links.Localize(value, "", replacement))
                continue;
        } else if (attribute.name == "style") {
            replacement = RewriteCss(value, links, "");
            if (replacement == value)
                continue;
        } else {
            continue;
        }
        out.append(html.substr(copied, attribute.valueSpanBegin - copied));
        out += QuotedAttributeValue(replacement);
        copied = attribute.end;
    }
    out.append(html.substr(copied, tag.end - copied));
}

bool HoldsRawText(const std::string& tagName) {
    return tagName == "script" || tagName == "style" || tagName == "textarea" ||
           tagName == "title" || tagName == "xmp";
}

}  // namespace

std::string RewriteHtml(std::string_view html, LinkLocalizer& links) {
    // Room for links that grow as they are rewritten, so that a large page is not copied
    // while it is built (space reserved and never written costs no memory).
    std::string out;
    out.reserve(html.size() + html.size() / 8 + kCharsetMeta.size() + 65536);
    size_t afterHead = std::string::npos, afterHtml = std::string::npos, afterDoctype = 0;
    size_t i = 0;
    while (i < html.size()) {
        const size_t lt = html.find('<', i);
        out.append(html.substr(i, lt - i));
        if (lt == std::string_view::npos)
            break;
        i = lt;
        if (html.substr(lt).starts_with("<!--")) {
            const size_t close = html.find("-->", lt + 4);
            i = close == std::string_view::npos ? html.size() : close + 3;
            out.append(html.substr(lt, i - lt));
            continue;
        }
        if (html.substr(lt).starts_with("<!")) {
            const size_t close = html.find('>', lt);
            i = close == std::string_view::npos ? html.size() : close + 1;
            out.append(html.substr(lt, i - lt));
            if (Lower(html.substr(lt, 9)) == "<!doctype")
                afterDoctype = out.size();
            continue;
        }
        StartTag tag;
        if (lt + 1 >= html.size() || !std::isalpha(static_cast<unsigned char>(html[lt + 1])) ||
            !ParseStartTag(html, lt, tag)) {
            out += '<';
            i = lt + 1;
            continue;
        }
        i = tag.end;
        if (tag.name == "meta" && DeclaresCharset(html, tag))
            continue;
        AppendTag(html, lt, tag, links, out);
        if (tag.name == "head" && afterHead == std::string::npos)
            afterHead = out.size();
        if (tag.name == "html" && afterHtml == std::string::npos)
            afterHtml = out.size();
        if (HoldsRawText(tag.name)) {
            size_t close = FindIgnoringCase(html, "</" + tag.name, i);
            if (close == std::string_view::npos)
                close = html.size();
            const std::string_view content = html.substr(i, close - i);
            if (tag.name == "style")
                out += RewriteCss(content, links, "");
            else
                out.append(content);
            i = close;
        }
    }
    const size_t metaAt = afterHead != std::string::npos   ? afterHead
                          : afterHtml != std::string::npos ? afterHtml
                                                           : afterDoctype;
    out.insert(metaAt, kCharsetMeta);
    return out;
}

std::string RewriteCss(std::string_view css, LinkLocalizer& links, std::string_view from) {
    std::string out;
    size_t i = 0;
    for (;;) {
        const size_t at = FindIgnoringCase(css, "url(", i);
        if (at == std::string_view::npos)
            break;
        size_t begin = at + 4;
        while (begin < css.size() && IsSpace(css[begin]))
            ++begin;
        const char quote =
            begin < css.size() && (css[begin] == '"' || css[begin] == '\'') ? css[begin] : '\0';
        if (quote)
            ++begin;
        size_t end = css.find(quote ? quote : ')', begin);
        if (end == std::string_view::npos)
            break;
        std::string_view link = css.substr(begin, end - begin);
        std::string local;
        out.append(css.substr(i, begin - i));
        out += links.Localize(link, from, local) ? local : std::string(link);
        i = end;
    }
    out.append(css.substr(i));
    return out;
}

}  // namespace zem::kmcore
