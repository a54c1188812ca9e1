// Whole files replaced in one step: the bytes go to a temporary file beside the target,
// which then takes the target's place, so a killed process leaves either the old file or
// the new one, never a torn one. What a killed process wrote stays in the system's cache and
// reaches the disk; forcing the file to disk as well only matters for a power loss, and is
// asked for where that is worth its cost. Any thread; nothing kept between calls.
#pragma once

#include <string_view>

#include "platform/text.h"

namespace zem {

enum class FileSync { kNone, kToDisk };
// kOwnerOnly: the new file is readable by its owner alone from the moment it exists, for
// files that hold the user's settings.
enum class FileAccess { kShared, kOwnerOnly };

bool WriteFileAtomically(const Text& path, std::string_view bytes, FileSync sync = FileSync::kNone,
                         FileAccess access = FileAccess::kShared);

// The pieces, for writers that fill the temporary file another way. A short name of its own
// in the target's folder: the move stays within one file system, and a target whose name is
// at the length limit still gets a temporary file.
Text TemporaryFileBeside(const Text& target);
// Moves the finished temporary file into the target's place. A file already there is swapped
// with it and then removed, rather than renamed over (why: docs/PERFORMANCE.md, "Storage
// speed-ups"); the swap is just as atomic.
bool PutFileInPlace(const Text& temporary, const Text& target);

}  // namespace zem
