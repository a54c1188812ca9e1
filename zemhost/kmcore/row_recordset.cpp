#include "row_recordset.h"

#include "host/zem_km_interfaces.h"
#include "platform/com_object.h"
#include "recordset_arguments.h"

namespace zem::kmcore {

namespace {

class RowRecordset : public ComObject<IZemKMSQLiteRecordset> {
  public:
    RowRecordset(std::vector<TextRow> rows, int32_t columns)
        : rows_(std::move(rows)), columns_(columns) {}

    HRESULT ZEM_STDMETHODCALLTYPE IsEOF(int32_t* eof) override { return AnswerIsEOF(eof, AtEnd()); }

    HRESULT ZEM_STDMETHODCALLTYPE GetFieldText(int32_t column, BSTR* text) override {
        if (const HRESULT status =
                CheckFieldTextCall(text, column >= 0 && column < columns_, AtEnd());
            status != S_OK)
            return status;
        const TextRow& row = rows_[current_];
        *text = SysAllocText(static_cast<size_t>(column) < row.size() ? row[column] : Text());
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE MoveNext() override {
        if (AtEnd())
            return S_FALSE;
        ++current_;
        return AtEnd() ? S_FALSE : S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE ReadBlobIntoStream(int32_t /*column*/,
                                                     VARIANT /*stream*/) override {
        return E_NOTIMPL;
    }

  private:
    bool AtEnd() const { return current_ >= rows_.size(); }

    std::vector<TextRow> rows_;
    int32_t columns_;
    size_t current_ = 0;
};

}  // namespace

IUnknown* NewRowRecordset(std::vector<TextRow> rows, int32_t columns) {
    return (new RowRecordset(std::move(rows), columns))->DetachAsUnknown();
}

}  // namespace zem::kmcore
