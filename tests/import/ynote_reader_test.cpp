#include "import/ynote_reader.h"

#include <stdlib.h>
#include <time.h>

#include "import_test_env.h"
#include "platform/code_pages.h"
#include "support/environment.h"
#include "util/text_helpers.h"

namespace zem::test {
namespace {

class YNoteReaderTest : public ImportTest {
  protected:
    // One row of the given values in table t, read back through the engine's SQLite object.
    ComPtr<IZemKMSQLiteRecordset> Row(const std::string& columns, const std::string& values) {
        SqliteFile file(folder_ + "/values.db", SqliteFile::Mode::kCreate);
        file.Script("drop table if exists t; create table t (" + columns + ");" +
                    "insert into t values (" + values + ");");
        file.Close();
        database_ = OpenYNote(folder_ + "/values.db");
        auto rows = RunQuery(database_.Get(), u"select * from t");
        EXPECT_TRUE(rows);
        return rows;
    }
    ComPtr<IZemKMSQLiteDatabase> database_;
};

TEST(QuoteSqlTextTest, DoublesEverySingleQuote) {
    EXPECT_EQ(QuoteSqlText(u"plain"), u"plain");
    EXPECT_EQ(QuoteSqlText(u"it's"), u"it''s");
    EXPECT_EQ(QuoteSqlText(u"''"), u"''''");
    EXPECT_EQ(QuoteSqlText(u"x' or '1'='1"), u"x'' or ''1''=''1");
}

TEST(UnixTimeToOleDateTest, GivesTheLocalMomentToTheSecondAndRefusesWhatTheCalendarCannotHold) {
    // UTC+8 without daylight saving, no time-zone data needed. Windows takes the zone from its
    // session, which its test runner starts in this zone.
    SetEnv("TZ", "CST-8");
    tzset();
    // 2020-01-02 03:04:05 UTC is 11:04:05 local; 2020-01-02 is day 43832.
    const DateTime moment = UnixTimeToOleDate(1577934245);
    EXPECT_TRUE(moment.valid);
    EXPECT_NEAR(moment.value, 43832 + (11 * 3600 + 4 * 60 + 5) / 86400.0, 0.5 / 86400);
    const DateTime epoch = UnixTimeToOleDate(0);
    EXPECT_TRUE(epoch.valid);
    EXPECT_NEAR(epoch.value, 25569 + 8 / 24.0, 0.5 / 86400);

    for (int64_t unusable : {int64_t(-1), int64_t(1577934245000), int64_t(40000000000)}) {
        const DateTime date = UnixTimeToOleDate(unusable);
        EXPECT_FALSE(date.valid) << unusable;
        EXPECT_EQ(date.value, 0.0) << unusable;
    }
}

TEST_F(YNoteReaderTest, ReadsTextNumbersAndNullsTheWayTheImportNeedsThem) {
    auto row = Row("a, b, c, d, e", "null, 'abc', ' 42x', 1577934245, '-7'");
    EXPECT_TRUE(HasCurrentRow(row.Get()));
    EXPECT_EQ(ReadFieldText(row.Get(), 0), u"");
    EXPECT_EQ(ReadFieldInt64(row.Get(), 1), 0);
    EXPECT_EQ(ReadFieldInt64(row.Get(), 2), 42);
    EXPECT_EQ(ReadFieldInt64(row.Get(), 3), 1577934245);
    EXPECT_EQ(TextToInt32(ReadFieldText(row.Get(), 4)), -7);
    EXPECT_TRUE(Messages().empty());
    row->MoveNext();
    EXPECT_FALSE(HasCurrentRow(row.Get()));
}

TEST_F(YNoteReaderTest, ReportsFailedQueriesAndUnreadableColumns) {
    auto row = Row("a", "1");
    EXPECT_FALSE(RunQuery(database_.Get(), u"select * from missing_table"));
    EXPECT_EQ(ReadFieldText(row.Get(), 9), u"");
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"Can't query database:\n\nselect * from missing_table",
                                        "Can't get field value."}));
}

TEST_F(YNoteReaderTest, ReadsBlobsWhole) {
    auto row = Row("a, b, c", "x'41420043', null, ''");
    std::string bytes;
    ASSERT_TRUE(ReadBlobBytes(row.Get(), 0, bytes));
    EXPECT_EQ(bytes, std::string("AB\0C", 4));
    ASSERT_TRUE(ReadBlobBytes(row.Get(), 1, bytes));
    EXPECT_EQ(bytes, "");
    ASSERT_TRUE(ReadBlobBytes(row.Get(), 2, bytes));
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(ReadBlobBytes(row.Get(), 7, bytes));
}

TEST(DecodeNoteBodyTest, ReadsUtf8AndUtf16BodiesWhole) {
    uint32_t codePage = 0;
    EXPECT_EQ(DecodeNoteBody("\xEF\xBB\xBF<p>\xE4\xB8\xAD</p>", &codePage), u"<p>中</p>");
    EXPECT_EQ(codePage, kCodePageUtf8);
    EXPECT_EQ(DecodeNoteBody("\xEF\xBB\xBF"), u"\uFEFF");       // a lone mark is the value
    EXPECT_EQ(DecodeNoteBody(std::string("AB\0C", 4)), u"AB");  // cut at the zero byte
    EXPECT_EQ(DecodeNoteBody("纯文本"), u"纯文本");
    EXPECT_EQ(DecodeNoteBody(""), u"");

    // UTF-16 is not cut at its first zero byte: with either mark, and without one.
    const std::string le(
        "<\0p\0>\0-N\x87"
        "e<\0/\0p\0>\0",
        18);  // <p>中文</p>
    EXPECT_EQ(DecodeNoteBody("\xFF\xFE" + le, &codePage), u"<p>中文</p>");
    EXPECT_EQ(codePage, kCodePageUtf16Le);
    EXPECT_EQ(DecodeNoteBody(le, &codePage), u"<p>中文</p>");
    EXPECT_EQ(codePage, kCodePageUtf16Le);
    std::string be = "\xFE\xFF";
    for (size_t i = 0; i < le.size(); i += 2)
        be += std::string{le[i + 1], le[i]};
    EXPECT_EQ(DecodeNoteBody(be, &codePage), u"<p>中文</p>");
    EXPECT_EQ(codePage, kCodePageUtf16Be);
    // Its own text ends at its first zero character.
    EXPECT_EQ(DecodeNoteBody("\xFF\xFE" + le + std::string("\0\0x\0", 4)), u"<p>中文</p>");
}

}  // namespace
}  // namespace zem::test
