// The engine's page import: decoding, the tokenizer and tree context, link resolution and the
// rewriter, run as UpdateFromHtmlFile runs them (ImportHtmlFile), on a page in a scratch
// folder beside a few files it may link. Promises checked: the import succeeds and writes
// valid UTF-8 declaring itself so; the page differs from the same page rewritten with none
// of its files present only where a link to a copied file stands (so nothing but references
// changed); every copy in index_files/ is its source byte for byte (style sheets may have
// their own links rewritten); the page's folder is left as it was and nothing is written
// anywhere else.
#include <filesystem>
#include <map>
#include <vector>

#include "fuzz_support.h"
#include "html_import.h"
#include "html_rewrite.h"

namespace zem::fuzz {
namespace {

namespace fs = std::filesystem;

// Files beside the page, below its folder, that the page may link.
const std::map<std::string, std::string> kFiles = {
    {"F1.png", "png bytes"},
    {"s/F2.gif", "gif bytes"},
    {"a b.png", "spaced"},
    {"st.css", "body { background: url(F1.png) } @import 's/F3.css';"},
    {"s/F3.css", "p { background: url(\"../a b.png\") }"},
};

std::map<std::string, std::string> FilesBelow(const std::string& folder) {
    std::map<std::string, std::string> files;
    if (!fs::is_directory(folder))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string().substr(folder.size())] = ReadFile(entry.path().string());
    return files;
}

// Where in `page` a link to a copied file starts and ends: "index_files/<path>" and what the
// rewriter wrote with it.
std::vector<std::pair<size_t, size_t>> CopiedLinks(const std::string& page) {
    std::vector<std::string> copied{"page.htm"};  // a page may link itself
    for (const auto& [relative, bytes] : kFiles)
        copied.push_back(relative);
    std::vector<std::pair<size_t, size_t>> links;
    for (size_t at = page.find("index_files/"); at != std::string::npos;
         at = page.find("index_files/",
                        links.empty() ? at + 1 : std::max(at + 1, links.back().second))) {
        for (const std::string& relative : copied) {
            const std::string link = "index_files/" + PercentEncodeLink(relative);
            if (page.compare(at, link.size(), link) != 0)
                continue;
            size_t end = at + link.size();
            // A link that fills a quoted value (or CSS string) runs to the closing quote: the
            // rewriter writes the whole value, white space around the link dropped, and
            // escapes that quote inside. Else a "#..." or "?..." may follow it.
            if (at > 0 && (page[at - 1] == '"' || page[at - 1] == '\''))
                end = std::min(page.find(page[at - 1], end), page.size());
            else if (end < page.size() && (page[end] == '#' || page[end] == '?'))
                end = std::min(page.find_first_of("\"' \t\n\f\r>),", end), page.size());
            links.emplace_back(at, end);
            break;
        }
    }
    return links;
}

// `page` is `unlinked` with some non-empty stretches of it replaced by the copied links:
// the text between the links is found in order.
bool DiffersOnlyInLinks(const std::string& page, const std::string& unlinked) {
    const auto links = CopiedLinks(page);
    if (links.empty())
        return page == unlinked;
    size_t from = 0, done = 0;  // page[done...] and unlinked[from...] still to match
    for (size_t i = 0; i <= links.size(); ++i) {
        const size_t end = i < links.size() ? links[i].first : page.size();
        const std::string_view piece = std::string_view(page).substr(done, end - done);
        if (i == 0) {
            if (!unlinked.starts_with(piece))
                return false;
            from = piece.size();
        } else if (i == links.size()) {
            if (unlinked.size() < from + 1 + piece.size() || !unlinked.ends_with(piece))
                return false;
        } else {
            const size_t found = unlinked.find(piece, from + 1);
            if (found == std::string::npos)
                return false;
            from = found + piece.size();
        }
        if (i < links.size())
            done = links[i].second;
    }
    return true;
}

void CheckCopies(const std::string& content) {
    for (const auto& [relative, bytes] : FilesBelow(content + "index_files/")) {
        const auto source = kFiles.find(relative);
        Check(source != kFiles.end() || relative == "page.htm",
              "index_files/ holds only copies of the page's files", relative);
        if (source != kFiles.end() && !relative.ends_with(".css"))
            Check(bytes == source->second, "a copy is its source byte for byte", relative);
    }
    for (const auto& entry : fs::directory_iterator(content))
        Check(entry.path().filename() == "index.html" || entry.path().filename() == "index_files",
              "the content folder holds the page and its files alone", entry.path().string());
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem;
    using namespace zem::fuzz;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string pageFolder = FreshFolder("page");
    const std::string content = FreshFolder("content");
    const std::string page = pageFolder + "page.htm";
    WriteFile(page, bytes);

    // The page rewritten while none of its files is there: links stay as they are.
    kmcore::LinkLocalizer none(PathText(page), PathText(content + "unused/"));
    // (A link to the page itself is copied even then: the page is there.)
    const std::string unlinked = kmcore::RewriteHtml(kmcore::DecodeHtmlBytes(bytes), none);
    fs::remove_all(content + "unused");

    for (const auto& [relative, fileBytes] : kFiles) {
        fs::create_directories(fs::path(pageFolder + relative).parent_path());
        WriteFile(pageFolder + relative, fileBytes);
    }
    const auto before = FilesBelow(pageFolder);
    Check(kmcore::ImportHtmlFile(PathText(page), PathText(content)),
          "a page whose files are all there imports whole");
    const std::string written = ReadFile(content + "index.html");
    Check(IsValidUtf8(written), "the stored page is UTF-8");
    Check(written.find("<meta charset=\"utf-8\">") != std::string::npos,
          "the stored page declares UTF-8");
    // An attribute value holding a character reference or a NUL is written whole once a link
    // in it changes (its text decoded, NUL as U+FFFD, and escaped again): the same value to a
    // browser, other bytes. Pages without either are compared byte for byte.
    if (unlinked.find_first_of(std::string_view("&\0", 2)) == std::string::npos)
        Check(DiffersOnlyInLinks(written, unlinked), "only links to copied files changed",
              written + "\n----- with no files:\n" + unlinked);
    Check(FilesBelow(pageFolder) == before, "the page's folder is left as it was");
    CheckCopies(content);
    Check(fs::directory_iterator(ScratchRoot()) != fs::directory_iterator() &&
              std::distance(fs::directory_iterator(ScratchRoot()), fs::directory_iterator()) == 2,
          "nothing is written beside the page's and the content's folders");
    return 0;
}
