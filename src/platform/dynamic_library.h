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

// The full path of the running executable (GetModuleFileNameW, /proc/self/exe).
Text GetExecutablePath();

}  // namespace zem
