// A file's stamp: what shows that it is unchanged since it was read.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace zem {

// What shows that a file is unchanged since it was read: its modification time to the
// nanosecond, its size and its identity. A file changed less than two seconds before the
// stamp was taken could change again within the file system's clock granularity and keep
// the same stamp; such a stamp is not settled, and a cache must not rely on it.
struct FileStamp {
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    uint64_t size = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
    bool settled = false;
};
// False (and last error set) when nothing is at the path.
bool GetFileStamp(const Text& path, FileStamp& stamp);
// True when `earlier` is settled and `now` is a stamp of the same, unchanged file.
bool IsSameUnchangedFile(const FileStamp& earlier, const FileStamp& now);

}  // namespace zem
