// Working files a run has finished with, kept to be written over by later notes instead of
// removed.
//
// On ext4 a removed file's inode is not handed out again for a minute or more, and every
// file created meanwhile steps over it: a run that removed each note's page and resource
// copies made every later note slower, the more so the longer it ran (docs/PERFORMANCE.md,
// "Storage speed-ups"). A finished file is instead renamed into the spare folder, and
// the next file the run needs is a spare renamed to its name and written over in place.
// Renames free no inode. Large files are removed rather than kept, so that spares never
// hold much of the disk.
//
// Owned by the run's working files; user-interface thread only.
#pragma once

#include <cstddef>

#include "util/text_helpers.h"

namespace zem {

class ReusableFiles {
  public:
    // Spares wait in `spareFolder` (ending with "/"), made on first use; its removal is the
    // owner's.
    explicit ReusableFiles(Text spareFolder);

    // Gives up `path`, a regular file the run wrote: kept as a spare, or removed when it is
    // large, when enough spares wait, or when it cannot be moved.
    void Release(const Text& path);
    // Puts a spare at `path` when one waits and nothing is at `path`; the caller then
    // writes over it in place. Nothing happens otherwise, and the caller creates the file.
    void Claim(const Text& path);

    size_t SpareCount() const { return spares_.size(); }

  private:
    Text spareFolder_;
    bool folderMade_ = false;
    size_t nextName_ = 0;
    TextList spares_;
};

}  // namespace zem
