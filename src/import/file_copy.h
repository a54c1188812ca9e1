// The one file copier of the import: the YNote database's working copy and every resource
// go through it. Files of up to 10 MiB pass through memory in one read and one write;
// larger ones are copied in 10 MiB blocks so memory stays bounded. Stateless; any thread.
#pragma once

#include <cstdint>

#include "platform/com.h"

namespace zem {

inline constexpr int64_t kCopyBlockSize = 10 * 1024 * 1024;

// True when `target` holds a full copy of `source`. A folder or a missing file is not a
// source. A failed copy leaves no partial target behind.
bool CopyFileContents(const Text& source, const Text& target);

// The file's bytes into the stream, replacing what it held; true for an empty file.
bool ReadFileIntoStream(IStream* stream, const Text& path);
// The stream's bytes into a new or truncated file; when the file cannot be created, logs
// "Can't create or open file: %1" and the system's text for the error.
bool WriteStreamToFile(IStream* stream, const Text& path);

}  // namespace zem
