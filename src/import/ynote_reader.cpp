#include "import/ynote_reader.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "config/user_messages.h"
#include "platform/code_pages.h"
#include "platform/memory_stream.h"
#include "platform/system_info.h"
#include "platform/text_decoding.h"
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

Text InRowOrder(Text sql, bool byRowid) {
    if (byRowid)
        sql += u" order by rowid";
    return sql;
}

namespace {

// The statement's raw result object; empty when the statement failed.
ComPtr<IUnknown> Execute(IZemKMSQLiteDatabase* database, const Text& sql) {
    ComPtr<IUnknown> object;
    if (!database || Failed(database->ExecuteQuery(sql.c_str(), 0, object.Out())))
        object.Reset();
    return object;
}

}  // namespace

ComPtr<IZemKMSQLiteRecordset> RunQuery(IZemKMSQLiteDatabase* database, const Text& sql) {
    ComPtr<IUnknown> object = Execute(database, sql);
    if (!object) {
        ShowMessageIdArg(IDS_QUERY_FAILED, sql);
        return nullptr;
    }
    return ComPtr<IZemKMSQLiteRecordset>::QueryFrom(object.Get());
}

ComPtr<IZemKMSQLiteRecordset> TryQuery(IZemKMSQLiteDatabase* database, const Text& sql) {
    return ComPtr<IZemKMSQLiteRecordset>::QueryFrom(Execute(database, sql).Get());
}

void KeepWorkingCopyCachesSmall(IZemKMSQLiteDatabase* database) {
    TryQuery(database, u"pragma main.cache_size = -256");
    TryQuery(database, u"pragma temp.cache_size = -256");
}

bool HasTable(IZemKMSQLiteDatabase* database, const Text& table) {
    const Text sql = FormatText(
        u"select count(*) from sqlite_master where type='table' and name='%1' collate nocase",
        QuoteSqlText(table));
    ComPtr<IUnknown> object;
    if (!database || Failed(database->ExecuteQuery(sql.c_str(), 0, object.Out())))
        return true;
    auto recordset = ComPtr<IZemKMSQLiteRecordset>::QueryFrom(object.Get());
    ScopedBstr count;
    if (!HasCurrentRow(recordset.Get()) || Failed(recordset->GetFieldText(0, count.Out())))
        return true;
    return count.ToText() != u"0";
}

bool HasCurrentRow(IZemKMSQLiteRecordset* recordset) {
    int32_t eof = 1;
    return recordset && Succeeded(recordset->IsEOF(&eof)) && eof == 0;
}

Text ReadFieldText(IZemKMSQLiteRecordset* recordset, int32_t column) {
    Text text;
    if (!TryReadFieldText(recordset, column, text))
        ShowMessageId(IDS_FIELD_VALUE_FAILED);
    return text;
}

bool TryReadFieldText(IZemKMSQLiteRecordset* recordset, int32_t column, Text& text) {
    ScopedBstr value;
    if (!recordset || Failed(recordset->GetFieldText(column, value.Out()))) {
        text.clear();
        return false;
    }
    text = value.ToText();
    return true;
}

int32_t ReadFieldInt(IZemKMSQLiteRecordset* recordset) {
    return TextToInt32(ReadFieldText(recordset, 0));
}

int64_t ReadFieldInt64(IZemKMSQLiteRecordset* recordset, int32_t column) {
    return TextToInt64(ReadFieldText(recordset, column));
}

bool ReadBlobBytes(IZemKMSQLiteRecordset* recordset, int32_t column, std::string& bytes) {
    // The stream writes into `bytes` itself: a large body is not copied out of it.
    ComPtr<IStream> stream = ComPtr<IStream>::Attach(CreateMemoryStreamOn(bytes));
    if (!recordset || !stream)
        return false;
    VARIANT holder;
    holder.vt = VT_UNKNOWN;
    holder.punkVal = stream.Get();  // borrowed: `stream` keeps the reference
    if (Failed(recordset->ReadBlobIntoStream(column, holder))) {
        bytes.clear();
        return false;
    }
    return true;
}

Text DecodeNoteBody(std::string_view bytes, uint32_t* codePage) {
    // UTF-16 holds zero bytes in almost every character, so it is recognised before the
    // value is cut at its first zero byte; its own text ends at its first zero character.
    TextEncoding encoding = FindUnicodeEncoding(bytes);
    if (!encoding.IsUtf16()) {
        bytes = bytes.substr(0, bytes.find('\0'));
        // A body declares no character set: a clipped page keeps the <meta> of the page it
        // came from while the body itself was stored in another encoding. The mark is
        // dropped only from longer values: a value of just the mark is the value.
        encoding = bytes == "\xEF\xBB\xBF" ? TextEncoding{kCodePageUtf8, 0, true}
                                           : DetectTextEncoding(bytes, CharsetDeclaration::kNone);
    }
    Text text;
    const uint32_t used = DecodeTextAs(bytes, encoding, text);
    if (encoding.IsUtf16())
        text.resize(std::min(text.find(u'\0'), text.size()));
    if (codePage)
        *codePage = used;
    return text;
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
