#include <algorithm>

#include "host/zem_km_interfaces.h"
#include "platform/com_object.h"
#include "recordset_arguments.h"
#include "sqlite_object.h"

namespace zem::kmcore {

namespace {

class Recordset : public ComObject<IZemKMSQLiteRecordset> {
  public:
    Recordset(std::shared_ptr<SQLiteConnection> connection, sqlite3_stmt* statement, int firstStep,
              std::string shape)
        : connection_(std::move(connection)),
          statement_(statement),
          shape_(std::move(shape)),
          eof_(firstStep != SQLITE_ROW) {}
    ~Recordset() override {
        if (shape_.empty())
            sqlite3_finalize(statement_);
        else
            connection_->KeepIdle(shape_, statement_);
    }

    HRESULT ZEM_STDMETHODCALLTYPE IsEOF(int32_t* eof) override { return AnswerIsEOF(eof, eof_); }

    HRESULT ZEM_STDMETHODCALLTYPE GetFieldText(int32_t column, BSTR* text) override {
        if (const HRESULT status = CheckFieldTextCall(text, InRange(column), eof_); status != S_OK)
            return status;
        // Integers and reals come as SQLite prints them; text and blobs are UTF-8 bytes, and
        // bytes that are not (a path stored as the file system named it) are held as file
        // names hold them, so that the path still opens.
        const bool isNull = sqlite3_column_type(statement_, column) == SQLITE_NULL;
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        const int length = sqlite3_column_bytes(statement_, column);
        *text = SysAllocText(
            isNull || !bytes ? Text() : FromFileSystemBytes(std::string_view(bytes, length)));
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE MoveNext() override {
        if (eof_)
            return S_FALSE;
        const int rc = sqlite3_step(statement_);
        eof_ = rc != SQLITE_ROW;
        if (rc == SQLITE_ROW)
            return S_OK;
        return rc == SQLITE_DONE ? S_FALSE : E_FAIL;
    }

    HRESULT ZEM_STDMETHODCALLTYPE ReadBlobIntoStream(int32_t column, VARIANT stream) override {
        if (!InRange(column))
            return E_INVALIDARG;
        auto target =
            ComPtr<IStream>::QueryFrom(stream.vt == VT_UNKNOWN ? stream.punkVal : nullptr);
        if (!target)
            return E_INVALIDARG;
        if (eof_)
            return S_FALSE;
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
        size_t left = static_cast<size_t>(sqlite3_column_bytes(statement_, column));
        while (left > 0) {
            const auto chunk = static_cast<uint32_t>(std::min<size_t>(left, 1u << 30));
            uint32_t written = 0;
            if (Failed(target->Write(bytes, chunk, &written)) || written != chunk)
                return E_FAIL;
            bytes += chunk;
            left -= chunk;
        }
        return S_OK;
    }

  private:
    bool InRange(int32_t column) const {
        return column >= 0 && column < sqlite3_column_count(statement_);
    }

    std::shared_ptr<SQLiteConnection> connection_;
    sqlite3_stmt* statement_;
    std::string shape_;
    bool eof_;
};

}  // namespace

IUnknown* NewRecordset(std::shared_ptr<SQLiteConnection> connection, sqlite3_stmt* statement,
                       int firstStep, std::string shape) {
    return (new Recordset(std::move(connection), statement, firstStep, std::move(shape)))
        ->DetachAsUnknown();
}

SQLiteConnection::~SQLiteConnection() {
    for (auto& [shape, statement] : idle_)
        sqlite3_finalize(statement);
    sqlite3_close_v2(db);
}

sqlite3_stmt* SQLiteConnection::TakeIdle(const std::string& shape) {
    const auto found = idle_.find(shape);
    if (found == idle_.end())
        return nullptr;
    sqlite3_stmt* statement = found->second;
    idle_.erase(found);
    return statement;
}

void SQLiteConnection::KeepIdle(const std::string& shape, sqlite3_stmt* statement) {
    // A bound on the shapes kept: IN lists of every length are shapes of their own.
    constexpr size_t kMaxShapes = 64;
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (idle_.size() >= kMaxShapes && !idle_.contains(shape)) {
        for (auto& [kept, idle] : idle_)
            sqlite3_finalize(idle);
        idle_.clear();
    }
    if (!idle_.emplace(shape, statement).second)
        sqlite3_finalize(statement);
}

}  // namespace zem::kmcore
