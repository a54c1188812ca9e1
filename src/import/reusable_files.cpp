#include "import/reusable_files.h"

#include <cstdint>

#include "platform/files.h"

namespace zem {

namespace {

// A note's page and pictures are far below this; a large attachment kept as a spare would
// hold its blocks until the run ends.
constexpr int64_t kMaxSpareBytes = 1 << 20;
// More than any note writes in the usual case; the rest are removed as before.
constexpr size_t kMaxSpares = 64;

}  // namespace

ReusableFiles::ReusableFiles(Text spareFolder) : spareFolder_(std::move(spareFolder)) {}

void ReusableFiles::Release(const Text& path) {
    FileAttributes attributes;
    const bool keep = spares_.size() < kMaxSpares && GetFileAttributes(path, attributes) &&
                      attributes.isRegularFile && !attributes.isSymlink &&
                      static_cast<int64_t>(attributes.size) <= kMaxSpareBytes;
    if (keep && !folderMade_)
        folderMade_ = CreateFolder(spareFolder_) || PathExists(spareFolder_);
    if (keep && folderMade_) {
        const Text spare = spareFolder_ + IntToText(static_cast<int32_t>(nextName_++));
        if (!PathExists(spare) && RenameFile(path, spare)) {
            spares_.push_back(spare);
            return;
        }
    }
    DeleteFile(path);
}

void ReusableFiles::Claim(const Text& path) {
    if (spares_.empty() || PathExists(path))
        return;
    // A spare that cannot be moved there is left to the run folder's removal.
    RenameFile(spares_.back(), path);
    spares_.pop_back();
}

}  // namespace zem
