// What a browser's tree builder decides that matters for the links of a page: the text state
// the tokenizer reads an element's content in, whether a tag lies in template content (inert:
// nothing in it is fetched, no <base> in it counts) and whether it lies in SVG or MathML
// (foreign content: <style> and <script> there hold markup, CDATA sections exist, and <image>
// stays an SVG image instead of becoming <img>).
//
// Foreign content is followed through the names of its open elements, closed by their end
// tags and left at the HTML tags that end it, as a browser leaves it; HTML elements inside an
// integration point (<foreignObject>, <desc>, <title>, MathML's text elements) are not kept.
#pragma once

#include <string>
#include <vector>

#include "html_tokenizer.h"

namespace zem::kmcore {

class HtmlTreeContext {
  public:
    explicit HtmlTreeContext(std::string_view html) : html_(html) {}

    struct Placement {
        bool inert = false;    // inside template content
        bool foreign = false;  // an SVG or MathML element
        HtmlTokenizer::State contentState = HtmlTokenizer::State::kData;
    };

    // Takes a start tag in; where it lies and what state its content is read in.
    Placement StartTag(const HtmlToken& tag);
    void EndTag(const HtmlToken& tag);
    // Whether "<![CDATA[" is a CDATA section at this point.
    bool CdataAllowed() const { return !foreign_.empty(); }

  private:
    struct ForeignElement {
        std::string name;
        bool svg = false;
        bool integrationPoint = false;
    };

    bool ReadsAsHtml() const { return foreign_.empty() || foreign_.back().integrationPoint; }
    void OpenForeign(const HtmlToken& tag, bool svg);
    bool IsIntegrationPoint(const HtmlToken& tag, bool svg) const;

    std::string_view html_;
    std::vector<ForeignElement> foreign_;
    int templateDepth_ = 0;
};

}  // namespace zem::kmcore
