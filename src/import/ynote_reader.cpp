#include "import/ynote_reader.h"

#include <cstdint>
#include <string>

#include "config/user_messages.h"
#include "platform/code_pages.h"
#include "platform/system_info.h"
#include "util/text_file_reader.h"
#include "util/text_helpers.h"

namespace zem {

Text QuoteSqlText(TextView value) {
    Text quoted;
    quoted.reserve(value.size());
    for (char16_t c : value) {
        quoted += c;
        if (c == u'\'')
            quoted += c;
    }
    return quoted;
}

ComPtr<IZemKMSQLiteRecordset> RunQuery(IZemKMSQLiteDatabase* database, const Text& sql) {
    ComPtr<IUnknown> object;
    if (!database || Failed(database->ExecuteQuery(sql.c_str(), 0, object.Out())) || !object) {
        ShowMessageIdArg(IDS_QUERY_FAILED, sql);
        return nullptr;
    }
    return ComPtr<IZemKMSQLiteRecordset>::QueryFrom(object.Get());
}

bool HasCurrentRow(IZemKMSQLiteRecordset* recordset) {
    int32_t eof = 1;
    return recordset && Succeeded(recordset->IsEOF(&eof)) && eof == 0;
}

Text ReadFieldText(IZemKMSQLiteRecordset* recordset, int32_t column) {
    ScopedBstr text;
    if (!recordset || Failed(recordset->GetFieldText(column, text.Out()))) {
        ShowMessageId(IDS_FIELD_VALUE_FAILED);
        return {};
    }
    return text.ToText();
}

int32_t ReadFieldInt(IZemKMSQLiteRecordset* recordset) {
    return TextToInt32(ReadFieldText(recordset, 0));
}

int64_t ReadFieldInt64(IZemKMSQLiteRecordset* recordset, int32_t column) {
    return TextToInt64(ReadFieldText(recordset, column));
}

Text ReadBlobText(IZemKMSQLiteRecordset* recordset, int32_t column) {
    ComPtr<IStream> stream = ComPtr<IStream>::Attach(CreateMemoryStream());
    if (!recordset || !stream)
        return {};
    VARIANT holder;
    holder.vt = VT_UNKNOWN;
    holder.punkVal = stream.Get();  // borrowed: `stream` keeps the reference
    if (Failed(recordset->ReadBlobIntoStream(column, holder)))
        return {};

    uint64_t size = 0;
    if (Failed(stream->Seek(0, StreamSeek::kEnd, &size)) ||
        Failed(stream->Seek(0, StreamSeek::kSet, nullptr)) || size > UINT32_MAX - 1)
        return {};
    std::string bytes(static_cast<size_t>(size), '\0');
    uint32_t read = 0;
    if (size > 0 && Failed(stream->Read(bytes.data(), static_cast<uint32_t>(size), &read)))
        return {};
    bytes.resize(read);
    // DecodeBytes cuts at the first zero byte and drops the mark only from longer values.
    return DecodeBytes(bytes, kCodePageUtf8);
}

DateTime UnixTimeToOleDate(int64_t seconds) {
    DateTime result{0.0, false};
    CalendarTime local;
    if (!UnixTimeToLocalCalendar(seconds, local))
        return result;
    local.milliseconds = 0;
    double date = 0.0;
    if (!CalendarToOleDate(local, date))
        return result;
    result.value = date;
    CalendarTime back;
    result.valid = OleDateToCalendar(date, back) && back.year == local.year &&
                   back.month == local.month && back.day == local.day && back.hour == local.hour &&
                   back.minute == local.minute && back.second == local.second;
    return result;
}

}  // namespace zem
