// Process-wide SQLite settings. The program and the engine it loads share one SQLite library,
// whose settings can only be made before its first use in the process; every caller that
// opens a database calls this first. Any thread.
#pragma once

#include <string>

#include "platform/text.h"

namespace zem {

// Turns SQLite's memory statistics off: kept on, every allocation of every connection takes
// one process-wide mutex, which the connections used by different threads (the engine's
// idle store and checkpoint threads, the caller's) then wait on. Does nothing after the
// first call, or once the library is in use.
void ConfigureSqlite();

// The name SQLite's file-system layer opens for `path`: the file-system bytes on Linux,
// UTF-8 on Windows. False (last error set) when the path holds a NUL character, which would
// name a different, shorter path.
bool SqliteFileName(TextView path, std::string& name);

}  // namespace zem
