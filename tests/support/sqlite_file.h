// A SQLite file opened directly, for the test side only: fixture builders write YNote
// databases with it, tests and tools read knowledge-base index files with it. Values travel
// as UTF-8 strings; NULL reads as the empty string. Failures throw std::runtime_error with
// SQLite's message. One thread; closes on destruction.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace zem::test {

using SqlRow = std::vector<std::string>;
using SqlRows = std::vector<SqlRow>;

class SqliteFile {
  public:
    enum class Mode { kReadOnly, kCreate };
    SqliteFile(const std::string& path, Mode mode);
    ~SqliteFile();
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    // Runs one statement; each "?" takes the next parameter (text; a parameter marked as a
    // blob by Blob() binds as bytes).
    void Exec(const std::string& sql, const std::vector<std::string>& params = {});
    // Runs several statements separated by ";" (no parameters).
    void Script(const std::string& sql);
    SqlRows Query(const std::string& sql, const std::vector<std::string>& params = {});
    // The first column of the first row, or the empty string.
    std::string Value(const std::string& sql, const std::vector<std::string>& params = {});

    // Marks a parameter to bind as a blob.
    static std::string Blob(const std::string& bytes) { return kBlobMark + bytes; }

    void Close();

  private:
    static const std::string kBlobMark;
    sqlite3_stmt* Prepare(const std::string& sql, const std::vector<std::string>& params);

    sqlite3* db_ = nullptr;
};

}  // namespace zem::test
