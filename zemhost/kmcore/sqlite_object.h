// The SQLite object's connection, shared by the object and the result sets made from it so
// that a result set stays readable after the object is closed or released.
#pragma once

#include <sqlite3.h>

#include <memory>

#include "platform/com.h"

namespace zem::kmcore {

struct SQLiteConnection {
    explicit SQLiteConnection(sqlite3* db) : db(db) {}
    ~SQLiteConnection() { sqlite3_close_v2(db); }
    SQLiteConnection(const SQLiteConnection&) = delete;
    SQLiteConnection& operator=(const SQLiteConnection&) = delete;

    sqlite3* const db;
};

// A result set over `statement` (owned from now on), already stepped once with result
// `firstStep` (SQLITE_ROW or SQLITE_DONE). Rows are read from SQLite as the caller moves.
IUnknown* NewRecordset(std::shared_ptr<SQLiteConnection> connection, sqlite3_stmt* statement,
                       int firstStep);

}  // namespace zem::kmcore
