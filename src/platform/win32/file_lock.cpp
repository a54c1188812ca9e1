#include "platform/file_lock.h"

#include <fcntl.h>
#include <io.h>

#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace zem {

namespace {

// The lock covers one byte far past any end the file will have, so that it bars no reader
// of the file's content (Windows locks are mandatory for the bytes they cover).
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFFE;

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

FileLock::~FileLock() {
    Release();
}

// The open file is kept as a C runtime descriptor over the system handle, the member the
// Linux edition keeps too.
bool FileLock::CreateLocked(const Text& path) {
    Release();
    if (!win32::CheckName(path))
        return false;
    HANDLE file = CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win32::FailWithLastError();
    fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR);
    if (fd_ < 0) {
        CloseHandle(file);
        SetLastErrorCode(ERROR_TOO_MANY_OPEN_FILES);
        return false;
    }
    return Lock();
}

bool FileLock::TryLockExisting(const Text& path) {
    Release();
    if (!win32::CheckName(path))
        return false;
    HANDLE file = CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win32::FailWithLastError();
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(file);
        SetLastErrorCode(ErrorCodeOf(ErrorKind::kInvalidArgument));
        return false;
    }
    fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY);
    if (fd_ < 0) {
        CloseHandle(file);
        SetLastErrorCode(ERROR_TOO_MANY_OPEN_FILES);
        return false;
    }
    return Lock();
}

bool FileLock::Lock() {
    OVERLAPPED where{};
    where.Offset = kLockOffsetLow;
    where.OffsetHigh = kLockOffsetHigh;
    if (LockFileEx(HandleOf(fd_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &where))
        return true;
    const DWORD error = ::GetLastError();
    Release();
    SetLastErrorCode(error == ERROR_IO_PENDING ? ERROR_LOCK_VIOLATION : static_cast<int>(error));
    return false;
}

void FileLock::Release() {
    if (fd_ >= 0) {
        _close(fd_);  // closing the handle drops the lock
        fd_ = -1;
    }
}

}  // namespace zem
