// The tables of index.db and the mark that tells a knowledge-base index from other SQLite
// files.
#pragma once

#include <sqlite3.h>

#include <string>

namespace zem::kmcore {

enum class SchemaState { kKnowledgeBase, kEmptyFile, kForeign };

// Looks at an open file without changing it.
SchemaState InspectSchema(sqlite3* db);

// Creates the tables and indexes a knowledge base lacks and marks the file as one, in one
// transaction. A file already marked as a knowledge base of this version is only read, so
// that opening one works while another program writes to it. SQLITE_OK, or the code of the
// step that failed with its message in `message`.
int CreateSchema(sqlite3* db, std::string& message);

}  // namespace zem::kmcore
