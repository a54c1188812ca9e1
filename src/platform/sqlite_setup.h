// Process-wide SQLite settings. The program and the engine it loads share one SQLite library,
// whose settings can only be made before its first use in the process; every caller that
// opens a database calls this first. Any thread.
#pragma once

namespace zem {

// Turns SQLite's memory statistics off: kept on, every allocation of every connection takes
// one process-wide mutex, which the connections used by different threads (the engine's
// idle store and checkpoint threads, the caller's) then wait on. Does nothing after the
// first call, or once the library is in use.
void ConfigureSqlite();

}  // namespace zem
