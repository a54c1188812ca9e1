// The program meeting a knowledge base another program holds: it waits, saying so, while the
// other program writes for a while; it stops with a clear message when the knowledge base
// stays held; and it says at start-up when the knowledge base is locked.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "support/environment.h"
#include "support/held_write_transaction.h"
#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

// The wait for a held knowledge base, shortened for one test.
struct ShortWait {
    explicit ShortWait(const char* seconds) { SetEnv("ZEM_KB_BUSY_WAIT_SECONDS", seconds); }
    ~ShortWait() { UnsetEnv("ZEM_KB_BUSY_WAIT_SECONDS"); }
};

class BusyKnowledgeBaseTest : public ImportProgramTest {
  protected:
    void SetUp() override {
        ImportProgramTest::SetUp();
        account_ = std::make_unique<YNoteFixture>(folder_ + "/ynote");
        account_->AddNotebook("nb1", "工作");
        account_->AddTag("t1", "", "项目");
        for (int n = 1; n <= 3; ++n)
            account_->AddNote({"N" + std::to_string(n), "笔记" + std::to_string(n), "nb1", "t1",
                               1700000000 + n, 1700000000 + n, "",
                               "<p>note " + std::to_string(n) + "</p>"});
        account_->Close();
    }
    ProgramResult Import(const std::vector<std::string>& extra = {}) {
        return RunImport(kb_, account_->DatabasePath(), extra);
    }
    std::string Index() const { return kb_ + "/index.db"; }
    std::string Titles() {
        SqliteFile index(Index(), SqliteFile::Mode::kReadOnly);
        return index.Value(
            "select group_concat(title, '|') from (select title from document "
            "order by title)");
    }

    std::unique_ptr<YNoteFixture> account_;
};

TEST_F(BusyKnowledgeBaseTest, TheImportWaitsForAWriterThatLetsGoAndCompletes) {
    ASSERT_EQ(RunImport(kb_, folder_ + "/no such file").exitCode, 1);  // creates the index
    ProgramResult run;
    {
        HeldWriteTransaction held(Index(), std::chrono::seconds(3));
        run = Import();
    }
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(ProgramLogAscii().find(
                  "the knowledge base is in use by another program; waiting up to 60 s"),
              std::string::npos)
        << ProgramLogAscii();
    EXPECT_NE(ProgramLogAscii().find("the knowledge base was free again after"), std::string::npos)
        << ProgramLogAscii();
    EXPECT_NE(run.output.find("3 notes walked, 3 imported, 0 imported with losses, 0 skipped"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(Titles(), "笔记1|笔记2|笔记3");
}

// The second run finds the tag and the folder made by the first, so the first call that
// must write is the first note's: the wait runs out in the middle of the walk.
TEST_F(BusyKnowledgeBaseTest, AKnowledgeBaseHeldLongerThanTheWaitStopsTheRunWithAClearMessage) {
    ASSERT_EQ(Import().exitCode, 0);
    ShortWait wait("2");
    ProgramResult run;
    {
        HeldWriteTransaction held(Index(), std::chrono::seconds(120));
        // Every note again: an import of only what changed would find nothing to write.
        run = Import({"/ImportAll"});
        held.Release();
    }
    EXPECT_EQ(run.exitCode, 1) << run.output << run.errors;
    EXPECT_NE(
        ProgramLogAscii().find("the knowledge base stayed in use for 2 s; not waiting longer"),
        std::string::npos)
        << ProgramLogAscii();
    for (const char* text :
         {"The knowledge base is still in use by another program, so the import stopped. Try "
          "again when that program has closed it.",
          "skipped note \"笔记1\": the knowledge base was in use by another program",
          "Import ynote stopped: 1 notes walked, 0 imported, 0 imported with losses, 1 skipped"})
        EXPECT_NE(run.output.find(text), std::string::npos) << text << "\n" << run.output;
    // Nothing of the skipped note is left behind, in the index or beside it.
    EXPECT_EQ(Titles(), "笔记1|笔记2|笔记3");
    SqliteFile index(Index(), SqliteFile::Mode::kReadOnly);
    size_t folders = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(kb_ + "/documents"))
        ++folders;
    EXPECT_EQ(folders, 3u);
    EXPECT_EQ(index.Value("PRAGMA integrity_check"), "ok");
}

TEST_F(BusyKnowledgeBaseTest, AKnowledgeBaseLockedAtStartUpIsReportedAsInUse) {
    ASSERT_EQ(RunImport(kb_, folder_ + "/no such file").exitCode, 1);  // creates the index
    ProgramResult run;
    {
        HeldWriteTransaction held(Index(), std::chrono::seconds(120),
                                  HeldWriteTransaction::Lock::kExclusive);
        run = Import();
        held.Release();
    }
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, "Error: The knowledge base is in use by another program:\n\n" + Index() +
                              "\n\nTry again when that program has closed it.\n");
    EXPECT_EQ(Titles(), "");
}

}  // namespace
}  // namespace zem::test
