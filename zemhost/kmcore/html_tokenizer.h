// Splits an HTML page into the tokens a browser's tokenizer makes of it, in one pass over its
// UTF-8 bytes: start and end tags with their attributes, comments, doctypes and CDATA
// sections. Text is what lies between two tokens and is not reported. Every token carries the
// bytes it came from, and every attribute the bytes of its value as written, so that a caller
// can replace exactly those bytes and keep the rest.
//
// Which text state follows a start tag (the content of script, style, title...) is decided by
// a browser's tree builder, not its tokenizer: the caller makes that decision and tells it
// with SwitchTo, as the tree builder does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zem::kmcore {

struct HtmlAttribute {
    std::string name;                     // lower case (A-Z only), U+0000 as U+FFFD
    size_t begin = 0;                     // where the name starts
    size_t valueBegin = 0, valueEnd = 0;  // the value as written, its quotes left out
    size_t end = 0;                       // after the closing quote, the value or the name
    char quote = 0;                       // '"' or '\'' when the value was quoted
    bool hasValue = false;
    bool repeated = false;  // an earlier attribute of the tag has this name: a browser drops it
};

enum class HtmlTokenKind { kStartTag, kEndTag, kComment, kDoctype, kCdata };

struct HtmlToken {
    HtmlTokenKind kind = HtmlTokenKind::kStartTag;
    size_t begin = 0, end = 0;  // from "<" to just after the closing ">"
    size_t nameEnd = 0;         // tags: just after the name
    std::string name;           // tags: lower case (A-Z only), U+0000 as U+FFFD
    std::vector<HtmlAttribute> attributes;
    bool selfClosing = false;

    // The attribute a browser keeps under this name, or null.
    const HtmlAttribute* Find(std::string_view attributeName) const;
};

// The value of an attribute as a browser reads it: character references decoded, U+0000 as
// U+FFFD; empty for an attribute without value.
std::string AttributeValue(std::string_view html, const HtmlAttribute& attribute);

class HtmlTokenizer {
  public:
    enum class State { kData, kRcdata, kRawText, kScriptData, kPlainText, kCdataSection };

    explicit HtmlTokenizer(std::string_view html) : html_(html) {}

    // The state the bytes from the current position are read in; the text states end at the
    // end tag named `endTagName` (their "appropriate" end tag).
    void SwitchTo(State state, std::string_view endTagName);
    // Whether "<![CDATA[" opens a CDATA section (inside SVG and MathML) or is a bogus comment.
    void AllowCdata(bool allowed) { cdataAllowed_ = allowed; }

    // The next token, or false when only text (or a tag cut off by the end) remains.
    bool Next(HtmlToken& token);

  private:
    bool NextInData(HtmlToken& token);
    bool ReadTag(size_t at, HtmlTokenKind kind, HtmlToken& token);
    bool IsEndTagOfText(size_t at) const;
    size_t FindEndTagOfText(size_t from) const;
    size_t FindEndOfScript(size_t from) const;
    bool ReadEndOfText(HtmlToken& token);

    std::string_view html_;
    size_t at_ = 0;
    State state_ = State::kData;
    std::string endTagName_;
    bool cdataAllowed_ = false;
};

}  // namespace zem::kmcore
