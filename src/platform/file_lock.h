// A lock on a file (flock on Linux, LockFileEx on one byte past the content on Windows), by which a
// process shows that it is alive and still using something: the system drops the lock when the
// process ends, however it ends, so a lock that can be taken belongs to nobody. The object owns its
// open file and holds the lock until Release or destruction. Locks are advisory: they bind only
// processes that ask. One thread at a time; not copyable.
#pragma once

#include "platform/text.h"

namespace zem {

class FileLock {
  public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates the file, which must not exist yet, and locks it. False (last error set) when
    // the file exists or cannot be made.
    bool CreateLocked(const Text& path);
    // Locks an existing file when no process holds it. False (last error set) when it is
    // missing, is not a regular file, or is held (last error kind kLocked).
    bool TryLockExisting(const Text& path);
    bool IsHeld() const { return fd_ >= 0; }
    // Drops the lock and closes the file; the file stays.
    void Release();

  private:
    bool Lock();

    int fd_ = -1;
};

}  // namespace zem
