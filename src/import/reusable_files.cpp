#include "import/reusable_files.h"

#include <cstdint>

#include "platform/files.h"
#include "util/paths.h"

namespace zem {

namespace {

// A note's page and pictures are far below this; a large attachment kept as a spare would
// hold its blocks until the run ends.
constexpr int64_t kMaxSpareBytes = 1 << 20;
// More than any note writes in the usual case; the rest are removed as before.
constexpr size_t kMaxSpares = 64;

}  // namespace

ReusableFiles::ReusableFiles(Text spareFolder) : spareFolder_(std::move(spareFolder)) {}

size_t ReusableFiles::SpareCount() const {
    MutexLock lock(mutex_);
    return spares_.size();
}

size_t ReusableFiles::SpareFolderCount() const {
    MutexLock lock(mutex_);
    return spareFolders_.size();
}

void ReusableFiles::Release(const Text& path) {
    MutexLock lock(mutex_);
    FileAttributes attributes;
    const bool keep = spares_.size() < kMaxSpares && GetFileAttributes(path, attributes) &&
                      attributes.isRegularFile && !attributes.isSymlink &&
                      static_cast<int64_t>(attributes.size) <= kMaxSpareBytes;
    if (keep && KeepAsSpare(path, u"", spares_))
        return;
    DeleteFile(path);
}

void ReusableFiles::ReleaseFolder(const Text& folder) {
    MutexLock lock(mutex_);
    if (!IsEmptyFolder(folder))
        return;
    if (spareFolders_.size() < kMaxSpares && KeepAsSpare(folder, u"d", spareFolders_))
        return;
    RemoveFolder(folder);
}

void ReusableFiles::ClaimFolder(const Text& folder) {
    MutexLock lock(mutex_);
    if (spareFolders_.empty() || PathExists(folder) || !PathExists(GetParentFolder(folder)))
        return;
    RenameFile(spareFolders_.back(), folder);
    spareFolders_.pop_back();
}

bool ReusableFiles::KeepAsSpare(const Text& path, TextView prefix, TextList& spares) {
    if (!folderMade_)
        folderMade_ = CreateFolder(spareFolder_) || PathExists(spareFolder_);
    if (!folderMade_)
        return false;
    const Text spare = spareFolder_ + Text(prefix) + IntToText(static_cast<int32_t>(nextName_++));
    if (PathExists(spare) || !RenameFile(path, spare))
        return false;
    spares.push_back(spare);
    return true;
}

void ReusableFiles::Claim(const Text& path) {
    MutexLock lock(mutex_);
    if (spares_.empty() || PathExists(path))
        return;
    // A spare that cannot be moved there is left to the run folder's removal.
    RenameFile(spares_.back(), path);
    spares_.pop_back();
}

}  // namespace zem
