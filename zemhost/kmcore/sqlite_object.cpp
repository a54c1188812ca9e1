#include "sqlite_object.h"

#include <unordered_set>

#include "busy_timeout.h"
#include "components.h"
#include "host/zem_km_interfaces.h"
#include "platform/com_object.h"
#include "platform/sqlite_setup.h"
#include "sql_shape.h"

namespace zem::kmcore {

namespace {

class SQLiteDatabase : public ComObject<IZemKMSQLiteDatabase> {
  public:
    HRESULT ZEM_STDMETHODCALLTYPE OpenDatabase(const char16_t* path) override {
        CloseDatabase();
        if (!path || !*path)
            return E_INVALIDARG;
        std::string name;
        if (!SqliteFileName(path, name))
            return E_INVALIDARG;
        sqlite3* db = nullptr;
        ConfigureSqlite();
        if (sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            return E_FAIL;
        }
        sqlite3_busy_timeout(db, kBusyTimeoutMilliseconds);
        // Opening is lazy: only reading the schema shows whether the file is a database.
        sqlite3_stmt* probe = nullptr;
        const bool readable = sqlite3_prepare_v2(db, "select count(*) from sqlite_master", -1,
                                                 &probe, nullptr) == SQLITE_OK &&
                              sqlite3_step(probe) == SQLITE_ROW;
        sqlite3_finalize(probe);
        if (!readable) {
            sqlite3_close(db);
            return E_FAIL;
        }
        connection_ = std::make_shared<SQLiteConnection>(db);
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE ExecuteQuery(const char16_t* sql, int32_t /*flags*/,
                                               IUnknown** recordset) override {
        if (!recordset)
            return E_POINTER;
        *recordset = nullptr;
        if (!sql)
            return E_INVALIDARG;
        if (!connection_)
            return E_FAIL;
        const std::string text = ToUtf8(sql);
        SqlShape shape;
        sqlite3_stmt* statement = ShapeOf(text, shape) ? Compiled(shape) : nullptr;
        if (!statement) {
            shape.text.clear();
            if (sqlite3_prepare_v2(connection_->db, text.c_str(), static_cast<int>(text.size()),
                                   &statement, nullptr) != SQLITE_OK ||
                !statement) {
                sqlite3_finalize(statement);
                return E_FAIL;
            }
        }
        const int first = sqlite3_step(statement);
        if (first != SQLITE_ROW && first != SQLITE_DONE) {
            sqlite3_finalize(statement);
            return E_FAIL;
        }
        *recordset = NewRecordset(connection_, statement, first, std::move(shape.text));
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE CloseDatabase() override {
        connection_.reset();
        refused_.clear();
        return S_OK;
    }

  private:
    // The statement of this shape with its literals bound: one kept from an earlier query, or
    // newly compiled. Null when the shape does not compile where the literal text does (a
    // literal where SQLite wants a name, such as a quoted alias): the caller compiles the
    // text as it stands then.
    sqlite3_stmt* Compiled(const SqlShape& shape) {
        if (refused_.contains(shape.text))
            return nullptr;
        sqlite3_stmt* statement = connection_->TakeIdle(shape.text);
        if (!statement &&
            (sqlite3_prepare_v3(connection_->db, shape.text.c_str(),
                                static_cast<int>(shape.text.size()), SQLITE_PREPARE_PERSISTENT,
                                &statement, nullptr) != SQLITE_OK ||
             !statement ||
             sqlite3_bind_parameter_count(statement) != static_cast<int>(shape.literals.size()))) {
            sqlite3_finalize(statement);
            if (refused_.size() >= 64)
                refused_.clear();
            refused_.insert(shape.text);
            return nullptr;
        }
        for (size_t i = 0; i < shape.literals.size(); ++i)
            sqlite3_bind_text(statement, static_cast<int>(i + 1), shape.literals[i].data(),
                              static_cast<int>(shape.literals[i].size()), SQLITE_TRANSIENT);
        return statement;
    }

    std::shared_ptr<SQLiteConnection> connection_;
    std::unordered_set<std::string> refused_;
};

}  // namespace

IUnknown* NewSQLiteDatabase() {
    return (new SQLiteDatabase)->DetachAsUnknown();
}

}  // namespace zem::kmcore
