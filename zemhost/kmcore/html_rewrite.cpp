#include "html_rewrite.h"

#include <algorithm>

#include "css_references.h"
#include "host_files.h"
#include "html_tokenizer.h"
#include "html_tree_context.h"
#include "link_resolution.h"
#include "srcset.h"

namespace zem::kmcore {

namespace {

constexpr std::string_view kCharsetMeta = "<meta charset=\"utf-8\">";

enum class Reference { kNone, kLink, kSrcset, kCss };

// What an attribute holds that a browser fetches, follows or resolves against the base.
Reference ReferenceOf(const std::string& tag, const std::string& attribute, bool foreign) {
    if (attribute == "style")
        return Reference::kCss;
    if (attribute == "src" || attribute == "href" || attribute == "xlink:href" ||
        attribute == "background" || attribute == "poster" || attribute == "action" ||
        attribute == "formaction" || attribute == "cite" || attribute == "longdesc" ||
        (attribute == "data" && tag == "object"))
        return Reference::kLink;
    if (attribute == "srcset" && !foreign)
        return Reference::kSrcset;
    return Reference::kNone;
}

// A new value for the attribute's place: escaped so that it keeps the attribute's quoting.
std::string AttributeText(std::string_view value, char quote) {
    std::string text;
    text.reserve(value.size());
    for (char c : value) {
        if (c == '&')
            text += "&amp;";
        else if (quote == '"' && c == '"')
            text += "&quot;";
        else if (quote == '\'' && c == '\'')
            text += "&#39;";
        else if (!quote && (IsHtmlSpace(c) || c == '>'))
            text += "&#" + std::to_string(static_cast<int>(c)) + ";";
        else
            text += c;
    }
    return text;
}

struct Edit {
    size_t begin, end;
    std::string text;
};

class PageRewriter {
  public:
    PageRewriter(std::string_view html, LinkLocalizer& links)
        : html_(html), links_(links), tokenizer_(html), tree_(html) {}

    std::string Run();

  private:
    void CopyTo(size_t at) {
        out_.append(html_.substr(copied_, at - copied_));
        copied_ = at;
    }
    void Replace(size_t begin, size_t end, std::string_view text) {
        CopyTo(begin);
        out_ += text;
        copied_ = end;
    }
    LinkLocalizer::Holder InPage() const { return {{}, base_, true}; }

    void StartTag(const HtmlToken& tag);
    void RewriteAttribute(const HtmlAttribute& attribute, Reference reference);
    void TakeBase(const HtmlToken& tag);
    void RewriteStyleText(size_t begin, size_t end);
    bool DeclaresCharset(const HtmlToken& tag) const;

    std::string_view html_;
    LinkLocalizer& links_;
    HtmlTokenizer tokenizer_;
    HtmlTreeContext tree_;
    std::string out_;
    size_t copied_ = 0;  // html_ is in out_ up to here
    bool baseFound_ = false;
    std::string base_;
    size_t styleAt_ = std::string_view::npos;  // the text of a <style> being read
    size_t afterHead_ = std::string::npos, afterHtml_ = std::string::npos, afterDoctype_ = 0;
};

std::string PageRewriter::Run() {
    // Room for links that grow as they are rewritten, so that a large page is not copied
    // while it is built (space reserved and never written costs no memory).
    out_.reserve(html_.size() + html_.size() / 8 + kCharsetMeta.size() + 65536);
    HtmlToken token;
    while (tokenizer_.Next(token)) {
        switch (token.kind) {
            case HtmlTokenKind::kStartTag:
                StartTag(token);
                break;
            case HtmlTokenKind::kEndTag:
                if (styleAt_ != std::string_view::npos) {
                    RewriteStyleText(styleAt_, token.begin);
                    styleAt_ = std::string_view::npos;
                }
                tree_.EndTag(token);
                break;
            case HtmlTokenKind::kDoctype:
                CopyTo(token.end);
                afterDoctype_ = out_.size();
                break;
            default:
                break;
        }
        tokenizer_.AllowCdata(tree_.CdataAllowed());
    }
    if (styleAt_ != std::string_view::npos)  // never closed: its text runs to the end
        RewriteStyleText(styleAt_, html_.size());
    CopyTo(html_.size());
    const size_t metaAt = afterHead_ != std::string::npos   ? afterHead_
                          : afterHtml_ != std::string::npos ? afterHtml_
                                                            : afterDoctype_;
    out_.insert(metaAt, kCharsetMeta);
    return std::move(out_);
}

void PageRewriter::StartTag(const HtmlToken& tag) {
    const HtmlTreeContext::Placement placement = tree_.StartTag(tag);
    if (placement.contentState != HtmlTokenizer::State::kData)
        tokenizer_.SwitchTo(placement.contentState, tag.name);
    if (tag.name == "meta" && DeclaresCharset(tag)) {
        Replace(tag.begin, tag.end, {});
        return;
    }
    // Template content is inert: a browser fetches nothing of it and no <base> in it counts.
    if (!placement.inert) {
        if (tag.name == "base" && !placement.foreign) {
            TakeBase(tag);
        } else {
            for (const HtmlAttribute& attribute : tag.attributes)
                if (attribute.hasValue && !attribute.repeated)
                    RewriteAttribute(attribute,
                                     ReferenceOf(tag.name, attribute.name, placement.foreign));
        }
        if (tag.name == "style" && placement.contentState == HtmlTokenizer::State::kRawText)
            styleAt_ = tag.end;
    }
    if (tag.name == "head" && afterHead_ == std::string::npos) {
        CopyTo(tag.end);
        afterHead_ = out_.size();
    }
    if (tag.name == "html" && afterHtml_ == std::string::npos) {
        CopyTo(tag.end);
        afterHtml_ = out_.size();
    }
}

void PageRewriter::RewriteAttribute(const HtmlAttribute& attribute, Reference reference) {
    if (reference == Reference::kNone)
        return;
    const std::string value = AttributeValue(html_, attribute);
    std::vector<Edit> edits;
    std::string replacement;
    if (reference == Reference::kLink) {
        if (links_.Localize(value, InPage(), replacement))
            edits.push_back({0, value.size(), std::move(replacement)});
    } else if (reference == Reference::kSrcset) {
        for (const auto& [begin, end] : SrcsetLinks(value))
            if (links_.Localize(std::string_view(value).substr(begin, end - begin), InPage(),
                                replacement))
                edits.push_back({begin, end, std::move(replacement)});
    } else {
        for (const CssReference& found : FindCssReferences(value))
            if (links_.Localize(found.link, InPage(), replacement))
                edits.push_back({found.begin, found.end, CssEscapedLink(replacement, found.quote)});
    }
    if (edits.empty())
        return;
    const std::string_view raw =
        html_.substr(attribute.valueBegin, attribute.valueEnd - attribute.valueBegin);
    if (raw == value) {  // each link's bytes are known: only they change
        for (const Edit& edit : edits)
            Replace(attribute.valueBegin + edit.begin, attribute.valueBegin + edit.end,
                    AttributeText(edit.text, attribute.quote));
        return;
    }
    std::string changed;
    size_t kept = 0;
    for (const Edit& edit : edits) {
        changed.append(value, kept, edit.begin - kept);
        changed += edit.text;
        kept = edit.end;
    }
    changed.append(value, kept);
    Replace(attribute.valueBegin, attribute.valueEnd, AttributeText(changed, attribute.quote));
}

// The first <base> with an href gives the address the links after it are resolved against;
// its href, and that of any later <base>, is then removed, since the links are resolved.
void PageRewriter::TakeBase(const HtmlToken& tag) {
    size_t previousEnd = tag.nameEnd;
    for (const HtmlAttribute& attribute : tag.attributes) {
        if (attribute.name == "href") {
            if (!baseFound_) {
                baseFound_ = true;
                base_ =
                    ResolveLink(links_.PageAddress(), CleanLink(AttributeValue(html_, attribute)));
            }
            Replace(previousEnd, attribute.end, {});
        }
        previousEnd = attribute.end;
    }
}

void PageRewriter::RewriteStyleText(size_t begin, size_t end) {
    std::string replacement;
    for (const CssReference& found : FindCssReferences(html_.substr(begin, end - begin)))
        if (links_.Localize(found.link, InPage(), replacement))
            Replace(begin + found.begin, begin + found.end,
                    CssEscapedLink(replacement, found.quote));
}

bool PageRewriter::DeclaresCharset(const HtmlToken& tag) const {
    if (tag.Find("charset"))
        return true;
    const HtmlAttribute* httpEquiv = tag.Find("http-equiv");
    if (!httpEquiv)
        return false;
    std::string value = AttributeValue(html_, *httpEquiv);
    std::erase_if(value, IsHtmlSpace<char>);
    return EqualsIgnoreAsciiCase(value, "content-type");
}

}  // namespace

std::string RewriteHtml(std::string_view html, LinkLocalizer& links) {
    return PageRewriter(html, links).Run();
}

void RewriteStyleSheet(const std::string& relative, LinkLocalizer& links) {
    std::string css;
    if (!ReadRegularFile(links.PageFolder() + FromUtf8(relative), css))
        return;
    const std::string folder = relative.substr(0, relative.rfind('/') + 1);
    const LinkLocalizer::Holder holder{folder, {}, false};
    std::string out, replacement;
    size_t kept = 0;
    for (const CssReference& found : FindCssReferences(css)) {
        if (!links.Localize(found.link, holder, replacement))
            continue;
        // The copies keep the folders around them: a relative link stays true as written.
        const std::string clean = CleanLink(found.link);
        if (!HasScheme(clean) && !clean.starts_with('/') && !clean.starts_with('\\'))
            continue;
        const std::string text = CssEscapedLink(replacement, found.quote);
        if (css.compare(found.begin, found.end - found.begin, text) == 0)
            continue;
        out.append(css, kept, found.begin - kept);
        out += text;
        kept = found.end;
    }
    if (kept == 0)
        return;
    out.append(css, kept);
    // Failing that, the copy keeps the sheet's own links, which may lead nowhere.
    WriteNewOrOverwriteFile(links.FilesFolder() + FromUtf8(relative), out);
}

}  // namespace zem::kmcore
