#include "html_rewrite.h"

#include <algorithm>

#include "html_entities.h"

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

// HTML and CSS names are matched ignoring the case of A-Z only.
std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = ToLowerAscii(c);
    return lower;
}

// Every page passes here, its style sheet included. The patterns hold a character without
// case ("<" of an end tag, "(" of "url("): that one is found by a plain search, and only
// where it is are the others compared.
size_t FindIgnoringCase(std::string_view text, std::string_view what, size_t from) {
    const auto caseless =
        std::find_if(what.begin(), what.end(), [](char c) { return !IsAsciiLetter(c); });
    if (caseless == what.end()) {
        auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                 what.begin(), what.end(),
                                 [](char a, char b) { return ToLowerAscii(a) == ToLowerAscii(b); });
        return found == text.end() ? std::string_view::npos
                                   : static_cast<size_t>(found - text.begin());
    }
    const size_t offset = static_cast<size_t>(caseless - what.begin());
    for (size_t at = text.find(*caseless, from + offset); at != std::string_view::npos;
         at = text.find(*caseless, at + 1)) {
        const size_t start = at - offset;
        if (start + what.size() > text.size())
            break;
        if (EqualsIgnoreAsciiCase(text.substr(start, what.size()), what))
            return start;
    }
    return std::string_view::npos;
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

// Reads the tag at `at` ("<" and a letter, or "</" and a letter for an end tag); false
// when it never closes, which makes a browser drop it and everything after it. A second
// attribute of the same name is dropped too, so it is not kept in `tag`.
bool ParseTag(std::string_view html, size_t at, StartTag& tag) {
    const size_t n = html.size();
    const size_t nameBegin = at + (html[at + 1] == '/' ? 2 : 1);
    size_t i = nameBegin;
    while (i < n && !IsHtmlSpace(html[i]) && html[i] != '>' && html[i] != '/')
        ++i;
    tag.name = Lower(html.substr(nameBegin, i - nameBegin));
    for (;;) {
        while (i < n && (IsHtmlSpace(html[i]) || html[i] == '/'))
            ++i;
        if (i >= n)
            return false;
        if (html[i] == '>') {
            tag.end = i + 1;
            return true;
        }
        Attribute attribute;
        const size_t attributeBegin = i++;  // a first "=" belongs to the name
        while (i < n && !IsHtmlSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '/')
            ++i;
        attribute.name = Lower(html.substr(attributeBegin, i - attributeBegin));
        size_t j = i;
        while (j < n && IsHtmlSpace(html[j]))
            ++j;
        if (j < n && html[j] == '=') {
            ++j;
            while (j < n && IsHtmlSpace(html[j]))
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
                while (j < n && !IsHtmlSpace(html[j]) && html[j] != '>')
                    ++j;
                attribute.valueEnd = i = j;
            }
        }
        attribute.end = i;
        const bool repeated =
            std::any_of(tag.attributes.begin(), tag.attributes.end(),
                        [&](const Attribute& earlier) { return earlier.name == attribute.name; });
        if (!repeated)
            tag.attributes.push_back(std::move(attribute));
    }
}

std::string AttributeValue(std::string_view html, const Attribute& attribute) {
    return DecodeAttributeValue(
        html.substr(attribute.valueBegin, attribute.valueEnd - attribute.valueBegin));
}

bool DeclaresCharset(std::string_view html, const StartTag& tag) {
    return std::any_of(tag.attributes.begin(), tag.attributes.end(), [&](const Attribute& a) {
        if (a.name == "charset")
            return true;
        if (a.name != "http-equiv" || !a.hasValue)
            return false;
        std::string value = Lower(AttributeValue(html, a));
        value.erase(std::remove_if(value.begin(), value.end(), IsHtmlSpace<char>), value.end());
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

// Elements whose content is text up to their own end tag: no tags, no comments inside.
// (<noscript> is left out: its pictures show where scripts are off, so they are copied.)
bool HoldsRawText(const std::string& tagName) {
    return tagName == "script" || tagName == "style" || tagName == "textarea" ||
           tagName == "title" || tagName == "xmp" || tagName == "iframe" || tagName == "noembed" ||
           tagName == "noframes";
}

// Where the raw text that starts at `from` ends: at "</" + the element's name followed by
// white space, "/" or ">", else at the end of the page.
size_t EndOfRawText(std::string_view html, const std::string& tagName, size_t from) {
    const std::string closing = "</" + tagName;
    for (size_t at = FindIgnoringCase(html, closing, from); at != std::string_view::npos;
         at = FindIgnoringCase(html, closing, at + 1)) {
        const size_t next = at + closing.size();
        if (next < html.size() &&
            (IsHtmlSpace(html[next]) || html[next] == '/' || html[next] == '>'))
            return at;
    }
    return html.size();
}

// The end of the comment that starts at `at` with "<!--": "<!-->" and "<!--->" are whole
// comments, any other ends at "-->" or "--!>", or at the end of the page.
size_t EndOfComment(std::string_view html, size_t at) {
    const std::string_view rest = html.substr(at + 4);
    if (rest.starts_with(">"))
        return at + 5;
    if (rest.starts_with("->"))
        return at + 6;
    for (size_t dashes = html.find("--", at + 4); dashes != std::string_view::npos;
         dashes = html.find("--", dashes + 1)) {
        if (html.substr(dashes + 2).starts_with(">"))
            return dashes + 3;
        if (html.substr(dashes + 2).starts_with("!>"))
            return dashes + 4;
    }
    return html.size();
}

// The end of what a browser reads as a comment up to the next ">": "<!" other than "<!--",
// "<?", and "</" followed by neither a letter nor ">".
size_t EndOfBogusComment(std::string_view html, size_t at) {
    const size_t close = html.find('>', at);
    return close == std::string_view::npos ? html.size() : close + 1;
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
        const std::string_view rest = html.substr(lt);
        const char next = rest.size() > 1 ? rest[1] : '\0';
        const bool endTag = next == '/' && rest.size() > 2 && IsAsciiLetter(rest[2]);
        if (rest.starts_with("<!--") || next == '!' || next == '?' ||
            (next == '/' && !endTag && rest.size() > 2)) {
            i = rest.starts_with("<!--") ? EndOfComment(html, lt) : EndOfBogusComment(html, lt);
            out.append(html.substr(lt, i - lt));
            if (Lower(html.substr(lt, 9)) == "<!doctype")
                afterDoctype = out.size();
            continue;
        }
        if (!IsAsciiLetter(next) && !endTag) {
            out += '<';  // text, as "a < b" is
            i = lt + 1;
            continue;
        }
        StartTag tag;
        if (!ParseTag(html, lt, tag)) {
            out.append(rest);
            break;
        }
        i = tag.end;
        if (endTag) {
            out.append(html.substr(lt, i - lt));
            continue;
        }
        if (tag.name == "meta" && DeclaresCharset(html, tag))
            continue;
        AppendTag(html, lt, tag, links, out);
        if (tag.name == "head" && afterHead == std::string::npos)
            afterHead = out.size();
        if (tag.name == "html" && afterHtml == std::string::npos)
            afterHtml = out.size();
        if (tag.name == "plaintext") {
            out.append(html.substr(i));
            break;
        }
        if (HoldsRawText(tag.name)) {
            const size_t close = EndOfRawText(html, tag.name, i);
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
        while (begin < css.size() && IsHtmlSpace(css[begin]))
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
