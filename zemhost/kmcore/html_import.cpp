#include "html_import.h"

#include "host_files.h"
#include "html_rewrite.h"

namespace zem::kmcore {

namespace {

bool IsStyleSheet(const std::string& relative) {
    return relative.size() > 4 && (relative.ends_with(".css") || relative.ends_with(".CSS"));
}

std::string FolderPart(const std::string& relative) {
    const size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash + 1);
}

}  // namespace

bool ImportHtmlFile(const Text& htmlFile, const Text& contentFolder) {
    std::string bytes;
    const Text page = AbsolutePath(htmlFile);
    if (!ReadRegularFile(page, bytes))
        return false;
    LinkLocalizer links(FolderOf(page));
    // One statement each, so that the file's bytes are gone before the page is rewritten
    // and the decoded page before it is written: a note's page can be large.
    std::string decoded = DecodeHtmlBytes(std::move(bytes));
    const std::string html = RewriteHtml(decoded, links);
    std::string().swap(decoded);

    // Style sheets are copied with the folders around them kept, so their own relative
    // links stay true once the files they name are copied as well; the list grows as
    // style sheets are read.
    const Text filesFolder = contentFolder + u"index_files/";
    bool allCopied = true;
    for (size_t i = 0; i < links.Files().size(); ++i) {
        const std::string relative = links.Files()[i];
        const Text source = links.PageFolder() + FromUtf8(relative);
        const Text target = filesFolder + FromUtf8(relative);
        if (!CreateFolderTree(FolderOf(target)) || !CopyFileAtomically(source, target, nullptr)) {
            allCopied = false;
            continue;
        }
        std::string css;
        if (IsStyleSheet(relative) && ReadRegularFile(source, css))
            RewriteCss(css, links, FolderPart(relative));
    }
    // The page is written even when a linked file could not be copied: the text is worth
    // keeping, and the caller still learns that the content is incomplete.
    if (!CreateFolderTree(contentFolder) ||
        !WriteFileFillingEmpty(contentFolder + u"index.html", html))
        return false;
    return allCopied;
}

}  // namespace zem::kmcore
