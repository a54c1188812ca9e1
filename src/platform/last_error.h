// The calling thread's last error code, which every platform call sets on failure the way the
// Windows calls do, and what a code means.
#pragma once

#include "platform/text.h"

namespace zem {

// The last failed platform call's error code on this thread (errno on Linux, the system's
// error code on Windows); 0 when none failed.
int GetLastErrorCode();
void SetLastErrorCode(int code);
// The system's text for an error code, without a line end; empty when it has none.
Text SystemErrorText(int code);
// The text to show for an error code: the system's, or "error <code>" where it has none
// (Wine has none for some codes, such as 222 and 336), so that no message is left blank.
Text ErrorCodeText(int code);

// What an error code means, for callers that act on the cause; the codes themselves differ
// between the editions (ENOENT on Linux, ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND on
// Windows).
enum class ErrorKind {
    kNone,
    kNotFound,         // no such file or folder
    kAlreadyExists,    // a file or folder is already at the name
    kNotAFolder,       // a piece of the path is a file
    kIsAFolder,        // a folder where a file is wanted
    kNotEmpty,         // the folder still holds entries
    kNotARegularFile,  // a device, pipe or socket where a file is wanted
    kInvalidArgument,  // a name or argument the system cannot take
    kInvalidText,      // bytes with no translation in the code page
    kLocked,           // another process holds the lock
    kNotOpen,          // the stream or handle is not open
    kOutOfMemory,      // the memory a call needs cannot be had
    kOther,
};
ErrorKind ErrorKindOf(int code);
inline ErrorKind GetLastErrorKind() {
    return ErrorKindOf(GetLastErrorCode());
}
// The edition's code for a kind: what the platform itself sets when it refuses a call.
int ErrorCodeOf(ErrorKind kind);

}  // namespace zem
