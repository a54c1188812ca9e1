#include "html_tree_context.h"

#include <algorithm>
#include <array>

#include "platform/text.h"

namespace zem::kmcore {

namespace {

using State = HtmlTokenizer::State;

State ContentState(const std::string& name) {
    if (name == "script")
        return State::kScriptData;
    if (name == "title" || name == "textarea")
        return State::kRcdata;
    // <noscript> as a browser with scripts on reads it: as text.
    if (name == "style" || name == "xmp" || name == "iframe" || name == "noembed" ||
        name == "noframes" || name == "noscript")
        return State::kRawText;
    if (name == "plaintext")
        return State::kPlainText;
    return State::kData;
}

// HTML start tags that end SVG and MathML content wherever they appear in it.
bool EndsForeignContent(const HtmlToken& tag) {
    static constexpr std::array<std::string_view, 44> kNames = {
        "b",      "big",  "blockquote", "body",  "br",   "center", "code",    "dd",   "div",
        "dl",     "dt",   "em",         "embed", "h1",   "h2",     "h3",      "h4",   "h5",
        "h6",     "head", "hr",         "i",     "img",  "li",     "listing", "menu", "meta",
        "nobr",   "ol",   "p",          "pre",   "ruby", "s",      "small",   "span", "strong",
        "strike", "sub",  "sup",        "table", "tt",   "u",      "ul",      "var"};
    if (std::find(kNames.begin(), kNames.end(), tag.name) != kNames.end())
        return true;
    return tag.name == "font" && (tag.Find("color") || tag.Find("face") || tag.Find("size"));
}

}  // namespace

bool HtmlTreeContext::IsIntegrationPoint(const HtmlToken& tag, bool svg) const {
    if (svg)
        return tag.name == "foreignobject" || tag.name == "desc" || tag.name == "title";
    if (tag.name == "annotation-xml") {
        const HtmlAttribute* encoding = tag.Find("encoding");
        if (!encoding)
            return false;
        std::string value = AttributeValue(html_, *encoding);
        for (char& c : value)
            c = ToLowerAscii(c);
        return value == "text/html" || value == "application/xhtml+xml";
    }
    return tag.name == "mi" || tag.name == "mo" || tag.name == "mn" || tag.name == "ms" ||
           tag.name == "mtext";
}

void HtmlTreeContext::OpenForeign(const HtmlToken& tag, bool svg) {
    if (!tag.selfClosing)
        foreign_.push_back({tag.name, svg, IsIntegrationPoint(tag, svg)});
}

HtmlTreeContext::Placement HtmlTreeContext::StartTag(const HtmlToken& tag) {
    Placement placement;
    placement.inert = templateDepth_ > 0;
    // In MathML's annotation-xml an <svg> starts SVG as it does in HTML.
    const bool svgInAnnotation =
        tag.name == "svg" && !foreign_.empty() && foreign_.back().name == "annotation-xml";
    if (!ReadsAsHtml() && !svgInAnnotation) {
        if (EndsForeignContent(tag)) {
            while (!ReadsAsHtml())
                foreign_.pop_back();
        } else {
            OpenForeign(tag, foreign_.back().svg);  // the namespace of the element it is in
            placement.foreign = true;
            return placement;
        }
    }
    if (tag.name == "svg" || tag.name == "math") {
        OpenForeign(tag, tag.name == "svg");
        placement.foreign = true;
        return placement;
    }
    if (tag.name == "template")
        ++templateDepth_;
    placement.contentState = ContentState(tag.name);
    return placement;
}

void HtmlTreeContext::EndTag(const HtmlToken& tag) {
    if (!ReadsAsHtml() && (tag.name == "p" || tag.name == "br")) {
        while (!ReadsAsHtml())
            foreign_.pop_back();
        return;
    }
    for (size_t i = foreign_.size(); i-- > 0;) {
        if (foreign_[i].name == tag.name) {
            foreign_.resize(i);
            return;
        }
    }
    if (tag.name == "template" && templateDepth_ > 0)
        --templateDepth_;
}

}  // namespace zem::kmcore
