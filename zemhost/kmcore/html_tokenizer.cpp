#include "html_tokenizer.h"

#include <algorithm>
#include <cstring>

#include "html_entities.h"
#include "platform/text.h"

namespace zem::kmcore {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool EndsName(char c) {
    return IsHtmlSpace(c) || c == '/' || c == '>';
}

void AppendNameCharacter(std::string& name, char c) {
    if (c == '\0')
        name += kReplacementCharacter;
    else
        name += ToLowerAscii(c);
}

bool StartsWithIgnoringCase(std::string_view text, size_t at, std::string_view what) {
    return text.size() - at >= what.size() &&
           EqualsIgnoreAsciiCase(text.substr(at, what.size()), what);
}

// Where the comment whose "<!--" is at `at` ends: "<!-->" and "<!--->" end at once, any other
// at "-->" or "--!>", else with the page.
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

// Just after the first `what` from `from`, or the end of the page.
size_t PastNext(std::string_view html, std::string_view what, size_t from) {
    const size_t found = html.find(what, from);
    return found == std::string_view::npos ? html.size() : found + what.size();
}

size_t PastLetters(std::string_view html, size_t from) {
    while (from < html.size() && IsAsciiLetter(html[from]))
        ++from;
    return from;
}

}  // namespace

const HtmlAttribute* HtmlToken::Find(std::string_view attributeName) const {
    for (const HtmlAttribute& attribute : attributes)
        if (!attribute.repeated && attribute.name == attributeName)
            return &attribute;
    return nullptr;
}

std::string AttributeValue(std::string_view html, const HtmlAttribute& attribute) {
    const std::string_view raw =
        html.substr(attribute.valueBegin, attribute.valueEnd - attribute.valueBegin);
    if (FindFirstOf(raw, std::string_view("&\0", 2)) == std::string_view::npos)
        return std::string(raw);
    std::string value = DecodeAttributeValue(raw);
    for (size_t zero = value.find('\0'); zero != std::string::npos; zero = value.find('\0', zero))
        value.replace(zero, 1, kReplacementCharacter);
    return value;
}

void HtmlTokenizer::SwitchTo(State state, std::string_view endTagName) {
    state_ = state;
    endTagName_.assign(endTagName);
}

bool HtmlTokenizer::Next(HtmlToken& token) {
    switch (state_) {
        case State::kData:
            return NextInData(token);
        case State::kPlainText:
            at_ = html_.size();
            return false;
        case State::kCdataSection:
            at_ = PastNext(html_, "]]>", at_);
            state_ = State::kData;
            return NextInData(token);
        default:
            return ReadEndOfText(token);
    }
}

bool HtmlTokenizer::NextInData(HtmlToken& token) {
    const size_t n = html_.size();
    while (at_ < n) {
        const void* found = std::memchr(html_.data() + at_, '<', n - at_);
        if (!found)
            break;
        const size_t lt = static_cast<size_t>(static_cast<const char*>(found) - html_.data());
        if (lt + 1 >= n)
            break;
        const char next = html_[lt + 1];
        token.begin = lt;
        if (IsAsciiLetter(next))
            return ReadTag(lt, HtmlTokenKind::kStartTag, token);
        if (next == '/') {
            if (lt + 2 >= n)
                break;  // "</" at the end is text
            if (IsAsciiLetter(html_[lt + 2]))
                return ReadTag(lt, HtmlTokenKind::kEndTag, token);
            if (html_[lt + 2] == '>') {  // "</>" is dropped without a token
                at_ = lt + 3;
                continue;
            }
            token.kind = HtmlTokenKind::kComment;  // bogus, up to the next ">"
            token.end = at_ = PastNext(html_, ">", lt);
            return true;
        }
        if (next == '!') {
            if (html_.substr(lt + 2).starts_with("--")) {
                token.kind = HtmlTokenKind::kComment;
                token.end = at_ = EndOfComment(html_, lt);
            } else if (StartsWithIgnoringCase(html_, lt + 2, "doctype")) {
                token.kind = HtmlTokenKind::kDoctype;  // ends at the first ">", quoted or not
                token.end = at_ = PastNext(html_, ">", lt);
            } else if (cdataAllowed_ && html_.substr(lt + 2).starts_with("[CDATA[")) {
                token.kind = HtmlTokenKind::kCdata;
                token.end = at_ = PastNext(html_, "]]>", lt + 9);
            } else {
                token.kind = HtmlTokenKind::kComment;
                token.end = at_ = PastNext(html_, ">", lt);
            }
            return true;
        }
        if (next == '?') {
            token.kind = HtmlTokenKind::kComment;
            token.end = at_ = PastNext(html_, ">", lt);
            return true;
        }
        at_ = lt + 1;  // "<" before anything else is text
    }
    at_ = n;
    return false;
}

// The tag states of the tokenizer, from the "<" at `at` to its ">". A tag that the page ends
// inside is dropped, and so is everything after it.
bool HtmlTokenizer::ReadTag(size_t at, HtmlTokenKind kind, HtmlToken& token) {
    const std::string_view html = html_;
    const size_t n = html.size();
    token.kind = kind;
    token.begin = at;
    token.selfClosing = false;
    token.name.clear();
    token.attributes.clear();
    at_ = n;
    size_t i = at + (kind == HtmlTokenKind::kEndTag ? 2 : 1);
    for (; i < n && !EndsName(html[i]); ++i)
        AppendNameCharacter(token.name, html[i]);
    token.nameEnd = i;
    for (;;) {
        while (i < n && IsHtmlSpace(html[i]))
            ++i;
        if (i >= n)
            return false;
        if (html[i] == '>') {
            token.end = at_ = i + 1;
            return true;
        }
        if (html[i] == '/') {
            if (++i < n && html[i] == '>') {
                token.selfClosing = true;
                token.end = at_ = i + 1;
                return true;
            }
            continue;
        }
        HtmlAttribute& attribute = token.attributes.emplace_back();
        attribute.begin = i;
        AppendNameCharacter(attribute.name, html[i++]);  // a first "=" belongs to the name
        for (; i < n && !EndsName(html[i]) && html[i] != '='; ++i)
            AppendNameCharacter(attribute.name, html[i]);
        attribute.repeated = std::any_of(
            token.attributes.begin(), token.attributes.end() - 1,
            [&](const HtmlAttribute& earlier) { return earlier.name == attribute.name; });
        size_t j = i;
        while (j < n && IsHtmlSpace(html[j]))
            ++j;
        if (j >= n)
            return false;
        if (html[j] != '=') {
            attribute.end = i;
            i = j;
            continue;
        }
        for (++j; j < n && IsHtmlSpace(html[j]);)
            ++j;
        if (j >= n)
            return false;
        attribute.hasValue = true;
        if (html[j] == '"' || html[j] == '\'') {
            attribute.quote = html[j];
            const size_t close = html.find(html[j], j + 1);
            if (close == std::string_view::npos)
                return false;
            attribute.valueBegin = j + 1;
            attribute.valueEnd = close;
            i = attribute.end = close + 1;
            continue;
        }
        attribute.valueBegin = j;  // unquoted, or missing before ">"
        while (j < n && !IsHtmlSpace(html[j]) && html[j] != '>')
            ++j;
        if (j >= n)
            return false;
        i = attribute.valueEnd = attribute.end = j;
    }
}

// "</" and the name of the element whose text this is, followed by what ends a tag name.
bool HtmlTokenizer::IsEndTagOfText(size_t at) const {
    const size_t nameAt = at + 2;
    return !endTagName_.empty() && html_.size() > nameAt + endTagName_.size() &&
           html_[at + 1] == '/' && StartsWithIgnoringCase(html_, nameAt, endTagName_) &&
           EndsName(html_[nameAt + endTagName_.size()]);
}

size_t HtmlTokenizer::FindEndTagOfText(size_t from) const {
    for (size_t lt = html_.find("</", from); lt != std::string_view::npos;
         lt = html_.find("</", lt + 1))
        if (IsEndTagOfText(lt))
            return lt;
    return std::string_view::npos;
}

// The script data states: "<!--" escapes the text, and inside it "<script" escapes it twice,
// so that "</script>" only ends the script where a browser ends it.
size_t HtmlTokenizer::FindEndOfScript(size_t from) const {
    enum { kPlain, kEscaped, kEscapedDash, kEscapedDashDash, kTwice, kTwiceDash, kTwiceDashDash };
    const std::string_view html = html_;
    const size_t n = html.size();
    auto isScript = [&](size_t begin, size_t end) {
        return EqualsIgnoreAsciiCase(html.substr(begin, end - begin), "script");
    };
    int state = kPlain;
    for (size_t i = from; i < n;) {
        const char c = html[i];
        if (state == kPlain) {
            if (c == '<') {
                if (IsEndTagOfText(i))
                    return i;
                if (html.substr(i + 1).starts_with("!--")) {
                    state = kEscapedDashDash;
                    i += 4;
                    continue;
                }
            }
            ++i;
            continue;
        }
        const bool twice = state >= kTwice;
        if (c == '-') {
            state = state == kEscaped || state == kTwice
                        ? state + 1
                        : (twice ? kTwiceDashDash : kEscapedDashDash);
            ++i;
            continue;
        }
        if (c == '>' && (state == kEscapedDashDash || state == kTwiceDashDash)) {
            state = kPlain;
            ++i;
            continue;
        }
        if (c != '<') {
            state = twice ? kTwice : kEscaped;
            ++i;
            continue;
        }
        const char next = i + 1 < n ? html[i + 1] : '\0';
        if (!twice) {
            if (next == '/' && IsEndTagOfText(i))
                return i;
            if (next == '/') {
                state = kEscaped;
                i += 2;
                continue;
            }
            if (IsAsciiLetter(next)) {
                const size_t end = PastLetters(html, i + 1);
                const bool closed = end < n && EndsName(html[end]);
                state = closed && isScript(i + 1, end) ? kTwice : kEscaped;
                i = closed ? end + 1 : end;
                continue;
            }
            state = kEscaped;
            ++i;
            continue;
        }
        state = kTwice;
        if (next != '/') {
            ++i;
            continue;
        }
        const size_t end = PastLetters(html, i + 2);
        const bool closed = end < n && EndsName(html[end]);
        if (closed && isScript(i + 2, end))
            state = kEscaped;
        i = closed ? end + 1 : end;
    }
    return std::string_view::npos;
}

bool HtmlTokenizer::ReadEndOfText(HtmlToken& token) {
    const size_t lt = state_ == State::kScriptData ? FindEndOfScript(at_) : FindEndTagOfText(at_);
    state_ = State::kData;
    if (lt == std::string_view::npos) {
        at_ = html_.size();
        return false;
    }
    return ReadTag(lt, HtmlTokenKind::kEndTag, token);
}

}  // namespace zem::kmcore
