// The pieces of the HTML import: decoding the page, finding its links and rewriting those
// that name local files. Pages are handled as UTF-8 bytes once decoded.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text.h"

namespace zem::kmcore {

// The bytes of an HTML file, in whatever encoding it was saved, as UTF-8: a byte-order mark,
// UTF-16 without a mark, a <meta> charset declaration, else UTF-8 when the bytes are valid
// UTF-8, else the user's ANSI code page. UTF-8 bytes come back in the string given.
std::string DecodeHtmlBytes(std::string bytes);

// Decides what each link of a page becomes. A link to an existing file inside the page's
// folder (relative, absolute or file:) is copied at once into the files folder, which the
// page links as "index_files/", keeping its path below the page's folder; each file is copied
// once however often it is linked. A link that cannot be copied stays as it is.
class LinkLocalizer {
  public:
    // Where a link is written: in the page, where `base` is the address its <base> gives
    // (empty without one), or in a copied style sheet at index_files/<folder>.
    struct Holder {
        std::string_view folder;
        std::string_view base;
        bool inPage = true;
    };

    // `pageFile` is the page's absolute path, `filesFolder` (ending with "/") the folder the
    // copies go to.
    LinkLocalizer(const Text& pageFile, Text filesFolder);

    // The text that replaces `link` (as a browser reads it: entities and escapes decoded),
    // or false when it stays. Besides copied files: under a <base> that names no local
    // folder, other relative links are made absolute against it, since the page no longer
    // has the base.
    bool Localize(std::string_view link, const Holder& holder, std::string& replacement);

    // False when a local file that a link names could not be copied.
    bool AllCopied() const { return allCopied_; }
    // The paths (below the page's folder, "/"-separated) of the style sheets copied so far.
    const std::vector<std::string>& StyleSheets() const { return styleSheets_; }
    const std::string& PageAddress() const { return pageAddress_; }
    const Text& PageFolder() const { return pageFolder_; }
    const Text& FilesFolder() const { return filesFolder_; }

  private:
    bool LinkToCopy(const std::string& address, std::string_view link, const Holder& holder,
                    std::string& replacement);
    // As LinkToCopy, for the file at `relative` below the page's folder.
    bool FileToCopy(const std::string& relative, std::string_view link, const Holder& holder,
                    std::string& replacement);
    bool Copied(const std::string& relative);

    Text pageFolder_, filesFolder_;
    std::string pageFolderPath_;  // UTF-8
    std::string pageAddress_;
    std::unordered_map<std::string, bool> copies_;  // relative path: copied
    std::vector<std::string> styleSheets_;
    bool allCopied_ = true;
};

// The page with its links rewritten as `links` decides, every charset declaration removed
// and <meta charset="utf-8"> put at the start of its head; all else byte for byte. A <base>
// loses its href: the links it changed were resolved here.
std::string RewriteHtml(std::string_view html, LinkLocalizer& links);

// Makes the copy of the style sheet at `relative` (below the page's folder) link the copies
// of the files it names; a copy that needs no change stays as copied.
void RewriteStyleSheet(const std::string& relative, LinkLocalizer& links);

}  // namespace zem::kmcore
