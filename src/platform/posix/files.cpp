#include "platform/files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix_helpers.h"
#include "platform/sqlite_setup.h"

namespace zem {

namespace {

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

// The last component of a path, trailing separators ignored.
std::string_view LastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsAbsolutePath(TextView path) {
    return !path.empty() && path.front() == u'/';
}

size_t FileNameLength(TextView name) {
    return ToFileSystemBytes(name).size();
}

Text GetLongPathName(const Text& path) {
    return path;
}

bool SqliteFileName(TextView path, std::string& name) {
    return posix::ToNativeName(path, name);
}

bool GetFileAttributes(const Text& path, FileAttributes& attributes) {
    std::string native;
    struct stat st, link;
    if (!posix::ToNativeName(path, native))
        return false;
    // The entry itself first: unless it is a link, its status is the one wanted and a second
    // call is saved.
    if (lstat(native.c_str(), &link) != 0)
        return posix::FailWithErrno();
    const bool isLink = S_ISLNK(link.st_mode);
    if (!isLink)
        st = link;
    else if (stat(native.c_str(), &st) != 0)
        return posix::FailWithErrno();
    attributes.isFolder = S_ISDIR(st.st_mode);
    attributes.isRegularFile = S_ISREG(st.st_mode);
    attributes.isHidden = IsHiddenName(LastComponent(native));
    attributes.isSymlink = isLink;
    attributes.size = attributes.isFolder ? 0 : static_cast<uint64_t>(st.st_size);
    attributes.lastWriteTime = st.st_mtime;
    return true;
}

bool ReadRegularFile(const Text& path, std::string& bytes) {
    bytes.clear();
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    const int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return posix::FailWithErrno();
    struct stat st;
    int error = fstat(fd, &st) != 0    ? errno
                : S_ISDIR(st.st_mode)  ? EISDIR
                : !S_ISREG(st.st_mode) ? ENODEV
                                       : 0;
    // As many bytes as the status reports: a file that grows meanwhile is read as it was.
    size_t done = 0;
    if (error == 0) {
        bytes.resize(static_cast<size_t>(st.st_size));
        while (done < bytes.size()) {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                error = got < 0 ? errno : EIO;
                break;
            }
            done += static_cast<size_t>(got);
        }
    }
    close(fd);
    if (error != 0) {
        bytes.clear();
        SetLastErrorCode(error);
        return false;
    }
    return true;
}

bool ResolvePath(const Text& path, Text& resolved) {
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    char* real = realpath(native.c_str(), nullptr);
    if (!real)
        return posix::FailWithErrno();
    resolved = FromFileSystemBytes(real);
    free(real);
    return true;
}

bool GetFileStamp(const Text& path, FileStamp& stamp) {
    std::string native;
    struct stat st;
    if (!posix::ToNativeName(path, native))
        return false;
    if (stat(native.c_str(), &st) != 0)
        return posix::FailWithErrno();
    stamp = posix::StampOf(st);
    return true;
}

bool CreateFolder(const Text& path) {
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    return mkdir(native.c_str(), 0777) == 0 || posix::FailWithErrno();
}

bool CreateFolderAndParents(const Text& path) {
    std::string native;
    return posix::ToNativeName(path, native) && posix::MakeFolders(native, 0777);
}

Text CreateUniqueFolder(const Text& parent, const Text& prefix) {
    std::string native;
    if (!posix::ToNativeName(
            parent + (parent.empty() || parent.back() == u'/' ? u"" : u"/") + prefix + u"XXXXXX",
            native))
        return {};
    if (!mkdtemp(native.data())) {
        posix::FailWithErrno();
        return {};
    }
    return FromFileSystemBytes(native + "/");
}

bool RemoveFolder(const Text& path) {
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    return rmdir(native.c_str()) == 0 || posix::FailWithErrno();
}

bool DeleteFile(const Text& path) {
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    return unlink(native.c_str()) == 0 || posix::FailWithErrno();
}

bool RenameFile(const Text& from, const Text& to) {
    std::string nativeFrom, nativeTo;
    if (!posix::ToNativeName(from, nativeFrom) || !posix::ToNativeName(to, nativeTo))
        return false;
    return rename(nativeFrom.c_str(), nativeTo.c_str()) == 0 || posix::FailWithErrno();
}

bool ExchangeFiles(const Text& first, const Text& second) {
    std::string nativeFirst, nativeSecond;
    if (!posix::ToNativeName(first, nativeFirst) || !posix::ToNativeName(second, nativeSecond))
        return false;
    return renameat2(AT_FDCWD, nativeFirst.c_str(), AT_FDCWD, nativeSecond.c_str(),
                     RENAME_EXCHANGE) == 0 ||
           posix::FailWithErrno();
}

bool ListDirectory(const Text& folder, std::vector<DirectoryEntry>& entries) {
    std::string native;
    if (!posix::ToNativeName(folder, native))
        return false;
    DIR* dir = opendir(native.c_str());
    if (!dir)
        return posix::FailWithErrno();
    const int dirFd = dirfd(dir);
    errno = 0;
    while (const dirent* item = readdir(dir)) {
        DirectoryEntry entry;
        entry.name = FromFileSystemBytes(item->d_name);
        entry.isHidden = IsHiddenName(item->d_name);
        struct stat st;
        if (fstatat(dirFd, item->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.isSymlink = S_ISLNK(st.st_mode);
            // A link is described by the file it points to, but never as a folder: a walk
            // that descends into folders must not leave the tree through a link.
            struct stat target;
            if (entry.isSymlink && fstatat(dirFd, item->d_name, &target, 0) == 0 &&
                !S_ISDIR(target.st_mode))
                st = target;
            entry.isFolder = S_ISDIR(st.st_mode);
            entry.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
            entry.lastWriteTime = st.st_mtime;
        }
        entries.push_back(std::move(entry));
        errno = 0;
    }
    const int error = errno;
    closedir(dir);
    if (error != 0) {
        SetLastErrorCode(error);
        return false;
    }
    return true;
}

bool SetCurrentDirectory(const Text& path) {
    std::string native;
    if (!posix::ToNativeName(path, native))
        return false;
    return chdir(native.c_str()) == 0 || posix::FailWithErrno();
}

Text GetCurrentDirectory() {
    std::string buffer(256, '\0');
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) {
            posix::FailWithErrno();
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(strlen(buffer.c_str()));
    return FromFileSystemBytes(buffer);
}

}  // namespace zem
