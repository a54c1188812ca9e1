#include "import/import_driver.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include "config/global.h"
#include "host/data_store.h"
#include "host/zem_km_document_sources.h"
#include "import/previous_import.h"
#include "import_test_env.h"
#include "platform/system_info.h"
#include "support/awkward_account.h"
#include "support/held_write_transaction.h"
#include "support/local_time.h"
#include "support/test_files.h"
#include "util/log_file.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

// The import dialog as the driver sees it, without a window: it records what the run shows
// and plays the user's Cancel.
class TestDialog : public ImportDialogSurface {
  public:
    IZemKMDatabase* HostDatabase() override { return host; }
    ZemKMCreateSQLiteDatabaseFunc SQLiteFactory() override { return factory; }
    Text SourcePath() override { return source; }
    void SetStatusText(const Text& text) override { statuses.push_back(Utf8(text)); }
    void SetProgressRange(int32_t high) override { range = high; }
    void SetProgressPosition(int32_t position) override { positions.push_back(position); }
    void PumpMessages() override {
        ++pumps;
        if (onPump)
            onPump();
    }
    bool CancelRequested() override { return ++cancelChecks >= cancelAfter; }
    ImportAgainChoice AskImportAgain(const Text& account, int32_t documents) override {
        asked.push_back(Utf8(account) + " " + std::to_string(documents));
        return again;
    }
    void ShowRunSummary(const Text& text) override { summary = Utf8(text); }
    void EndWithOk() override { ended = true; }

    IZemKMDatabase* host = nullptr;
    ZemKMCreateSQLiteDatabaseFunc factory = nullptr;
    Text source;
    std::function<void()> onPump;
    int cancelAfter = 1 << 30;
    ImportAgainChoice again = ImportAgainChoice::kOnlyNewAndChanged;
    std::vector<std::string> asked;

    std::vector<std::string> statuses;
    int32_t range = -1;
    std::vector<int32_t> positions;
    int pumps = 0;
    int cancelChecks = 0;
    std::string summary;
    bool ended = false;
};

class ImportDriverTest : public ImportTest {
  protected:
    TestDialog& Dialog() {
        dialog_.host = Host();
        dialog_.factory = Factory();
        dialog_.source = FromUtf8(fixture_->DatabasePath());
        return dialog_;
    }
    ImportOutcome Run() {
        fixture_->Close();
        return RunYNoteImport(Dialog());
    }
    std::string ImportFolder() { return Utf8(GetGlobal().GetTempFolder()) + "Import.YNote/"; }
    std::vector<std::string> Column(const std::string& sql) {
        std::vector<std::string> values;
        for (const SqlRow& row : Kb(sql))
            values.push_back(row[0]);
        return values;
    }
    void MakeAccount() { FillAwkwardAccount(MakeFixture()); }

    TestDialog dialog_;
};

TEST_F(ImportDriverTest, ImportsEveryNoteWithContentTagsAttachmentsAndDates) {
    MakeAccount();
    const int64_t before = CurrentUnixTime();
    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Import completed"});
    EXPECT_TRUE(dialog_.ended);
    EXPECT_EQ(dialog_.statuses, (std::vector<std::string>{"a-b", "无标题笔记", "毫秒"}));
    EXPECT_EQ(dialog_.range, 3);
    EXPECT_EQ(dialog_.positions, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_NE(dialog_.summary.find("3 notes walked, 3 imported, 0 imported with losses, 0 skipped"),
              std::string::npos);

    SqlRows docs =
        Kb("select title, location, coalesce(url, ''), created, modified, updated, "
           "guid from document order by title");
    ASSERT_EQ(docs.size(), 3u);
    EXPECT_EQ(docs[0][0], "a-b");
    EXPECT_EQ(docs[0][1], "/有道云笔记/工作/");
    EXPECT_EQ(docs[0][2], "https://example.com/a");
    EXPECT_EQ(docs[0][3], LocalStorageTime(1577934245));
    EXPECT_EQ(docs[0][4], LocalStorageTime(1580000000));
    EXPECT_EQ(docs[0][5], LocalStorageTime(1580000000));
    EXPECT_EQ(docs[1][0], "无标题笔记");  // the note whose id holds a quote
    EXPECT_EQ(docs[1][1], "/有道云笔记/生活/");
    EXPECT_EQ(docs[2][0], "毫秒");
    EXPECT_EQ(docs[2][1], "/有道云笔记/");  // its notebook row is missing
    // Unusable times leave the host's own dates rather than 1899-12-30.
    EXPECT_GE(docs[2][3], LocalStorageTime(before));
    EXPECT_GE(docs[2][4], LocalStorageTime(before));

    EXPECT_EQ(Column("select t.name from document_tag dt join tag t on t.guid = dt.tag_guid "
                     "join document d on d.guid = dt.document_guid where d.title = 'a-b' "
                     "order by t.name"),
              (std::vector<std::string>{"前端-UI", "项目"}));
    EXPECT_EQ(Column("select p.name from tag t join tag p on p.guid = t.parent_guid "
                     "where t.name = ' 前端-UI '"),
              std::vector<std::string>{"项目"});

    SqlRows attachments = Kb("select name, guid from attachment order by name");
    ASSERT_EQ(attachments.size(), 2u);
    EXPECT_EQ(attachments[0][0], "report (2).pdf");
    EXPECT_EQ(attachments[1][0], "report.pdf");
    std::string both;
    for (const SqlRow& a : attachments)
        both += ReadFileBytes(kbFolder_ + "/attachments/" + a[1] + "/" + a[0]);
    EXPECT_TRUE(both == "second reportfirst report" || both == "first reportsecond report");

    const std::string page = ReadFileBytes(kbFolder_ + "/documents/" + docs[0][6] + "/index.html");
    EXPECT_NE(page.find("src=\"index_files/user/PIC1.png\""), std::string::npos) << page;
    EXPECT_EQ(ReadFileBytes(kbFolder_ + "/documents/" + docs[0][6] + "/index_files/user/PIC1.png"),
              MakePngImage(3, 2, 255, 0, 0));
    EXPECT_NE(page.find("zem_custom_css"), std::string::npos);

    // Each page is its note's own: a shorter page written after a longer one keeps nothing of
    // it.
    for (size_t i = 1; i < docs.size(); ++i) {
        const std::string later =
            ReadFileBytes(kbFolder_ + "/documents/" + docs[i][6] + "/index.html");
        EXPECT_NE(later.find(i == 1 ? "<p>quote</p>" : "<p>ms</p>"), std::string::npos) << later;
        EXPECT_EQ(later.find("PIC1"), std::string::npos) << later;
        EXPECT_EQ(later.find("</html>"), later.rfind("</html>")) << later;
    }

    // The run's working files are gone; the import folder stays.
    ASSERT_TRUE(fs::is_directory(ImportFolder()));
    EXPECT_TRUE(fs::is_empty(ImportFolder()));
}

// An account imported before: the run asks first; stopping there changes nothing, and
// importing only the changes finds none.
TEST_F(ImportDriverTest, AnAccountImportedBeforeIsAskedAbout) {
    MakeAccount();
    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    EXPECT_TRUE(dialog_.asked.empty());
    dialog_.again = ImportAgainChoice::kNothing;
    ASSERT_EQ(Run(), ImportOutcome::kStopped);
    EXPECT_EQ(dialog_.asked, std::vector<std::string>{"account 3"});
    EXPECT_NE(LogText().find("the account account was imported before, and was not imported "
                             "again"),
              std::string::npos);
    dialog_.again = ImportAgainChoice::kOnlyNewAndChanged;
    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    // A note without a creation time gets the time of each import, yet it is unchanged.
    EXPECT_NE(dialog_.summary.find("3 notes walked, 0 new, 0 updated, 3 unchanged"),
              std::string::npos)
        << dialog_.summary;
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Import completed", "Import completed"}));
    EXPECT_EQ(Column("select count(*) from document"), std::vector<std::string>{"3"});

    // The two changed notes are counted once stored, the second after the unchanged note
    // that follows it: the bar still only moves forward.
    SqliteFile(fixture_->DatabasePath(), SqliteFile::Mode::kCreate)
        .Exec("update note_attr set dateupdated = dateupdated + 1 where noteid <> 'n3'");
    dialog_.positions.clear();
    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    EXPECT_NE(dialog_.summary.find("3 notes walked, 0 new, 2 updated, 1 unchanged"),
              std::string::npos)
        << dialog_.summary;
    EXPECT_EQ(dialog_.positions, (std::vector<int32_t>{1, 3}));
}

TEST_F(ImportDriverTest, DebugKeepsTheWorkingFiles) {
    char program[] = "ZemYNote", debug[] = "/Debug";
    char* argv[] = {program, debug};
    SetCommandLine(2, argv);
    // The switch is read once per process; CTest gives this case a process of its own.
    if (!IsDebugSwitchOn())
        GTEST_SKIP() << "the command line was read before this test ran";
    MakeAccount();
    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    // The run's own folder stays, without the lock that would let a later run remove it.
    std::vector<fs::path> runFolders{fs::directory_iterator(ImportFolder()), {}};
    ASSERT_EQ(runFolders.size(), 1u);
    const std::string notes = runFolders[0].string() + "/notes/";
    EXPECT_TRUE(fs::exists(notes + "n1.htm"));
    EXPECT_TRUE(fs::exists(notes + "user/PIC1.png"));
    EXPECT_TRUE(fs::exists(notes + "report (2).pdf"));
    EXPECT_TRUE(fs::exists(runFolders[0] / "ynote.db"));
    EXPECT_FALSE(fs::exists(runFolders[0] / "run.lock"));

    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    EXPECT_EQ(std::distance(fs::directory_iterator(ImportFolder()), {}), 2);
}

TEST_F(ImportDriverTest, DebugInsideAPathKeepsNothing) {
    char program[] = "ZemYNote", database[] = "/DatabasePath=/home/me/debug/kb/index.db";
    char* argv[] = {program, database};
    SetCommandLine(2, argv);
    MakeAccount();
    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    EXPECT_TRUE(fs::is_empty(ImportFolder()));
}

// YNote keeps its database in WAL mode while it runs: notes not yet merged into the main
// file live in its -wal file, and SQLite leaves -wal and -shm files beside the working copy.
TEST_F(ImportDriverTest, ADatabaseInWalModeImportsEveryNoteAndLeavesNoFiles) {
    MakeAccount();
    fixture_->Database().Exec("pragma journal_mode=wal");
    fixture_->Database().Exec("pragma wal_autocheckpoint=0");
    fixture_->AddNote({.noteId = "wal1",
                       .title = "只在日志里",
                       .notebookId = "nb1",
                       .created = 1700000000,
                       .updated = 1700000000,
                       .body = "<p>w</p>"});
    ASSERT_TRUE(fs::exists(fixture_->DatabasePath() + "-wal"));
    // The writer stays open, as YNote does, so nothing is merged before the copy.
    const ImportOutcome outcome = RunYNoteImport(Dialog());
    ASSERT_EQ(outcome, ImportOutcome::kCompleted);
    const std::vector<std::string> titles = Column("select title from document");
    EXPECT_NE(std::find(titles.begin(), titles.end(), "只在日志里"), titles.end());
    EXPECT_TRUE(fs::is_empty(ImportFolder()));
}

TEST_F(ImportDriverTest, CancelStopsTheWalkAfterTheCurrentNote) {
    MakeAccount();
    dialog_.cancelAfter = 1;
    ASSERT_EQ(Run(), ImportOutcome::kCancelled);
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(dialog_.ended);
    EXPECT_EQ(Column("select title from document"), std::vector<std::string>{"a-b"});
    EXPECT_NE(dialog_.summary.find("cancelled: 1 notes walked, 1 imported"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(ImportFolder()));
}

TEST_F(ImportDriverTest, ASecondRunCannotStartInsideTheFirst) {
    MakeAccount();
    ImportOutcome inner = ImportOutcome::kCompleted;
    dialog_.onPump = [&] {
        TestDialog second;
        second.host = Host();
        second.factory = Factory();
        inner = RunYNoteImport(second);
    };
    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    EXPECT_EQ(inner, ImportOutcome::kStopped);
    EXPECT_EQ(Kb("select * from document").size(), 3u);
}

TEST_F(ImportDriverTest, StopsBeforeTheWalkWithTheRightMessage) {
    MakeAccount();
    fixture_->Close();
    TestDialog& dialog = Dialog();

    dialog.host = nullptr;
    EXPECT_EQ(RunYNoteImport(dialog), ImportOutcome::kNotRun);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(dialog.summary.empty());

    dialog.host = Host();
    dialog.factory = nullptr;
    EXPECT_EQ(RunYNoteImport(dialog), ImportOutcome::kStopped);
    dialog.factory = Factory();
    dialog.source = FromUtf8(folder_ + "/deleted.db");
    EXPECT_EQ(RunYNoteImport(dialog), ImportOutcome::kStopped);
    dialog.source = FromUtf8(folder_);
    EXPECT_EQ(RunYNoteImport(dialog), ImportOutcome::kStopped);
    WriteFileBytes(folder_ + "/damaged.db", std::string(4096, 'x'));
    dialog.source = FromUtf8(folder_ + "/damaged.db");
    EXPECT_EQ(RunYNoteImport(dialog), ImportOutcome::kStopped);

    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"Failed to create database object",
                                        "File does not exists:\n\n" + folder_ + "/deleted.db",
                                        "无法拷贝数据库文件!",
                                        "Can't open database:\n\n" + folder_ + "/damaged.db"}));
    EXPECT_FALSE(dialog.ended);
    EXPECT_NE(dialog.summary.find("stopped: 0 notes walked"), std::string::npos);
    EXPECT_TRUE(Kb("select * from document").empty());
    EXPECT_TRUE(fs::is_empty(ImportFolder()));
}

// Each table missing in turn: what is reported, and how far the import gets.
TEST_F(ImportDriverTest, AMissingTableIsReportedWithItsQuery) {
    struct Case {
        std::string table;
        std::vector<std::string> queries;  // the statements reported, in order
        ImportOutcome outcome;
        size_t documents;
    } cases[] = {
        {"tag_attr",
         {"select tagid, parentid, name from tag_attr",
          "select name from tag_attr where tagid in ('t1','t2')"},
         ImportOutcome::kCompletedWithGaps,
         3},
        // Said once; every note then goes into the root folder.
        {"notebook_attr",
         {"select notebookid, notebookname from notebook_attr"},
         ImportOutcome::kCompleted,
         3},
        {"note", {"select count(*) from note"}, ImportOutcome::kStopped, 0},
        {"note_attr",
         {"select noteid, title, notebookid, tags, datecreated, dateupdated, sourceurl from "
          "note_attr"},
         ImportOutcome::kStopped,
         0},
        // The resource files are then looked for relative to the current folder.
        {"config_new",
         {"select configname, configvalue from config_new where "
          "configname='AttachmentStorageDir'"},
         ImportOutcome::kCompletedWithGaps,
         3},
        // Without resource tables the notes arrive without resources, and nothing is lost.
        {"resource_attr", {}, ImportOutcome::kCompleted, 3},
        {"resources", {}, ImportOutcome::kCompleted, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        // The host lets go of the last case's index first: Windows removes no open file.
        host_.Reset();
        fs::remove_all(kbFolder_);
        fs::create_directories(kbFolder_);
        toolkit_->events.clear();
        dialog_ = TestDialog();
        MakeAccount();
        fixture_->DropTable(c.table);
        EXPECT_EQ(Run(), c.outcome);
        std::vector<std::string> expected;
        for (const std::string& query : c.queries)
            expected.push_back("Can't query database:\n\n" + query);
        std::vector<std::string> messages = Messages();
        if (c.outcome != ImportOutcome::kStopped) {
            ASSERT_FALSE(messages.empty());
            EXPECT_TRUE(messages.back().starts_with("Import completed")) << messages.back();
            EXPECT_EQ(messages.back() == "Import completed",
                      c.outcome == ImportOutcome::kCompleted);
            messages.pop_back();
        }
        EXPECT_EQ(messages, expected);
        EXPECT_EQ(Kb("select * from document").size(), c.documents);
        if (c.documents == 0 && c.outcome == ImportOutcome::kCompleted) {
            EXPECT_NE(dialog_.summary.find("skipped note \"a-b\""), std::string::npos);
        }
        EXPECT_TRUE(fs::is_empty(ImportFolder()));
    }
}

// The host refusing a folder or a document: the note is skipped with its message, the walk
// goes on. Triggers in the knowledge base's own index make the engine fail for real.
TEST_F(ImportDriverTest, NotesTheHostRefusesAreSkippedAndSummarised) {
    MakeAccount();
    Host();
    {
        SqliteFile index(kbFolder_ + "/index.db", SqliteFile::Mode::kCreate);
        index.Script(
            "create trigger refuse_folder before insert on folder when new.location = "
            "'/有道云笔记/生活/' begin select raise(abort, 'refused'); end;"
            "create trigger refuse_document before insert on document when new.title = "
            "'毫秒' begin select raise(abort, 'refused'); end;");
    }
    ASSERT_EQ(Run(), ImportOutcome::kCompletedWithGaps);
    const std::string completed =
        "Import completed\n\nNotes skipped: 2\nThe log file names each "
        "one:\n" +
        Utf8(GetLogFilePath());
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"Failed to create folder:\n\n/有道云笔记/生活",
                                        "Failed to create document:\n\n毫秒", completed}));
    EXPECT_EQ(Column("select title from document"), std::vector<std::string>{"a-b"});
    EXPECT_EQ(dialog_.positions, std::vector<int32_t>{1});
    EXPECT_NE(dialog_.summary.find("skipped note \"无标题笔记\": the folder /有道云笔记/生活"),
              std::string::npos);
    EXPECT_NE(dialog_.summary.find("skipped note \"毫秒\""), std::string::npos);
    const std::string counts = "3 notes walked, 1 imported, 0 imported with losses, 2 skipped";
    EXPECT_NE(dialog_.summary.find(counts), std::string::npos);
    EXPECT_NE(LogText().find(counts), std::string::npos);
}

// Another program writing for a while: the run waits with the status line saying so, and
// every note arrives.
TEST_F(ImportDriverTest, AKnowledgeBaseHeldForAWhileIsWaitedForWithTheStatusLineSayingSo) {
    MakeAccount();
    Host();
    {
        HeldWriteTransaction held(kbFolder_ + "/index.db", std::chrono::seconds(2));
        ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    }
    EXPECT_EQ(Messages(), std::vector<std::string>{"Import completed"});
    EXPECT_NE(std::find(dialog_.statuses.begin(), dialog_.statuses.end(),
                        "Waiting for the knowledge base, which another program is using (0 s)..."),
              dialog_.statuses.end());
    EXPECT_NE(dialog_.summary.find("3 notes walked, 3 imported, 0 imported with losses, 0 skipped"),
              std::string::npos);
    EXPECT_EQ(Column("select title from document order by title"),
              (std::vector<std::string>{"a-b", "无标题笔记", "毫秒"}));
}

// Another run holding the account: this one waits with the status line saying so, and
// then, as the account was just imported, brings in only what changed, without asking and
// without a second copy although every note again was asked for; a wait may be cancelled.
TEST_F(ImportDriverTest, AnotherImportOfTheAccountIsWaitedForAndNotRepeated) {
    MakeAccount();
    ASSERT_EQ(Run(), ImportOutcome::kCompleted);
    const Text account = YNoteAccountName(FromUtf8(fixture_->DatabasePath()));
    auto holds = ComPtr<IZemKMSourceAccountHold>::QueryFrom(Host());
    ASSERT_TRUE(holds);
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "waited for");
        ComPtr<IUnknown> other;
        ASSERT_EQ(holds->TryHoldSourceAccount(u"YNote", account.c_str(), other.Out()), S_OK);
        ComPtr<IUnknown> second;
        EXPECT_EQ(holds->TryHoldSourceAccount(u"YNote", account.c_str(), second.Out()), S_FALSE);
        dialog_ = TestDialog();
        dialog_.again = ImportAgainChoice::kEveryNote;
        if (cancel)
            dialog_.cancelAfter = 3;
        else
            dialog_.onPump = [&] {
                if (dialog_.pumps == 3)
                    other.Reset();
            };
        EXPECT_EQ(Run(), cancel ? ImportOutcome::kStopped : ImportOutcome::kCompleted);
        EXPECT_EQ(dialog_.statuses.front(),
                  "Waiting for another import of this account to finish (0 s)...");
        EXPECT_TRUE(dialog_.asked.empty());
        EXPECT_EQ(Kb("select * from document").size(), 3u);
        if (!cancel) {
            EXPECT_NE(dialog_.summary.find("0 new, 0 updated, 3 unchanged"), std::string::npos)
                << dialog_.summary;
        }
    }
}

}  // namespace
}  // namespace zem::test
