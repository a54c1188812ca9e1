#include <algorithm>

#include "host_files.h"
#include "html_rewrite.h"
#include "link_resolution.h"

namespace zem::kmcore {

namespace {

bool IsStyleSheet(const std::string& relative) {
    return relative.size() > 4 && (relative.ends_with(".css") || relative.ends_with(".CSS"));
}

// The link from a file in index_files/<folder> to index_files/<relative>.
std::string RelativeLink(std::string_view folder, std::string_view relative) {
    size_t common = 0;  // the length of the folders both share, "/" included
    for (size_t slash = folder.find('/'); slash != std::string_view::npos;
         slash = folder.find('/', slash + 1)) {
        if (relative.substr(0, slash + 1) != folder.substr(0, slash + 1))
            break;
        common = slash + 1;
    }
    std::string link;
    for (size_t i = common; i < folder.size(); ++i)
        if (folder[i] == '/')
            link += "../";
    return link + PercentEncodeLink(relative.substr(common));
}

// The path below the holder's folder that a relative link names when its text needs no
// resolving: no scheme, and none of what resolving or decoding would change ("%20", "\\",
// "." and ".." segments, "//", a leading "/"). Most links of a saved page are so; for them
// this spares building the link's file: address and reading the path back out of it, which
// cost more than the rest of the page's rewriting. Empty for every other link.
std::string_view PlainRelativePath(std::string_view link) {
    const std::string_view path = link.substr(0, std::min(FindFirstOf(link, "?#"), link.size()));
    if (HasScheme(path))
        return {};
    size_t segmentStart = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        const char c = i < path.size() ? path[i] : '/';
        if (c == '%' || c == '\\' || c == '\0')
            return {};
        if (c != '/')
            continue;
        const std::string_view segment = path.substr(segmentStart, i - segmentStart);
        if (segment.empty() || segment == "." || segment == "..")
            return {};
        segmentStart = i + 1;
    }
    return path;
}

}  // namespace

LinkLocalizer::LinkLocalizer(const Text& pageFile, Text filesFolder)
    : pageFolder_(FolderOf(pageFile)),
      filesFolder_(std::move(filesFolder)),
      pageFolderPath_(ToUtf8(pageFolder_)),
      pageAddress_(FileAddress(ToUtf8(pageFile))) {
    std::replace(pageFolderPath_.begin(), pageFolderPath_.end(), '\\', '/');
}

bool LinkLocalizer::Localize(std::string_view link, const Holder& holder,
                             std::string& replacement) {
    const std::string clean = CleanLink(link);
    if (clean.empty())
        return false;
    // "#part" and "?query" name the page itself, never a file to copy.
    if (clean[0] != '#' && clean[0] != '?') {
        if (!holder.base.empty() &&
            LinkToCopy(ResolveLink(holder.base, clean), clean, holder, replacement))
            return true;
        // The note's own files lie beside its page, whatever its base says.
        // (An in-page holder's folder is empty.)
        const std::string_view plain = PlainRelativePath(clean);
        if (!plain.empty()) {
            if (FileToCopy(std::string(holder.folder).append(plain), clean, holder, replacement))
                return true;
        } else {
            const std::string holderAddress =
                holder.inPage ? pageAddress_
                              : FileAddress(pageFolderPath_ + std::string(holder.folder) + "-");
            if (LinkToCopy(ResolveLink(holderAddress, clean), clean, holder, replacement))
                return true;
        }
    }
    // A link that a local base makes local stays as written: where it cannot be copied it
    // leads nowhere either way.
    if (holder.base.empty() || HasScheme(clean) || holder.base.starts_with("file:"))
        return false;
    replacement = ResolveLink(holder.base, clean);
    return !replacement.empty();
}

bool LinkLocalizer::LinkToCopy(const std::string& address, std::string_view link,
                               const Holder& holder, std::string& replacement) {
    std::string path;
    if (!LocalFilePath(address, path) || !path.starts_with(pageFolderPath_) ||
        path.size() == pageFolderPath_.size())
        return false;
    return FileToCopy(path.substr(pageFolderPath_.size()), link, holder, replacement);
}

bool LinkLocalizer::FileToCopy(const std::string& relative, std::string_view link,
                               const Holder& holder, std::string& replacement) {
    if (!Copied(relative))
        return false;
    replacement = holder.inPage ? "index_files/" + PercentEncodeLink(relative)
                                : RelativeLink(holder.folder, relative);
    replacement += LinkSuffix(link);
    return true;
}

bool LinkLocalizer::Copied(const std::string& relative) {
    const auto [entry, first] = copies_.try_emplace(relative, false);
    if (!first)
        return entry->second;
    const Text source = pageFolder_ + FromUtf8(relative);
    if (!IsRegularFile(source))
        return false;
    const Text target = filesFolder_ + FromUtf8(relative);
    entry->second =
        CreateFolderAndParents(FolderOf(target)) && CopyFileAtomically(source, target, nullptr);
    if (!entry->second)
        allCopied_ = false;
    else if (IsStyleSheet(relative))
        styleSheets_.push_back(relative);
    return entry->second;
}

}  // namespace zem::kmcore
