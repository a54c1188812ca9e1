#include "platform/last_error.h"

#include "platform/win32/windows_api.h"

namespace zem {

namespace {
thread_local int t_lastError = 0;
}

int GetLastErrorCode() {
    return t_lastError;
}
void SetLastErrorCode(int code) {
    t_lastError = code;
    ::SetLastError(static_cast<DWORD>(code));
}

Text SystemErrorText(int code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    Text text = length && buffer ? win32::FromWide(buffer, length) : Text();
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.pop_back();
    return text;
}

ErrorKind ErrorKindOf(int code) {
    switch (static_cast<DWORD>(code)) {
        case ERROR_SUCCESS:
            return ErrorKind::kNone;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_MOD_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return ErrorKind::kNotFound;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return ErrorKind::kAlreadyExists;
        case ERROR_DIRECTORY:
            return ErrorKind::kNotAFolder;
        case win32::kErrorDirectoryNotSupported:
            return ErrorKind::kIsAFolder;
        case ERROR_DIR_NOT_EMPTY:
            return ErrorKind::kNotEmpty;
        case ERROR_BAD_FILE_TYPE:
            return ErrorKind::kNotARegularFile;
        case ERROR_INVALID_PARAMETER:
        case ERROR_INVALID_NAME:
            return ErrorKind::kInvalidArgument;
        case ERROR_NO_UNICODE_TRANSLATION:
            return ErrorKind::kInvalidText;
        case ERROR_LOCK_VIOLATION:
        case ERROR_SHARING_VIOLATION:
            return ErrorKind::kLocked;
        case ERROR_INVALID_HANDLE:
            return ErrorKind::kNotOpen;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ErrorKind::kOutOfMemory;
        default:
            return ErrorKind::kOther;
    }
}

int ErrorCodeOf(ErrorKind kind) {
    DWORD code = ERROR_GEN_FAILURE;
    switch (kind) {
        case ErrorKind::kNone:
            code = ERROR_SUCCESS;
            break;
        case ErrorKind::kNotFound:
            code = ERROR_FILE_NOT_FOUND;
            break;
        case ErrorKind::kAlreadyExists:
            code = ERROR_ALREADY_EXISTS;
            break;
        case ErrorKind::kNotAFolder:
            code = ERROR_DIRECTORY;
            break;
        case ErrorKind::kIsAFolder:
            code = win32::kErrorDirectoryNotSupported;
            break;
        case ErrorKind::kNotEmpty:
            code = ERROR_DIR_NOT_EMPTY;
            break;
        case ErrorKind::kNotARegularFile:
            code = ERROR_BAD_FILE_TYPE;
            break;
        case ErrorKind::kInvalidArgument:
            code = ERROR_INVALID_PARAMETER;
            break;
        case ErrorKind::kInvalidText:
            code = ERROR_NO_UNICODE_TRANSLATION;
            break;
        case ErrorKind::kLocked:
            code = ERROR_LOCK_VIOLATION;
            break;
        case ErrorKind::kNotOpen:
            code = ERROR_INVALID_HANDLE;
            break;
        case ErrorKind::kOutOfMemory:
            code = ERROR_NOT_ENOUGH_MEMORY;
            break;
        case ErrorKind::kOther:
            break;
    }
    return static_cast<int>(code);
}

}  // namespace zem
