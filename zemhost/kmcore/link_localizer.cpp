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
        const std::string holderAddress =
            holder.inPage ? pageAddress_
                          : FileAddress(pageFolderPath_ + std::string(holder.folder) + "-");
        if (LinkToCopy(ResolveLink(holderAddress, clean), clean, holder, replacement))
            return true;
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
    const std::string relative = path.substr(pageFolderPath_.size());
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
