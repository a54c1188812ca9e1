#include "platform/database_journal.h"

#include <sqlite3.h>

#include <string>

#include "platform/sqlite_setup.h"

namespace zem {

bool RollBackHotJournal(const Text& databasePath) {
    std::string name;
    if (!SqliteFileName(databasePath, name))
        return false;
    sqlite3* db = nullptr;
    ConfigureSqlite();
    bool read = sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    // The first read takes the shared lock, and that is when SQLite plays a hot journal back.
    sqlite3_stmt* statement = nullptr;
    read = read &&
           sqlite3_prepare_v2(db, "select count(*) from sqlite_master", -1, &statement, nullptr) ==
               SQLITE_OK &&
           sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return read;
}

}  // namespace zem
