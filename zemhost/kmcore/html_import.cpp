#include "html_import.h"

#include "host_files.h"
#include "html_rewrite.h"

namespace zem::kmcore {

bool ImportHtmlFile(const Text& htmlFile, const Text& contentFolder) {
    std::string bytes;
    const Text page = AbsolutePath(htmlFile);
    if (!ReadRegularFile(page, bytes))
        return false;
    LinkLocalizer links(page, contentFolder + u"index_files/");
    // One statement each, so that the file's bytes are gone before the page is rewritten
    // and the decoded page before it is written: a note's page can be large.
    std::string decoded = DecodeHtmlBytes(std::move(bytes));
    const std::string html = RewriteHtml(decoded, links);
    std::string().swap(decoded);
    // The list grows as style sheets name others.
    for (size_t i = 0; i < links.StyleSheets().size(); ++i)
        RewriteStyleSheet(std::string(links.StyleSheets()[i]), links);
    // The page is written even when a linked file could not be copied: the text is worth
    // keeping, and the caller still learns that the content is incomplete.
    if (!CreateFolderAndParents(contentFolder) ||
        !WriteFileFillingEmpty(contentFolder + u"index.html", html))
        return false;
    return links.AllCopied();
}

}  // namespace zem::kmcore
