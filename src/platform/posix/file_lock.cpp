#include "platform/file_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/posix/posix_helpers.h"

namespace zem {

FileLock::~FileLock() {
    Release();
}

bool FileLock::CreateLocked(const Text& path) {
    Release();
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    fd_ = open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return posix::FailWithErrno();
    return Lock();
}

bool FileLock::TryLockExisting(const Text& path) {
    Release();
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    // Without blocking: a FIFO or device put in the file's place must not stall the caller.
    fd_ = open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return posix::FailWithErrno();
    struct stat st;
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Release();
        SetLastErrorCode(EINVAL);
        return false;
    }
    return Lock();
}

bool FileLock::Lock() {
    int result;
    do {
        result = flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        return true;
    const int error = errno;
    Release();
    SetLastErrorCode(error);
    return false;
}

void FileLock::Release() {
    if (fd_ >= 0) {
        close(fd_);  // closing the only descriptor drops the lock
        fd_ = -1;
    }
}

}  // namespace zem
