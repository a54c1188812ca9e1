#include "platform/atomic_write.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/posix/posix_helpers.h"

namespace zem {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const Text& path, std::string_view bytes, FileSync sync,
                         FileAccess access) {
    const Text temporary = TemporaryFileBeside(path);
    std::string native;
    if (!posix::ToNativeName(temporary, native))
        return false;
    const mode_t mode = access == FileAccess::kOwnerOnly ? 0600 : 0666;
    const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return posix::FailWithErrno();
    // A file left behind under the same name by an earlier process keeps its own mode.
    bool ok = (access == FileAccess::kShared || fchmod(fd, mode) == 0) && WriteAll(fd, bytes) &&
              (sync == FileSync::kNone || fsync(fd) == 0);
    int failure = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok) {
        if (PutFileInPlace(temporary, path))
            return true;
        failure = GetLastErrorCode();
    }
    unlink(native.c_str());
    SetLastErrorCode(failure ? failure : EIO);
    return false;
}

}  // namespace zem
