#include "import/working_copy_indexes.h"

#include "import_test_env.h"

namespace zem::test {
namespace {

class WorkingCopyIndexesTest : public ImportTest {
  protected:
    // Every row of the statement, the given columns joined by "|", in the order given.
    static std::vector<std::string> Rows(IZemKMSQLiteDatabase* database, const Text& sql,
                                         std::vector<int32_t> columns = {0, 1}) {
        std::vector<std::string> rows;
        auto recordset = TryQuery(database, sql);
        EXPECT_TRUE(recordset) << Utf8(sql);
        for (; recordset && HasCurrentRow(recordset.Get()); recordset->MoveNext()) {
            TextList values(columns.size());
            for (size_t i = 0; i < columns.size(); ++i)
                TryReadFieldText(recordset.Get(), columns[i], values[i]);
            rows.push_back(Utf8(JoinTexts(values, u"|")));
        }
        return rows;
    }

    // The per-note statements give the same rows in the same order on the copy given
    // indexes (asking for row order where told to) as on the copy without them.
    void ExpectSameRows(IZemKMSQLiteDatabase* plain, IZemKMSQLiteDatabase* indexed,
                        const StatementRowOrder& order) {
        for (const char16_t* id : {u"n1", u"n2", u"n3", u"42", u"07", u"missing"}) {
            SCOPED_TRACE(Utf8(id));
            const Text quoted = QuoteSqlText(id);
            for (const char16_t* sql : {kSqlSelectNoteBody, kSqlSelectNotebookById})
                EXPECT_EQ(Rows(plain, FormatText(sql, quoted)),
                          Rows(indexed, FormatText(sql, quoted)));
            for (const char16_t* sql : {kSqlSelectInlineResources, kSqlSelectAttachments})
                EXPECT_EQ(Rows(plain, FormatText(sql, quoted)),
                          Rows(indexed, InRowOrder(FormatText(sql, quoted), order.resources)));
        }
        for (const char16_t* ids : {u"'t2','t3','t1'", u"'t1','t1'", u"'T1',''"})
            EXPECT_EQ(
                Rows(plain, FormatText(kSqlSelectTagNames, ids)),
                Rows(indexed, InRowOrder(FormatText(kSqlSelectTagNames, ids), order.tagNames)))
                << Utf8(ids);
    }

    // Rows added against the order of their keys.
    void AddRowsAgainstKeyOrder(YNoteFixture& y) {
        for (const char* id : {"nb3", "nb1", "nb2"})
            y.AddNotebook(id, std::string("notebook ") + id);
        for (const char* id : {"t3", "t1", "t2", "t1"})
            y.AddTag(id, "", std::string("tag ") + id);
        for (const char* id : {"n3", "n1", "n2"})
            y.AddNote({id, id, "nb1", "", 1, 1, "", std::string("body of ") + id});
        y.AddResource("r3", "n1", 2, "a\\x.pdf");
        y.AddResource("r1", "n1", 1, "b\\x.png");
        y.AddResource("r2", "n1", 5, "c\\y");
        y.AddResource("r0", "n1", 4, "d\\never");
        y.AddResource("r9", "n2", 2, "e\\z");
    }
};

TEST_F(WorkingCopyIndexesTest, KeylessTablesAreLookedUpByIndexWithTheirRowsInTheirOwnOrder) {
    YNoteFixture y(folder_ + "/ynote", "account", YNoteKeys::kNone);
    y.Database().Script("drop table note; create table note (noteid, data)");  // no affinity
    AddRowsAgainstKeyOrder(y);
    // Keys twice, and a note id stored both as a number and as text.
    y.AddNotebook("nb1", "second nb1");
    y.Database().Exec("insert into note values ('n1', 'second body of n1')");
    y.Database().Exec("insert into note values (42, 'integer id'), ('42', 'text id')");
    y.Database().Exec("insert into resources values ('r1', 'b\\second.png')");
    y.Close();

    auto plain = OpenYNote(y.DatabasePath());
    auto indexed = OpenYNote(y.DatabasePath());
    const WorkingCopyIndexes indexes = IndexWorkingCopy(indexed.Get());
    EXPECT_TRUE(indexes.failures.empty()) << Utf8(JoinTexts(indexes.failures, u"\n"));
    EXPECT_TRUE(indexes.rowOrder.tagNames);
    EXPECT_TRUE(indexes.rowOrder.resources);
    ExpectSameRows(plain.Get(), indexed.Get(), indexes.rowOrder);
    EXPECT_EQ(
        Rows(indexed.Get(), InRowOrder(FormatText(kSqlSelectInlineResources, u"n1"), true)),
        (std::vector<std::string>{"r3|a\\x.pdf", "r1|b\\x.png", "r2|c\\y", "r1|b\\second.png"}));
    EXPECT_EQ(Rows(indexed.Get(), FormatText(kSqlSelectNoteBody, u"42")),
              std::vector<std::string>{"42|text id"});

    // Every lookup now goes through an index; a second look finds nothing more to do.
    for (const char16_t* sql : {kSqlSelectNoteBody, kSqlSelectNotebookById, kSqlSelectAttachments})
        for (const std::string& step :
             Rows(indexed.Get(), u"explain query plan " + FormatText(sql, u"x"), {3}))
            EXPECT_EQ(step.find("SCAN"), std::string::npos) << step;
    const WorkingCopyIndexes again = IndexWorkingCopy(indexed.Get());
    EXPECT_FALSE(again.rowOrder.tagNames || again.rowOrder.resources);
    EXPECT_NE(LogText().find("table resources was given an index on resid"), std::string::npos);
}

TEST_F(WorkingCopyIndexesTest, OddTablesKeepTheirRowsAndThoseReadWholeAreNamed) {
    YNoteFixture y(folder_ + "/ynote", "account", YNoteKeys::kNone);
    y.Database().Script(R"(
        drop table note; create table note_data (noteid text, data blob);
        create view note as select noteid, data from note_data;
        drop table notebook_attr;
        create table notebook_attr (notebookid integer, notebookname text);
        drop table tag_attr;
        create table tag_attr (tagid text collate nocase, parentid text, name text);
        drop table resources;
        create table resources (resid text, reserve2 text, primary key (reserve2, resid))
            without rowid;
        drop table resource_attr;
        create table resource_attr (resid text, noteid text, type integer, rowid text);
    )");
    y.Database().Script(R"(
        insert into note_data values ('n2', 'b2'), ('n1', 'b1');
        insert into notebook_attr values ('007', 'seven'), (42, 'forty-two'), ('x7', 'x');
        insert into tag_attr values ('t2', '', 'B'), ('T1', '', 'A');
        insert into resources values ('r2', 'z\a'), ('r1', 'a\b');
        insert into resource_attr values ('r2', 'n1', 2, ''), ('r1', 'n1', 2, '');
    )");
    y.Close();

    auto plain = OpenYNote(y.DatabasePath());
    auto indexed = OpenYNote(y.DatabasePath());
    const WorkingCopyIndexes indexes = IndexWorkingCopy(indexed.Get());
    const std::string failures = Utf8(JoinTexts(indexes.failures, u"\n"));
    EXPECT_NE(failures.find("tag_attr could not be given an index on tagid (its columns declare "
                            "a collation)"),
              std::string::npos)
        << failures;
    EXPECT_NE(failures.find("resources could not be given an index on resid (it has no row ids)"),
              std::string::npos);
    EXPECT_NE(failures.find("resource_attr could not be given an index on noteid (it has a column "
                            "named rowid)"),
              std::string::npos);
    EXPECT_EQ(failures.find("table note "), std::string::npos);  // a view: left to its own plan
    EXPECT_EQ(indexes.failures.size(), 3u) << failures;
    EXPECT_FALSE(indexes.rowOrder.tagNames || indexes.rowOrder.resources);
    ExpectSameRows(plain.Get(), indexed.Get(), indexes.rowOrder);
    EXPECT_EQ(Rows(indexed.Get(), FormatText(kSqlSelectNotebookById, u"07")),
              std::vector<std::string>{"7|seven"});
}

TEST_F(WorkingCopyIndexesTest, TablesTheStatementsReadByIndexAreLeftAlone) {
    YNoteFixture& y = MakeFixture();  // keys on note, notebook_attr and resources
    AddRowsAgainstKeyOrder(y);
    y.Close();
    auto plain = OpenYNote(y.DatabasePath());
    auto indexed = OpenYNote(y.DatabasePath());
    const WorkingCopyIndexes indexes = IndexWorkingCopy(indexed.Get());
    EXPECT_TRUE(indexes.failures.empty());
    EXPECT_TRUE(indexes.rowOrder.tagNames);
    EXPECT_FALSE(indexes.rowOrder.resources);  // read by its key, in key order, as before
    ExpectSameRows(plain.Get(), indexed.Get(), indexes.rowOrder);
}

}  // namespace
}  // namespace zem::test
