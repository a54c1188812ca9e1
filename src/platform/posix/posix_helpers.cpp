#include "platform/posix/posix_helpers.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace zem::posix {

bool ToNativeName(TextView path, std::string& native) {
    if (path.find(u'\0') != TextView::npos) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    native = ToFileSystemBytes(path);
    return true;
}

namespace {

bool IsFolderNow(const std::string& native) {
    struct stat st;
    if (stat(native.c_str(), &st) != 0)
        return FailWithErrno();
    if (S_ISDIR(st.st_mode))
        return true;
    SetLastErrorCode(ENOTDIR);
    return false;
}

// Makes the folder, first its missing parents when it has none: only the missing end of
// the path is made, from the deepest folder that exists.
bool MakeFolderAndParents(std::string_view folder, mode_t mode) {
    const std::string native(folder);
    if (mkdir(native.c_str(), mode) == 0)
        return true;
    if (errno == EEXIST)
        return IsFolderNow(native);
    if (errno != ENOENT)
        return FailWithErrno();
    const size_t slash = folder.find_last_of('/');
    if (slash == std::string_view::npos || slash == 0)
        return FailWithErrno();  // a missing first folder of a relative path, or of the root
    std::string_view parent = folder.substr(0, slash);
    while (parent.size() > 1 && parent.back() == '/')
        parent.remove_suffix(1);
    if (!MakeFolderAndParents(parent, mode))
        return false;
    return mkdir(native.c_str(), mode) == 0 || (errno == EEXIST && IsFolderNow(native)) ||
           FailWithErrno();
}

}  // namespace

bool MakeFolders(const std::string& native, mode_t mode) {
    if (native.empty())
        return false;
    struct stat st;
    if (stat(native.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        SetLastErrorCode(ENOTDIR);
        return false;
    }
    std::string_view folder = native;
    while (folder.size() > 1 && folder.back() == '/')
        folder.remove_suffix(1);
    return MakeFolderAndParents(folder, mode);
}

bool ReadWholeFile(const std::string& native, std::string& bytes) {
    bytes.clear();
    const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FailWithErrno();
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            close(fd);
            SetLastErrorCode(error);
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return true;
}

FileStamp StampOf(const struct stat& st) {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    FileStamp stamp;
    stamp.modifiedSeconds = st.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = st.st_mtim.tv_nsec;
    stamp.size = static_cast<uint64_t>(st.st_size);
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.settled = now.tv_sec - st.st_mtim.tv_sec >= 2;
    return stamp;
}

bool FailWithErrno() {
    SetLastErrorCode(errno);
    return false;
}

}  // namespace zem::posix
