// The tables of index.db and the mark that tells a knowledge-base index from other SQLite
// files.
#pragma once

#include <sqlite3.h>

#include <string>

namespace zem::kmcore {

enum class SchemaState { kKnowledgeBase, kEmptyFile, kForeign };

// Looks at an open file without changing it. The mark and the tables are read in one
// statement, so from one snapshot: a file another program is creating at this moment is
// seen either empty or whole, never as tables without the mark. SQLITE_ROW with `state`
// set, or the code of the failed read (busy, not a database, damaged...).
int InspectSchema(sqlite3* db, SchemaState& state);

// Creates the tables and indexes a knowledge base lacks and marks the file as one, in one
// transaction. A file already marked as a knowledge base of this version is only read, so
// that opening one works while another program writes to it. SQLITE_OK, or the code of the
// step that failed with its message in `message`.
int CreateSchema(sqlite3* db, std::string& message);

}  // namespace zem::kmcore
