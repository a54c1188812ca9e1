#include "support/sqlite_file.h"

#include <stdexcept>

namespace zem::test {

const std::string SqliteFile::kBlobMark = std::string("\x01\x02zem-blob\x02\x01", 12);

SqliteFile::SqliteFile(const std::string& path, Mode mode) {
    const int flags =
        mode == Mode::kCreate ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        Close();
        throw std::runtime_error("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
}

SqliteFile::~SqliteFile() {
    Close();
}

void SqliteFile::Close() {
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

sqlite3_stmt* SqliteFile::Prepare(const std::string& sql, const std::vector<std::string>& params) {
    sqlite3_stmt* statement = nullptr;
    if (!db_ || sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sql + ": " + (db_ ? sqlite3_errmsg(db_) : "closed"));
    for (size_t i = 0; i < params.size(); ++i) {
        const std::string& p = params[i];
        const int index = static_cast<int>(i) + 1;
        if (p.compare(0, kBlobMark.size(), kBlobMark) == 0)
            sqlite3_bind_blob(statement, index, p.data() + kBlobMark.size(),
                              static_cast<int>(p.size() - kBlobMark.size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_text(statement, index, p.data(), static_cast<int>(p.size()),
                              SQLITE_TRANSIENT);
    }
    return statement;
}

SqlRows SqliteFile::Query(const std::string& sql, const std::vector<std::string>& params) {
    sqlite3_stmt* statement = Prepare(sql, params);
    SqlRows rows;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        SqlRow row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            const void* bytes = sqlite3_column_blob(statement, c);
            row.emplace_back(bytes ? static_cast<const char*>(bytes) : "",
                             static_cast<size_t>(sqlite3_column_bytes(statement, c)));
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE)
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
    return rows;
}

void SqliteFile::Exec(const std::string& sql, const std::vector<std::string>& params) {
    Query(sql, params);
}

void SqliteFile::Script(const std::string& sql) {
    char* error = nullptr;
    if (!db_ || sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "closed";
        sqlite3_free(error);
        throw std::runtime_error(sql + ": " + message);
    }
}

std::string SqliteFile::Value(const std::string& sql, const std::vector<std::string>& params) {
    SqlRows rows = Query(sql, params);
    return rows.empty() || rows[0].empty() ? std::string() : rows[0][0];
}

}  // namespace zem::test
