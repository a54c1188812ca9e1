// The current user's registry hive. On Windows the system's HKEY_CURRENT_USER; on Linux one
// REGEDIT4-format text file per user:
// $ZEM_REGISTRY if set, else $XDG_CONFIG_HOME/zem/user.reg (default ~/.config/zem/user.reg).
// Key paths are relative to HKEY_CURRENT_USER ("Software\\Zem"); key and value names compare
// ignoring case. Writes replace the file atomically.
//
// Cache: the file's lines are kept for the process (one copy for all threads, under a
// lock) and read again when the file's stamp shows it changed or is not yet settled (see
// FileStamp), so a change made by this or another process applies from the next call on.
// The path itself is looked up on every call.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace zem {

// The file that holds the hive on Linux; empty on Windows.
Text GetRegistryFilePath();

// A string value. False when the key or the value is missing or is not a string.
bool RegistryReadText(const Text& keyPath, const Text& valueName, Text& value);
// A 32-bit value (dword). False when missing or not a dword.
bool RegistryReadDword(const Text& keyPath, const Text& valueName, uint32_t& value);
// Creates the key when needed and writes a string value.
bool RegistryWriteText(const Text& keyPath, const Text& valueName, const Text& value);
bool RegistryWriteDword(const Text& keyPath, const Text& valueName, uint32_t value);

}  // namespace zem
