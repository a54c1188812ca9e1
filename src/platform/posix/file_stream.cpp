#include "platform/file_stream.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "platform/files.h"
#include "platform/posix/posix_helpers.h"

namespace zem {

bool FileStream::FailFromRuntime() {
    return posix::FailWithErrno();
}

bool FileStream::SyncToDisk(FILE* file) {
    return fsync(fileno(file)) == 0;
}

bool FileStream::Open(const Text& path, const char* mode) {
    Close();
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    // "c" (commit) is ours to handle; "t" (text mode) means nothing here; "e" keeps the
    // descriptor out of child processes.
    std::string cmode;
    bool commit = false;
    for (const char* p = mode ? mode : ""; *p; ++p) {
        if (*p == 'c')
            commit = true;
        else if (*p != 't' && *p != 'n' && *p != 'N')
            cmode += *p;
    }
    if (cmode.empty() || (cmode[0] != 'r' && cmode[0] != 'w' && cmode[0] != 'a')) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    cmode += 'e';
    file_ = fopen(native.c_str(), cmode.c_str());
    if (!file_)
        return posix::FailWithErrno();
    commit_ = commit;
    return true;
}

bool FileStream::OpenAlways(const Text& path) {
    Close();
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return posix::FailWithErrno();
    file_ = fdopen(fd, "wb");  // fdopen never truncates
    if (!file_) {
        const int error = errno;
        close(fd);
        SetLastErrorCode(error);
        return false;
    }
    commit_ = false;
    return true;
}

bool FileStream::OpenExistingSoleFile(const Text& path) {
    Close();
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    const int fd = open(native.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return posix::FailWithErrno();
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode) || st.st_nlink != 1)
        error = EPERM;
    return Adopt(fd, error, "wb");
}

bool FileStream::OpenRegularFile(const Text& path) {
    Close();
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    // Checked before opening, so that no device is opened at all; opened without waiting and
    // checked again on the open file, in case the name was replaced in between.
    auto refusal = [](const struct stat& st) {
        return S_ISREG(st.st_mode) ? 0 : S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
    };
    struct stat st;
    if (stat(native.c_str(), &st) != 0)
        return posix::FailWithErrno();
    if (const int error = refusal(st)) {
        SetLastErrorCode(error);
        return false;
    }
    const int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return posix::FailWithErrno();
    int error = fstat(fd, &st) != 0 ? errno : refusal(st);
    if (error == 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    return Adopt(fd, error, "rb");
}

bool FileStream::Adopt(int fd, int error, const char* mode) {
    if (error == 0 && !(file_ = fdopen(fd, mode)))
        error = errno;
    if (error != 0) {
        close(fd);
        SetLastErrorCode(error);
        return false;
    }
    commit_ = false;
    return true;
}

bool FileStream::Seek(int64_t offset, int origin) {
    if (!CheckOpen())
        return false;
    return fseeko(file_, static_cast<off_t>(offset), origin) == 0 || posix::FailWithErrno();
}

int64_t FileStream::Tell() {
    if (!CheckOpen())
        return -1;
    const off_t position = ftello(file_);
    if (position < 0)
        posix::FailWithErrno();
    return position;
}

int64_t FileStream::CopyFrom(FileStream& source, int64_t count) {
    if (!CheckOpen() || !source.CheckOpen())
        return 0;
    // Whatever either stream holds in its buffer is settled first; the copy then works on the
    // descriptors at the streams' positions, and the streams are moved past it at the end.
    if (fflush(file_) != 0) {
        posix::FailWithErrno();
        return 0;
    }
    off_t from = ftello(source.file_);
    off_t to = ftello(file_);
    if (from < 0 || to < 0) {
        posix::FailWithErrno();
        return 0;
    }
    int64_t copied = 0;
    bool inKernel = true;
    while (copied < count && inKernel) {
        const auto chunk = static_cast<size_t>(std::min<int64_t>(count - copied, 1 << 30));
        const ssize_t done =
            copy_file_range(fileno(source.file_), &from, fileno(file_), &to, chunk, 0);
        if (done > 0) {
            copied += done;
        } else if (done == 0) {
            break;
        } else if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                   errno == EBADF) {
            inKernel = false;  // not between these files: the buffer below does the rest
        } else {
            posix::FailWithErrno();
            count = copied;
        }
    }
    if (fseeko(source.file_, from, SEEK_SET) != 0 || fseeko(file_, to, SEEK_SET) != 0) {
        posix::FailWithErrno();
        return copied;
    }
    if (copied < count && !inKernel)
        copied += CopyThroughBuffer(source, count - copied);
    return copied;
}

int64_t FileStream::Size() {
    if (!CheckOpen())
        return -1;
    struct stat st;
    // Buffered writes count: the size is what the file holds once they reach it.
    if (fflush(file_) != 0 || fstat(fileno(file_), &st) != 0) {
        posix::FailWithErrno();
        return -1;
    }
    return st.st_size;
}

bool FileStream::SetSize(int64_t size) {
    if (!CheckOpen())
        return false;
    if (fflush(file_) != 0 || ftruncate(fileno(file_), static_cast<off_t>(size)) != 0)
        return posix::FailWithErrno();
    return true;
}

}  // namespace zem
