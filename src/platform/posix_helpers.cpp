#include "platform/posix_helpers.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/files.h"

namespace zem::posix {

bool ToNativeName(TextView path, std::string& native) {
    if (path.find(u'\0') != TextView::npos) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    native = ToFileSystemBytes(path);
    return true;
}

bool MakeFolders(const std::string& native, mode_t mode) {
    struct stat st;
    if (native.empty())
        return false;
    if (stat(native.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        SetLastErrorCode(ENOTDIR);
        return false;
    }
    // Each prefix ending before a "/" is a folder to make; the root itself never is.
    for (size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
        const std::string prefix = native.substr(0, slash);
        if (!prefix.empty() && prefix.back() != '/' && mkdir(prefix.c_str(), mode) != 0 &&
            errno != EEXIST)
            return FailWithErrno();
        if (slash == std::string::npos)
            break;
    }
    if (stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    SetLastErrorCode(ENOTDIR);
    return false;
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
