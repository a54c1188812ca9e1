// Accounts shaped in ways the import must take in its stride: a tag tree far deeper than a
// call stack, a database left with a hot rollback journal by a client that crashed
// mid-write, an account that never held a picture and so lacks the resource tables.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "faults/fault_scenario.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

TEST(AccountShapesTest, ATagChainOneHundredThousandDeepIsCreatedWhole) {
    constexpr int kDepth = 100000;
    FaultScenario scenario("tag chain");
    YNoteFixture& y = scenario.Account();
    y.AddNotebook("nb", "笔记");
    y.Database().Exec(
        "with recursive chain(i) as (select 1 union all select i + 1 from chain where i < "
        "cast(? as integer)) "
        "insert into tag_attr select 't' || i, case when i = 1 then '' else 't' || (i - 1) end, "
        "'tag' || i from chain",
        {std::to_string(kDepth)});
    y.AddNote({"n1", "最深的标签", "nb", "t" + std::to_string(kDepth), 1680000000, 1680000000, "",
               "<p>deep</p>"});
    FaultRun run = scenario.Import({.timeoutSeconds = 420});
    ASSERT_EQ(run.status, 0) << run.output;

    SqliteFile kb(scenario.KbFolder() + "/index.db", SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(kb.Value("select count(*) from tag"), std::to_string(kDepth));
    EXPECT_EQ(kb.Value("select group_concat(name) from tag where parent_guid is null"), "tag1");
    // Every tag under the one before it, each made after its parent.
    EXPECT_EQ(kb.Value("select count(*) from tag t join tag p on p.guid = t.parent_guid where "
                       "p.name = 'tag' || (cast(substr(t.name, 4) as integer) - 1) and "
                       "p.rowid < t.rowid"),
              std::to_string(kDepth - 1));
    EXPECT_EQ(kb.Value("select t.name from document_tag dt join tag t on t.guid = dt.tag_guid"),
              "tag" + std::to_string(kDepth));
    scenario.ExpectSecondRunCompletes({.timeoutSeconds = 420});
}

// A client that stops in the middle of a transaction, its changes partly written into the
// database and the old pages kept in account.db-journal.
void CrashMidTransaction(const std::string& database) {
    const pid_t child = fork();
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(database.c_str(), &db);
        sqlite3_exec(db,
                     "pragma cache_size = 2; begin; update note set data = randomblob(6000); "
                     "delete from note_attr where noteid > 'n2';",
                     nullptr, nullptr, nullptr);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

TEST(AccountShapesTest, AHotRollbackJournalIsPlayedBackOnTheCopyOnly) {
    FaultScenario scenario("hot journal");
    YNoteFixture& y = scenario.Account();
    y.AddNotebook("nb", "笔记");
    for (int i = 0; i < 30; ++i) {
        const std::string n = std::to_string(i);
        y.AddNote({"n" + n, "笔记 " + n, "nb", "", 1680000000, 1680000000, "",
                   "<p>committed body " + n + " " + std::string(3000, 'x') + "</p>"});
    }
    y.Close();
    CrashMidTransaction(y.DatabasePath());
    const std::string journal = y.DatabasePath() + "-journal";
    ASSERT_GT(fs::file_size(journal), 0u);
    const std::string databaseBytes = ReadFileBytes(y.DatabasePath());
    const std::string journalBytes = ReadFileBytes(journal);

    FaultRun run = scenario.Import();
    EXPECT_EQ(run.status, 0) << run.output;
    SqliteFile kb(scenario.KbFolder() + "/index.db", SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(kb.Value("select count(*) from document"), "30");
    const std::string guid = kb.Value("select guid from document where title = '笔记 17'");
    EXPECT_NE(ReadFileBytes(scenario.KbFolder() + "/documents/" + guid + "/index.html")
                  .find("committed body 17 xxx"),
              std::string::npos);
    // The user's files are only read.
    EXPECT_TRUE(ReadFileBytes(y.DatabasePath()) == databaseBytes);
    EXPECT_TRUE(ReadFileBytes(journal) == journalBytes);
    scenario.ExpectSecondRunCompletes();
}

// An account that never held a picture: its notes arrive, and the log names the missing
// table once rather than skipping every note.
TEST(AccountShapesTest, AnAccountWithoutResourceTablesImportsItsNotes) {
    for (const std::string table : {"resources", "resource_attr"}) {
        SCOPED_TRACE(table);
        FaultScenario scenario("without " + table);
        YNoteFixture& y = scenario.Account();
        y.AddNotebook("nb", "笔记");
        for (const char* id : {"n1", "n2", "n3"})
            y.AddNote({id, std::string("笔记 ") + id, "nb", "", 1680000000, 1680000000, "",
                       "<p>text</p>"});
        y.DropTable(table);
        FaultRun run = scenario.Import();
        EXPECT_EQ(run.status, 0) << run.output;
        const std::string notice = "the account has no table " + table + ";";
        const size_t first = run.log.find(notice);
        EXPECT_NE(first, std::string::npos) << run.log;
        EXPECT_EQ(run.log.find(notice, first + 1), std::string::npos) << run.log;
        EXPECT_EQ(run.output.find("Can't query database"), std::string::npos) << run.output;
        EXPECT_TRUE(run.Logged("3 notes walked, 3 imported, 0 imported with losses, 0 skipped"));
    }
}

}  // namespace
}  // namespace zem::test
