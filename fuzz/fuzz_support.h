// What the fuzz targets share: a finding that aborts with a message (libFuzzer keeps the
// input), a scratch folder of the process in memory, files written into it, and the text
// checks several readers promise. One thread.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace zem::fuzz {

// Reports a broken promise with the input's context and aborts, so that libFuzzer saves the
// input as a crash.
[[noreturn]] void Fail(std::string_view what, std::string_view detail = {});

inline void Check(bool holds, std::string_view what, std::string_view detail = {}) {
    if (!holds)
        Fail(what, detail);
}

// A folder of this process for its scratch files, on a memory file system when the machine
// has one (saves forced to disk cost nothing there); made on first use, ends with "/".
const std::string& ScratchRoot();

// An empty folder `name` below the scratch root (emptied when it exists), ending with "/".
std::string FreshFolder(const std::string& name);

// Writes `bytes` to `path` (UTF-8 file-system name); aborts when it cannot.
void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// No unpaired surrogate.
bool IsValidUtf16(TextView text);

// The file-system name of a path made in the scratch folder, as the program takes it.
inline Text PathText(const std::string& path) {
    return FromFileSystemBytes(path);
}

// Text shown in a failure report.
std::string Shown(TextView text);

}  // namespace zem::fuzz
