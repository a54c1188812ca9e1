// The read-only SQLite object through which the import reads a YNote database.
#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "support/sqlite_file.h"
#include "support/test_home.h"
#include "zemhost/zemhost_test_support.h"

namespace zem::test {
namespace {

class SQLiteObject : public testing::Test {
  protected:
    void SetUp() override {
        path_ = MakeTestFolder("sqlite") + "/ynote.db";
        SqliteFile file(path_, SqliteFile::Mode::kCreate);
        file.Exec("CREATE TABLE t(id INTEGER, n, i, r, b, s)");
        file.Exec("INSERT INTO t VALUES(1, NULL, -42, 2.5, ?, '中文')",
                  {SqliteFile::Blob(std::string("a\0b\xFF", 4))});
        file.Exec("INSERT INTO t VALUES(2, NULL, 9223372036854775807, 1e100, ?, '')",
                  {SqliteFile::Blob("<p>body</p>")});
        file.Close();
        db_ = core_.SQLite();
        ASSERT_TRUE(db_);
        ASSERT_EQ(db_->OpenDatabase(FromUtf8(path_).c_str()), S_OK);
    }

    ComPtr<IZemKMSQLiteRecordset> Query(const char16_t* sql, HRESULT* result = nullptr) {
        IUnknown* raw = nullptr;
        const HRESULT hr = db_->ExecuteQuery(sql, 0, &raw);
        if (result)
            *result = hr;
        return As<IZemKMSQLiteRecordset>(raw);
    }

    static std::vector<std::string> Row(IZemKMSQLiteRecordset* rows, int columns) {
        std::vector<std::string> values;
        for (int column = 0; column < columns; ++column) {
            ScopedBstr text;
            EXPECT_EQ(rows->GetFieldText(column, text.Out()), S_OK);
            values.push_back(ToUtf8(text.ToText()));
        }
        return values;
    }

    KmCore core_;
    std::string path_;
    ComPtr<IZemKMSQLiteDatabase> db_;
};

TEST_F(SQLiteObject, GivesEveryKindOfValueAsTextAndReportsTheEndOfData) {
    auto rows = Query(u"select n, i, r, b, s from t order by id");
    ASSERT_TRUE(rows);
    int32_t eof = -1;
    ASSERT_EQ(rows->IsEOF(&eof), S_OK);
    EXPECT_EQ(eof, 0);
    EXPECT_EQ(
        Row(rows.Get(), 5),
        (std::vector<std::string>{"", "-42", "2.5", std::string("a\0b\xEF\xBF\xBD", 6), "中文"}));
    ScopedBstr text;
    EXPECT_EQ(rows->GetFieldText(5, text.Out()), E_INVALIDARG);
    EXPECT_EQ(rows->GetFieldText(-1, text.Out()), E_INVALIDARG);
    EXPECT_EQ(rows->MoveNext(), S_OK);
    EXPECT_EQ(Row(rows.Get(), 5),
              (std::vector<std::string>{"", "9223372036854775807", "1.0e+100", "<p>body</p>", ""}));
    rows->MoveNext();
    ASSERT_EQ(rows->IsEOF(&eof), S_OK);
    EXPECT_NE(eof, 0);
    EXPECT_EQ(rows->GetFieldText(0, text.Out()), S_FALSE);
    EXPECT_EQ(text.ToText(), u"");
    EXPECT_EQ(rows->MoveNext(), S_FALSE);
}

TEST_F(SQLiteObject, EveryValidStatementGivesAResultSetAndInvalidOnesFail) {
    auto empty = Query(u"select id from t where id > 100");
    ASSERT_TRUE(empty) << "a statement without rows still gives a result set";
    int32_t eof = 0;
    empty->IsEOF(&eof);
    EXPECT_NE(eof, 0);

    for (const char16_t* invalid :
         {u"select nothing from nowhere", u"select name from t where id='it's'", u"", u"  ",
          // Found by fuzzing: a literal with a digit after it ran as a numbered parameter.
          u"select id from t where s in ('x','中文'2)", u"select 'a'1 from t"}) {
        HRESULT result = S_OK;
        EXPECT_FALSE(Query(invalid, &result));
        EXPECT_LT(result, 0);
    }
}

// Statements that differ only in the values they quote share one compiled statement; each
// must still read its own values, also while another of the same shape is open.
TEST_F(SQLiteObject, StatementsDifferingInQuotedValuesReadTheirOwnRows) {
    auto first = Query(u"select id from t where s = '中文'");
    auto second = Query(u"select id from t where s = ''");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(Row(first.Get(), 1)[0], "1");
    EXPECT_EQ(Row(second.Get(), 1)[0], "2");
    first.Reset();
    second.Reset();
    for (int round = 0; round < 2; ++round) {
        auto again = Query(u"select id from t where s = ''");
        ASSERT_TRUE(again);
        EXPECT_EQ(Row(again.Get(), 1)[0], "2");
    }

    const struct {
        const char16_t* sql;
        std::string value;
    } cases[] = {
        {u"select 'it''s' from t where id in ('2', '1')", "it's"},
        {u"select x'41' -- it's a blob\n from t", "A"},
        {u"select 'a' as 'name' /* 'b' */ from t", "a"},  // a literal where a name goes
        {u"select \"s\" from t where id = '1'", "中文"},
        {u"select coalesce(?1, 'b') from t", "b"},  // a parameter of its own, never bound
    };
    for (const auto& c : cases) {
        auto rows = Query(c.sql);
        ASSERT_TRUE(rows) << ToUtf8(c.sql);
        EXPECT_EQ(Row(rows.Get(), 1)[0], c.value) << ToUtf8(c.sql);
    }
}

TEST_F(SQLiteObject, OpensReadOnlyAndOnlyRealDatabases) {
    HRESULT result = S_OK;
    EXPECT_FALSE(Query(u"insert into t(id) values(3)", &result));
    EXPECT_LT(result, 0);
    EXPECT_FALSE(Query(u"delete from t", &result));
    db_->CloseDatabase();
    EXPECT_EQ(SqliteFile(path_, SqliteFile::Mode::kReadOnly).Value("select count(*) from t"), "2");

    const std::string folder = MakeTestFolder("not-databases");
    WriteFileBytes(folder + "/text.db", std::string(2000, 't'));
    auto other = core_.SQLite();
    EXPECT_LT(other->OpenDatabase(FromUtf8(folder + "/text.db").c_str()), 0);
    EXPECT_LT(other->OpenDatabase(FromUtf8(folder + "/missing.db").c_str()), 0);
    EXPECT_FALSE(Exists(folder + "/missing.db")) << "nothing is created";
}

TEST_F(SQLiteObject, ReadsBlobsIntoAStreamAndResultSetsOutliveTheObject) {
    auto rows = Query(u"select b from t order by id");
    ASSERT_TRUE(rows);
    db_->CloseDatabase();
    db_.Reset();  // the result set keeps what it reads from alive

    auto stream = ComPtr<IStream>::Attach(CreateMemoryStream());
    VARIANT holder;
    holder.vt = VT_UNKNOWN;
    holder.punkVal = stream.Get();
    ASSERT_EQ(rows->ReadBlobIntoStream(0, holder), S_OK);
    EXPECT_EQ(rows->ReadBlobIntoStream(1, holder), E_INVALIDARG);
    EXPECT_EQ(rows->ReadBlobIntoStream(0, VARIANT{}), E_INVALIDARG);
    uint64_t size = 0;
    stream->Seek(0, StreamSeek::kEnd, &size);
    stream->Seek(0, StreamSeek::kSet, nullptr);
    std::string bytes(size, '\0');
    uint32_t read = 0;
    stream->Read(bytes.data(), static_cast<uint32_t>(size), &read);
    EXPECT_EQ(bytes, std::string("a\0b\xFF", 4));
    rows->MoveNext();
    ScopedBstr text;
    EXPECT_EQ(rows->GetFieldText(0, text.Out()), S_OK);
    EXPECT_EQ(text.ToText(), u"<p>body</p>");
}

}  // namespace
}  // namespace zem::test
