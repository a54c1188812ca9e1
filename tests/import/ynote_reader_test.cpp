#include "import/ynote_reader.h"

#include <stdlib.h>
#include <time.h>

#include "import_test_env.h"
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
    setenv("TZ", "CST-8", 1);  // UTC+8 without daylight saving, no time-zone data needed
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

TEST_F(YNoteReaderTest, DecodesNoteBodies) {
    auto row = Row("a, b, c, d, e",
                   "x'EFBBBF3C703EE4B8AD3C2F703E', x'EFBBBF', x'41420043', '纯文本', null");
    EXPECT_EQ(ReadBlobText(row.Get(), 0), u"<p>中</p>");  // the mark is dropped
    EXPECT_EQ(ReadBlobText(row.Get(), 1), u"\uFEFF");     // a lone mark is the value
    EXPECT_EQ(ReadBlobText(row.Get(), 2), u"AB");         // cut at the zero byte
    EXPECT_EQ(ReadBlobText(row.Get(), 3), u"纯文本");
    EXPECT_EQ(ReadBlobText(row.Get(), 4), u"");
}

}  // namespace
}  // namespace zem::test
