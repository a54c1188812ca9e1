// Working files a run has finished with, kept to be written over by later notes instead of
// removed.
//
// On ext4 a removed file's inode is not handed out again for a minute or more, and every
// file created meanwhile steps over it: a run that removed each note's page and resource
// copies made every later note slower, the more so the longer it ran (docs/PERFORMANCE.md,
// "Storage speed-ups"). A finished file is instead renamed into the spare folder, and
// the next file the run needs is a spare renamed to its name and written over in place.
// Renames free no inode. Large files are removed rather than kept, so that spares never
// hold much of the disk. The folders a note's copies lie in (a folder per note, in many
// accounts) are kept the same way, empty, and renamed to the next note's folder; without
// that the notes folder also gathered one empty folder per note until the run ended.
//
// Owned by the run's working files. Any thread: the calls take turns (a note's files are
// claimed while it is prepared ahead, and given up by the thread that imported it).
#pragma once

#include <cstddef>

#include "platform/thread_annotations.h"
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
    // Gives up `folder` (ending with "/"), a folder the run made for a note's files, once
    // they are given up: kept as a spare when it is empty, else left where it is.
    void ReleaseFolder(const Text& folder);
    // Puts a spare folder at `folder` (ending with "/") when one waits, nothing is there and
    // its parent exists. Nothing happens otherwise, and the caller makes the folder.
    void ClaimFolder(const Text& folder);

    size_t SpareCount() const;
    size_t SpareFolderCount() const;

  private:
    // Renames `path` into the spare folder as `prefix` and a number, and adds it to
    // `spares`; false when it could not.
    bool KeepAsSpare(const Text& path, TextView prefix, TextList& spares) ZEM_REQUIRES(mutex_);

    mutable Mutex mutex_;
    const Text spareFolder_;
    bool folderMade_ ZEM_GUARDED_BY(mutex_) = false;
    size_t nextName_ ZEM_GUARDED_BY(mutex_) = 0;
    TextList spares_ ZEM_GUARDED_BY(mutex_);
    TextList spareFolders_ ZEM_GUARDED_BY(mutex_);
};

}  // namespace zem
