// The one file copier of the import: the YNote database's working copy and every resource
// go through it. The kernel copies the bytes from file to file where it can, else they pass
// through a buffer of at most 1 MiB (FileStream::CopyFrom): memory stays bounded whatever
// the size. Stateless; any thread.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace zem {

// Up to this size a target that cannot be created is logged (see CopyFileContents).
inline constexpr int64_t kCopyBlockSize = 10 * 1024 * 1024;

// True when `target` holds a full copy of `source`. Only a regular file (or a link to one)
// is a source: a folder, a named pipe, a device or a missing file is not, and the copy never
// waits on one. A failed copy leaves no partial target behind; for a source of up to
// kCopyBlockSize, a target that cannot be created is logged: "Can't create or open file: %1"
// and the system's text for the error. `copiedBytes` (may be null) receives the copy's size.
bool CopyFileContents(const Text& source, const Text& target, int64_t* copiedBytes = nullptr);

}  // namespace zem
