// Reading a YNote account database through the host's SQLite object: the statements the
// import runs and the small readers every other import file goes through. Failures are shown
// to the user here (query and field messages), so callers only decide what to skip.
// No state; a database is read by one thread at a time. The messages of a thread other than
// the user-interface thread are kept for it (deferred_reports.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/zem_km_interfaces.h"
#include "platform/date_time.h"

namespace zem {

// Every statement the import runs. "%1" is filled with FormatText; the text that goes
// between single quotes must first pass through QuoteSqlText.
inline constexpr char16_t kSqlCountNotes[] = u"select count(*) from note";
inline constexpr char16_t kSqlSelectNotes[] =
    u"select noteid, title, notebookid, tags, datecreated, dateupdated, sourceurl from "
    u"note_attr";
inline constexpr char16_t kSqlSelectAttachmentStorageDir[] =
    u"select configname, configvalue from config_new where "
    u"configname='AttachmentStorageDir'";
inline constexpr char16_t kSqlSelectTags[] = u"select tagid, parentid, name from tag_attr";
inline constexpr char16_t kSqlSelectNotebooks[] =
    u"select notebookid, notebookname from notebook_attr";
inline constexpr char16_t kSqlSelectNotebookById[] =
    u"select notebookid, notebookname from notebook_attr where notebookid='%1'";
inline constexpr char16_t kSqlSelectTagNames[] = u"select name from tag_attr where tagid in (%1)";
inline constexpr char16_t kSqlSelectNoteBody[] = u"select noteid, data from note where noteid='%1'";
inline constexpr char16_t kSqlSelectInlineResources[] =
    u"select resid, reserve2 from resources where resid in (select resid from resource_attr "
    u"where noteid='%1' and type!=4)";
inline constexpr char16_t kSqlSelectAttachments[] =
    u"select resid, reserve2 from resources where resid in (select resid from resource_attr "
    u"where noteid='%1' and type not in (1, 3, 4))";

// The text with every single quote doubled, so that it stays one value inside '...'.
Text QuoteSqlText(TextView value);

// Which per-note statements that return several rows must ask for their table's own row
// order: those whose table the working copy reads through an added index (see
// working_copy_indexes.h), which would otherwise hand the rows over in key order.
struct StatementRowOrder {
    bool tagNames = false;   // the tag-name statement
    bool resources = false;  // the inline-resource and attachment statements
};
// The statement with " order by rowid" appended when `byRowid`.
Text InRowOrder(Text sql, bool byRowid);

// The statement's result set, or empty after message 106 with the statement text (or
// empty without a message when the object is not a result set).
ComPtr<IZemKMSQLiteRecordset> RunQuery(IZemKMSQLiteDatabase* database, const Text& sql);
// The same without any message, for statements whose failure is an answer.
ComPtr<IZemKMSQLiteRecordset> TryQuery(IZemKMSQLiteDatabase* database, const Text& sql);

// Keeps the connection's page caches small (main and temporary schema). The working copy is
// read front to back once: a page is seldom read twice, and SQLite's default caches would
// each fill to 2 MiB on a large account, so that memory grew with the account. Without a
// message when the connection refuses.
void KeepWorkingCopyCachesSmall(IZemKMSQLiteDatabase* database);

// True while the result set has a current row; a failing call counts as the end.
bool HasCurrentRow(IZemKMSQLiteRecordset* recordset);

// The column's text in the current row; empty after message 107 when it cannot be read.
Text ReadFieldText(IZemKMSQLiteRecordset* recordset, int32_t column);
// The same without a message: false when it cannot be read.
bool TryReadFieldText(IZemKMSQLiteRecordset* recordset, int32_t column, Text& text);
// Column 0 / the column as a number, by the C library's decimal conversion (0 without digits).
int32_t ReadFieldInt(IZemKMSQLiteRecordset* recordset);
int64_t ReadFieldInt64(IZemKMSQLiteRecordset* recordset, int32_t column);
// A binary column of the current row as bytes; false (and empty) when it cannot be read.
bool ReadBlobBytes(IZemKMSQLiteRecordset* recordset, int32_t column, std::string& bytes);

// A note body's bytes as text: UTF-16 when they carry its mark or pass the statistical test
// for it (up to the first zero character); otherwise cut at the first zero byte, a UTF-8
// mark dropped from values longer than three bytes, and then UTF-8 when valid, else the
// ANSI code page. `codePage` (may be null) receives the code page used: kCodePageUtf8,
// kCodePageUtf16Le, kCodePageUtf16Be or the ANSI code page's number.
Text DecodeNoteBody(std::string_view bytes, uint32_t* codePage = nullptr);

// False only when the database's schema shows no table of that name (any letter case). A
// look-up that fails counts as present, so that the statements needing the table report the
// failure themselves. Shows nothing.
bool HasTable(IZemKMSQLiteDatabase* database, const Text& table);

// Seconds since 1970 UTC as a local OLE date to the second; invalid (value 0.0) for times
// the local calendar cannot hold (negative, past the year 3000).
DateTime UnixTimeToOleDate(int64_t seconds);

}  // namespace zem
