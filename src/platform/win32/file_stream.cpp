#include "platform/file_stream.h"

#include <fcntl.h>
#include <io.h>

#include <string>

#include "platform/files.h"
#include "platform/win32/windows_api.h"

// The stream is the C runtime's FILE over a handle opened with CreateFileW: the wide name and
// the sharing the program needs (every other process may read, write, rename and delete, as
// on Linux) come from the system call, the buffering from the runtime. Offsets and sizes
// are 64-bit throughout (_fseeki64, _ftelli64, GetFileSizeEx), so files past 4 GiB work.

namespace zem {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE HandleOf(FILE* file) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

// A C runtime descriptor over `file`, which it then owns; -1 (handle closed) on failure.
int DescriptorOf(HANDLE file, int flags) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        SetLastErrorCode(ERROR_TOO_MANY_OPEN_FILES);
    }
    return fd;
}

}  // namespace

// The runtime's failures set errno and, for the system calls underneath, the last error;
// the last error is the more precise.
bool FileStream::FailFromRuntime() {
    const DWORD error = ::GetLastError();
    SetLastErrorCode(error ? static_cast<int>(error) : ERROR_GEN_FAILURE);
    return false;
}

bool FileStream::SyncToDisk(FILE* file) {
    return FlushFileBuffers(HandleOf(file));
}

bool FileStream::Open(const Text& path, const char* mode) {
    Close();
    if (!win32::CheckName(path))
        return false;
    // "c" (commit) is ours to handle; "t", "n" and "N" change nothing for binary streams.
    bool commit = false, update = false, exclusive = false;
    char kind = 0;
    for (const char* p = mode ? mode : ""; *p; ++p) {
        if (*p == 'c')
            commit = true;
        else if (*p == '+')
            update = true;
        else if (*p == 'x')
            exclusive = true;
        else if ((*p == 'r' || *p == 'w' || *p == 'a') && !kind)
            kind = *p;
    }
    if (!kind) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD access = kind == 'r' ? GENERIC_READ : GENERIC_WRITE;
    if (update)
        access = GENERIC_READ | GENERIC_WRITE;
    const DWORD disposition = kind == 'r'   ? OPEN_EXISTING
                              : kind == 'a' ? OPEN_ALWAYS
                              : exclusive   ? CREATE_NEW
                                            : CREATE_ALWAYS;
    HANDLE file = CreateFileW(win32::SystemPath(path).c_str(), access, kShareAll, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win32::FailWithLastError();
    int flags = update ? _O_RDWR : kind == 'r' ? _O_RDONLY : _O_WRONLY;
    if (kind == 'a')
        flags |= _O_APPEND;
    std::string crtMode(1, kind);
    crtMode += update ? "+b" : "b";
    const int fd = DescriptorOf(file, flags);
    if (fd < 0 || !Adopt(fd, 0, crtMode.c_str()))
        return false;
    commit_ = commit;
    return true;
}

bool FileStream::OpenAlways(const Text& path) {
    Close();
    if (!win32::CheckName(path))
        return false;
    HANDLE file = CreateFileW(win32::SystemPath(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win32::FailWithLastError();
    const int fd = DescriptorOf(file, _O_WRONLY);
    return fd >= 0 && Adopt(fd, 0, "wb");  // a descriptor's stream never truncates
}

bool FileStream::OpenExistingSoleFile(const Text& path) {
    Close();
    if (!win32::CheckName(path))
        return false;
    HANDLE file = CreateFileW(win32::SystemPath(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win32::FailWithLastError();
    BY_HANDLE_FILE_INFORMATION info;
    int error = 0;
    if (!GetFileInformationByHandle(file, &info))
        error = static_cast<int>(::GetLastError());
    else if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
             GetFileType(file) != FILE_TYPE_DISK || info.nNumberOfLinks != 1)
        error = ERROR_ACCESS_DENIED;
    const int fd = DescriptorOf(file, _O_WRONLY);
    return fd >= 0 && Adopt(fd, error, "wb");
}

bool FileStream::OpenRegularFile(const Text& path) {
    Close();
    if (!win32::CheckName(path))
        return false;
    HANDLE file = CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win32::FailWithLastError();
    BY_HANDLE_FILE_INFORMATION info;
    int error = 0;
    if (!GetFileInformationByHandle(file, &info))
        error = static_cast<int>(::GetLastError());
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        error = ErrorCodeOf(ErrorKind::kIsAFolder);
    else if (GetFileType(file) != FILE_TYPE_DISK)
        error = ErrorCodeOf(ErrorKind::kNotARegularFile);
    const int fd = DescriptorOf(file, _O_RDONLY);
    return fd >= 0 && Adopt(fd, error, "rb");
}

bool FileStream::Adopt(int fd, int error, const char* mode) {
    if (error == 0 && !(file_ = _fdopen(fd, mode)))
        error = ERROR_TOO_MANY_OPEN_FILES;
    if (error != 0) {
        _close(fd);
        SetLastErrorCode(error);
        return false;
    }
    commit_ = false;
    return true;
}

bool FileStream::Seek(int64_t offset, int origin) {
    if (!CheckOpen())
        return false;
    if (_fseeki64(file_, offset, origin) == 0)
        return true;
    SetLastErrorCode(ERROR_NEGATIVE_SEEK);
    return false;
}

int64_t FileStream::Tell() {
    if (!CheckOpen())
        return -1;
    const int64_t position = _ftelli64(file_);
    if (position < 0)
        FailFromRuntime();
    return position;
}

int64_t FileStream::CopyFrom(FileStream& source, int64_t count) {
    if (!CheckOpen() || !source.CheckOpen())
        return 0;
    return CopyThroughBuffer(source, count);
}

int64_t FileStream::Size() {
    if (!CheckOpen())
        return -1;
    // Buffered writes count: the size is what the file holds once they reach it.
    if (fflush(file_) != 0) {
        FailFromRuntime();
        return -1;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(HandleOf(file_), &size)) {
        win32::FailWithLastError();
        return -1;
    }
    return size.QuadPart;
}

bool FileStream::SetSize(int64_t size) {
    if (!CheckOpen())
        return false;
    if (fflush(file_) != 0)
        return FailFromRuntime();
    if (_chsize_s(_fileno(file_), size) != 0)
        return FailFromRuntime();
    return true;
}

}  // namespace zem
