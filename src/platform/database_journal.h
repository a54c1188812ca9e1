// A SQLite database whose writer stopped in the middle of a transaction keeps the pages it
// replaced in a "hot" rollback journal beside it (name + "-journal"). Until that journal is
// played back the file holds a half-written transaction, and a reader that may not write
// (such as the host's read-only SQLite object) cannot open it at all. Stateless; any thread.
#pragma once

#include "platform/text.h"

namespace zem {

// Opens the database for writing once, which makes SQLite play a hot journal back into it
// and remove the journal, and closes it again. For the program's own copies only: the file
// and its journal are changed. False when SQLite cannot open or read it.
bool RollBackHotJournal(const Text& databasePath);

}  // namespace zem
