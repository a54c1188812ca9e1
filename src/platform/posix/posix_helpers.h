// Small POSIX routines the platform files share: turning program text into a file-system
// name, making folder chains and reading a whole file. Internal to src/platform/.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "platform/file_stamp.h"
#include "platform/last_error.h"
#include "platform/text.h"

namespace zem::posix {

// The file-system name of `path` (ToFileSystemBytes). False (last error EINVAL) when the
// text holds a NUL character, which would silently name a different, shorter path.
bool ToNativeName(TextView path, std::string& native);

// Creates every missing folder of `native` with `mode` (the umask applies). True when the
// folder exists at the end.
bool MakeFolders(const std::string& native, mode_t mode);

// The whole file. False (last error set) when it cannot be opened or read.
bool ReadWholeFile(const std::string& native, std::string& bytes);

// The stamp of the file whose status `st` is, taken now.
FileStamp StampOf(const struct stat& st);

// Records errno as the calling thread's last error and returns false, for failure paths.
bool FailWithErrno();

}  // namespace zem::posix
