#include "platform/files.h"

#include <string>

namespace zem {

Text ToNativeSeparators(TextView path) {
    Text native(path);
    for (char16_t& c : native)
        if (c == u'/')
            c = kPathSeparator;
    return native;
}

size_t LastPathSeparator(TextView path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsPathSeparator(path[i - 1]))
            return i - 1;
    return TextView::npos;
}

bool PathExists(const Text& path) {
    FileStamp stamp;
    return GetFileStamp(path, stamp);
}

bool IsSameUnchangedFile(const FileStamp& earlier, const FileStamp& now) {
    return earlier.settled && earlier.modifiedSeconds == now.modifiedSeconds &&
           earlier.modifiedNanoseconds == now.modifiedNanoseconds && earlier.size == now.size &&
           earlier.device == now.device && earlier.inode == now.inode;
}

}  // namespace zem
