#include "platform/last_error.h"

#include <errno.h>
#include <string.h>

namespace zem {

namespace {
thread_local int t_lastError = 0;
}

int GetLastErrorCode() {
    return t_lastError;
}
void SetLastErrorCode(int code) {
    t_lastError = code;
}

Text SystemErrorText(int code) {
    // strerrordesc_np knows only real error numbers (null otherwise), unlike strerror's
    // invented "Unknown error N", so callers can tell when the system has no text.
    const char* text = strerrordesc_np(code);
    return FromUtf8(text ? text : "");
}

ErrorKind ErrorKindOf(int code) {
    switch (code) {
        case 0:
            return ErrorKind::kNone;
        case ENOENT:
            return ErrorKind::kNotFound;
        case EEXIST:
            return ErrorKind::kAlreadyExists;
        case ENOTDIR:
            return ErrorKind::kNotAFolder;
        case EISDIR:
            return ErrorKind::kIsAFolder;
        case ENOTEMPTY:
            return ErrorKind::kNotEmpty;
        case ENODEV:
            return ErrorKind::kNotARegularFile;
        case EINVAL:
            return ErrorKind::kInvalidArgument;
        case EILSEQ:
            return ErrorKind::kInvalidText;
        case EWOULDBLOCK:
            return ErrorKind::kLocked;
        case EBADF:
            return ErrorKind::kNotOpen;
        case ENOMEM:
            return ErrorKind::kOutOfMemory;
        default:
            return ErrorKind::kOther;
    }
}

int ErrorCodeOf(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::kNone:
            return 0;
        case ErrorKind::kNotFound:
            return ENOENT;
        case ErrorKind::kAlreadyExists:
            return EEXIST;
        case ErrorKind::kNotAFolder:
            return ENOTDIR;
        case ErrorKind::kIsAFolder:
            return EISDIR;
        case ErrorKind::kNotEmpty:
            return ENOTEMPTY;
        case ErrorKind::kNotARegularFile:
            return ENODEV;
        case ErrorKind::kInvalidArgument:
            return EINVAL;
        case ErrorKind::kInvalidText:
            return EILSEQ;
        case ErrorKind::kLocked:
            return EWOULDBLOCK;
        case ErrorKind::kNotOpen:
            return EBADF;
        case ErrorKind::kOutOfMemory:
            return ENOMEM;
        case ErrorKind::kOther:
            break;
    }
    return EIO;
}

}  // namespace zem
