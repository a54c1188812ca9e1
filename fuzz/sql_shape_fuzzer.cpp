// The SQLite object's statement cache: statements that differ only in their string literals
// share one compiled statement, its literals bound as parameters. The input is a few
// statements (one to a line) run against a small account database. Promises checked: a
// shape holds its literals in order and re-quoting them gives the statement back; every
// statement gives through the object, first and again from the cache, exactly the rows and
// columns SQLite gives for the statement as written, and fails where SQLite fails.
#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "components.h"
#include "fuzz_support.h"
#include "host/zem_km_interfaces.h"
#include "sql_shape.h"

namespace zem::fuzz {
namespace {

using Rows = std::vector<std::vector<Text>>;
constexpr int kMaxRows = 64;

// Tables shaped as the account's, which the import's statements read.
const char* const kSchema =
    "create table note_attr(noteid text primary key, title text, notebookid text, tags text,"
    " datecreated integer, dateupdated real, sourceurl text);"
    "create table note(noteid text primary key, data blob);"
    "create table tag_attr(tagid text, parentid text, name text);"
    "create table config_new(configname text, configvalue text);"
    "insert into note_attr values('n1','Hello','b1','t1,t2',1700000000,1.5,''),"
    " ('n2',NULL,'b2','',0,-2.25,NULL),('n''3','中文','b1','t2',-1,1e300,'http://a/');"
    "insert into note values('n1','<p>hi</p>'),('n2',x'00ff41');"
    "insert into tag_attr values('t1','','Work'),('t2','t1','It''s'),('t3',NULL,x'00ff');"
    "insert into config_new values('AttachmentStorageDir','/home/u/att');";

std::string MakeDatabase() {
    const std::string path = ScratchRoot() + "account.db";
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK,
          "the account database is made");
    sqlite3_close(db);
    return path;
}

// Rows as SQLite gives them for the statement as written; nullopt when it fails.
std::optional<Rows> Direct(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) !=
            SQLITE_OK ||
        !statement) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    Rows rows;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW && rows.size() < kMaxRows) {
        auto& row = rows.emplace_back();
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            row.push_back(text ? FromFileSystemBytes(std::string_view(
                                     text, static_cast<size_t>(sqlite3_column_bytes(statement, i))))
                               : Text());
        }
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && rows.empty())
        return std::nullopt;
    // Without "order by" the order is the plan's, which may differ for a literal and a
    // parameter of equal value.
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Rows through the SQLite object; nullopt when the query fails.
std::optional<Rows> ThroughObject(IZemKMSQLiteDatabase& database, const std::string& sql,
                                  size_t columns) {
    ComPtr<IUnknown> result;
    if (database.ExecuteQuery(FromUtf8(sql).c_str(), 0, result.Out()) != S_OK)
        return std::nullopt;
    auto recordset = ComPtr<IZemKMSQLiteRecordset>::QueryFrom(result.Get());
    Rows rows;
    int32_t eof = 0;
    while (recordset->IsEOF(&eof) == S_OK && !eof && rows.size() < kMaxRows) {
        auto& row = rows.emplace_back();
        for (size_t i = 0; i < columns; ++i) {
            ScopedBstr text;
            Check(recordset->GetFieldText(static_cast<int32_t>(i), text.Out()) == S_OK,
                  "each column of a row reads");
            row.push_back(text.ToText());
        }
        ScopedBstr past;
        Check(recordset->GetFieldText(static_cast<int32_t>(columns), past.Out()) == E_INVALIDARG,
              "a column past the last one is refused", sql);
        if (recordset->MoveNext() != S_OK)
            break;
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

size_t ColumnCount(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    const int count = statement ? sqlite3_column_count(statement) : 0;
    sqlite3_finalize(statement);
    return static_cast<size_t>(count);
}

void CheckShape(const std::string& sql) {
    kmcore::SqlShape shape;
    if (!kmcore::ShapeOf(sql, shape))
        return;
    // Each "?" the shape made stands where a quoted literal stood; undoing them in turn gives
    // the statement back when the statement had no "?" of its own (ShapeOf refuses those,
    // outside quotes and comments).
    std::string rebuilt;
    size_t literal = 0;
    for (size_t i = 0; i < shape.text.size(); ++i) {
        if (shape.text[i] != '?' || literal >= shape.literals.size() ||
            sql.find('?') != std::string::npos) {
            rebuilt += shape.text[i];
            continue;
        }
        rebuilt += '\'';
        for (const char c : shape.literals[literal])
            rebuilt += c == '\'' ? std::string("''") : std::string(1, c);
        rebuilt += '\'';
        ++literal;
    }
    if (sql.find('?') == std::string::npos) {
        Check(literal == shape.literals.size(), "the shape holds one ? for each literal");
        Check(rebuilt == sql, "re-quoting the literals gives the statement back", rebuilt);
    }
}

// Statements whose results change from run to run or that could run for long.
bool Comparable(const std::string& sql) {
    std::string lower;
    for (const char c : sql)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (const char* word :
         {"random", "now", "changes", "recursive", "zeroblob", "printf", "format", "replace",
          "last_insert", "sqlite_", "pragma", "char(", "vacuum", "attach"})
        if (lower.find(word) != std::string::npos)
            return false;
    return sql.size() < 400 && IsValidUtf8(sql) && sql.find('\0') == std::string::npos;
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem;
    using namespace zem::fuzz;
    static const std::string path = MakeDatabase();
    static sqlite3* direct = [] {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        return db;
    }();
    auto database = ComPtr<IZemKMSQLiteDatabase>::Attach(
        static_cast<IZemKMSQLiteDatabase*>(kmcore::NewSQLiteDatabase()));
    Check(database->OpenDatabase(FromUtf8(path).c_str()) == S_OK, "the account opens");
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (int line = 0; line < 8 && !input.empty(); ++line) {
        const size_t end = std::min(input.find('\n'), input.size());
        const std::string sql(input.substr(0, end));
        input.remove_prefix(std::min(end + 1, input.size()));
        CheckShape(sql);
        if (!Comparable(sql))
            continue;
        const std::optional<Rows> expected = Direct(direct, sql);
        const size_t columns = ColumnCount(direct, sql);
        for (int round = 0; round < 2; ++round) {
            const std::optional<Rows> got = ThroughObject(*database.Get(), sql, columns);
            Check(got.has_value() == expected.has_value(),
                  "a statement fails through the object exactly where SQLite fails", sql);
            if (got)
                Check(*got == *expected, "the object gives the rows SQLite gives", sql);
        }
    }
    return 0;
}
