// The SQLite object's connection, shared by the object and the result sets made from it so
// that a result set stays readable after the object is closed or released.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/com.h"

namespace zem::kmcore {

struct SQLiteConnection {
    explicit SQLiteConnection(sqlite3* db) : db(db) {}
    ~SQLiteConnection();
    SQLiteConnection(const SQLiteConnection&) = delete;
    SQLiteConnection& operator=(const SQLiteConnection&) = delete;

    // A compiled statement of this shape (SqlShape::text) left by an earlier query, taken
    // out of the keeping; null when there is none.
    sqlite3_stmt* TakeIdle(const std::string& shape);
    // Keeps a finished statement for the next query of its shape; finalizes it instead when
    // one of that shape is kept already.
    void KeepIdle(const std::string& shape, sqlite3_stmt* statement);

    sqlite3* const db;

  private:
    std::unordered_map<std::string, sqlite3_stmt*> idle_;
};

// A result set over `statement` (owned from now on), already stepped once with result
// `firstStep` (SQLITE_ROW or SQLITE_DONE). Rows are read from SQLite as the caller moves.
// When it ends, the statement goes back to the connection's keeping under `shape`, or is
// finalized when `shape` is empty.
IUnknown* NewRecordset(std::shared_ptr<SQLiteConnection> connection, sqlite3_stmt* statement,
                       int firstStep, std::string shape);

}  // namespace zem::kmcore
