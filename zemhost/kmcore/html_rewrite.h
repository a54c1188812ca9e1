// The pieces of the HTML import: decoding the page, finding and rewriting its local links.
// Pages are handled as UTF-8 bytes once decoded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace zem::kmcore {

// The bytes of an HTML file, in whatever encoding it was saved, as UTF-8: a byte-order mark,
// UTF-16 without a mark, a <meta> charset declaration, else UTF-8 when the bytes are valid
// UTF-8, else the user's ANSI code page. UTF-8 bytes come back in the string given.
std::string DecodeHtmlBytes(std::string bytes);

// Decides which links name local files inside the page's folder and collects those files.
class LinkLocalizer {
  public:
    // `pageFolder` ends with "/"; the copies are linked as "index_files/<relative path>".
    explicit LinkLocalizer(Text pageFolder) : pageFolder_(std::move(pageFolder)) {}

    // When `link` (as written in the page, entities already decoded) is a relative link to
    // an existing file inside the page folder, records the file and gives the link to its
    // copy. `from` is the relative folder ("" or "css/") of the file holding the link.
    bool Localize(std::string_view link, std::string_view from, std::string& localLink);

    // The relative paths (UTF-8, "/"-separated) of the files to copy, in the order found.
    const std::vector<std::string>& Files() const { return files_; }
    const Text& PageFolder() const { return pageFolder_; }

  private:
    Text pageFolder_;
    std::vector<std::string> files_;
};

// The page with its links to local files rewritten, every charset declaration removed and
// <meta charset="utf-8"> put at the start of its head.
std::string RewriteHtml(std::string_view html, LinkLocalizer& links);

// CSS text with its url(...) links to local files rewritten; `from` as for Localize.
std::string RewriteCss(std::string_view css, LinkLocalizer& links, std::string_view from);

}  // namespace zem::kmcore
