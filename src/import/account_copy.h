// The run's working copy of the user's YNote database. The run reads the copy, never the
// user's files, which are only read to be copied. Stateless; user-interface thread.
#pragma once

#include "import/run_summary.h"

namespace zem {

// True for a file or folder at `path`. A named pipe, device or socket is never opened (a pipe
// would hold the run until another process wrote to it): it counts as missing, and the
// summary's log says why.
bool IsReadableSource(const Text& path, ImportRunSummary& summary);

// Copies the database at `sourcePath` to `workingCopy` with the journal SQLite keeps beside
// it: a database in WAL mode may hold notes in its -wal file that are not yet in the main
// file, and a rollback journal left by a writer that stopped mid-transaction is played back
// on the copy so that the copy can be read. False when the database or a journal could not
// be copied; a journal that is not a regular file is left out, and logged.
bool CopyAccountDatabase(const Text& sourcePath, const Text& workingCopy,
                         ImportRunSummary& summary);

}  // namespace zem
