// Loading libraries at run time: LoadLibrary/GetProcAddress/FreeLibrary (the system's on
// Windows, over dlopen on Linux).
// A bare file name is looked for in the program folder, then the current directory.
#pragma once

#include "platform/text.h"

namespace zem {

using LibraryHandle = void*;

// Null on failure; the reason is then in LastLibraryError() and the last error code.
LibraryHandle LoadLibrary(const Text& path);
void* GetProcAddress(LibraryHandle library, const char* name);
void FreeLibrary(LibraryHandle library);
// The loader's text for the last failure on this thread, empty when none.
Text LastLibraryError();

// The version a library carries, as "1.3.0" (a fourth part only when it is not 0), read
// from the library at `path` without calling into it on Windows (its version resource, as
// every Windows library has) and by loading it on Linux (its exported ZemLibraryVersion(),
// the host libraries built here having no other place for it). Empty text when the library
// cannot be read or carries no version; the reason is then in LastLibraryError().
Text GetLibraryVersion(const Text& path);

// The full path of the running executable (GetModuleFileNameW, /proc/self/exe).
Text GetExecutablePath();

}  // namespace zem
