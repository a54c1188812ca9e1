// The tables of index.db and the mark that tells a knowledge-base index from other SQLite
// files.
#pragma once

#include <sqlite3.h>

namespace zem::kmcore {

enum class SchemaState { kKnowledgeBase, kEmptyFile, kForeign };

// Looks at an open file without changing it.
SchemaState InspectSchema(sqlite3* db);

// Creates the tables and indexes a knowledge base lacks and marks the file as one.
bool CreateSchema(sqlite3* db);

}  // namespace zem::kmcore
