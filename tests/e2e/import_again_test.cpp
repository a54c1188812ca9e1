// An account imported again after it changed: the program run as a user runs it, twice or
// more, on a YNote account changed in between, the knowledge base read directly.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "support/environment.h"
#include "support/local_time.h"
#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/user_language.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kFirst = 1700000000;
constexpr int64_t kLater = 1710000000;

class ImportAgainTest : public ImportProgramTest {
  protected:
    void SetUp() override {
        ImportProgramTest::SetUp();
        ynote_ = std::make_unique<YNoteFixture>(folder_ + "/ynote", "me@example.com");
    }

    // A note in notebook "nb1" with a body naming it.
    void AddNote(const std::string& id, const std::string& tags = "") {
        ynote_->AddNote({id, id, "nb1", tags, kFirst, kFirst, "https://example.com/" + id,
                         "<p>body of " + id + "</p>"});
    }
    // `exitCode` 3: completed, but not every note arrived (a conflict among them).
    ProgramResult Import(const std::vector<std::string>& extra = {}, int exitCode = 0) {
        ynote_->Close();
        ProgramResult run = RunImport(kb_, ynote_->DatabasePath(), extra);
        EXPECT_EQ(run.exitCode, exitCode) << run.output << run.errors;
        return run;
    }
    // The YNote database opened again for changes, as YNote itself would change it.
    SqliteFile YNote() { return SqliteFile(ynote_->DatabasePath(), SqliteFile::Mode::kCreate); }
    SqliteFile Index() { return SqliteFile(kb_ + "/index.db", SqliteFile::Mode::kCreate); }
    std::string Value(const std::string& sql, const std::vector<std::string>& params = {}) {
        return SqliteFile(kb_ + "/index.db", SqliteFile::Mode::kReadOnly).Value(sql, params);
    }
    std::string Guid(const std::string& title) {
        return Value("select guid from document where title = ?", {title});
    }
    std::string Page(const std::string& title) {
        return ReadFileBytes(kb_ + "/documents/" + Guid(title) + "/index.html");
    }
    // Everything index.db holds of documents, their tags and attachments, in one text.
    std::string Contents() {
        std::string all;
        SqliteFile index(kb_ + "/index.db", SqliteFile::Mode::kReadOnly);
        for (const char* sql :
             {"select * from document order by guid", "select * from document_tag order by 1, 2",
              "select * from attachment order by guid", "select * from folder order by 1"}) {
            for (const SqlRow& row : index.Query(sql)) {
                for (const std::string& value : row)
                    all += value + "|";
                all += "\n";
            }
        }
        return all;
    }
    // The closing line of an import of only what changed (none with losses, none skipped).
    static std::string Counts(int walked, int fresh, int updated, int unchanged, int conflicts,
                              int gone, int attachments) {
        return std::to_string(walked) + " notes walked, " + std::to_string(fresh) + " new, " +
               std::to_string(updated) + " updated, " + std::to_string(unchanged) + " unchanged, " +
               std::to_string(conflicts) +
               " conflicts, 0 with losses, 0 skipped; kept: " + std::to_string(gone) +
               " documents whose notes are gone from the account, " + std::to_string(attachments) +
               " attachments gone from their notes";
    }

    std::unique_ptr<YNoteFixture> ynote_;
};

TEST_F(ImportAgainTest, AnUnchangedAccountIsLeftAsItIs) {
    ynote_->AddNotebook("nb1", "工作");
    ynote_->AddTag("t1", "", "项目");
    AddNote("n1", "t1");
    AddNote("n2");
    ynote_->AddResource("R1", "n2", 2, "f\\a.txt", "attached");
    ProgramResult first = Import();
    // A first import is what it always was: no question, the same summary.
    EXPECT_NE(first.output.find("Import ynote completed: 2 notes walked, 2 imported, 0 imported "
                                "with losses, 0 skipped"),
              std::string::npos)
        << first.output;
    EXPECT_EQ(Value("select group_concat(account || ' ' || source_id, '|') from (select * "
                    "from document_source where source = 'YNote' order by source_id)"),
              "me@example.com n1|me@example.com n2");
    const std::string before = Contents();
    const auto pageTime = fs::last_write_time(kb_ + "/documents/" + Guid("n1") + "/index.html");

    ProgramResult second = Import();
    EXPECT_NE(second.output.find(Counts(2, 0, 0, 2, 0, 0, 0)), std::string::npos) << second.output;
    EXPECT_NE(second.output.find("Import completed"), std::string::npos);
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(fs::last_write_time(kb_ + "/documents/" + Guid("n1") + "/index.html"), pageTime);

    // The summary speaks the user's language.
    ProgramResult chinese;
    {
        UserLanguage language(2052);
        chinese = Import();
    }
    EXPECT_NE(chinese.output.find("新增 0 条，更新 0 条，未改动 2 条，冲突 0 条"),
              std::string::npos)
        << chinese.output;
}

TEST_F(ImportAgainTest, EachChangeOfTheAccountLandsInItsDocument) {
    ynote_->AddNotebook("nb1", "工作");
    ynote_->AddNotebook("nb2", "生活");
    ynote_->AddTag("t1", "", "项目");
    ynote_->AddTag("t2", "", "重要");
    ynote_->AddTag("t3", "", "以后");
    for (const char* id : {"body", "title", "moved", "same", "gone"})
        AddNote(id);
    AddNote("tags", "t1,t2");
    AddNote("untagged", "t1");
    AddNote("files");
    ynote_->AddResource("A", "files", 2, "f\\a.txt", "one");
    ynote_->AddResource("B", "files", 2, "f\\b.txt", "two");
    ynote_->AddResource("C", "files", 2, "f\\c.txt", "three");
    Import();
    std::map<std::string, std::string> guids;
    for (const char* title : {"body", "title", "moved", "same", "gone", "tags", "files"})
        guids[title] = Guid(title);
    const std::string sameBefore = Value("select * from document where title = 'same'");

    {
        SqliteFile y = YNote();
        y.Exec("update note_attr set dateupdated = ? where noteid <> 'same'",
               {std::to_string(kLater)});
        y.Exec("update note set data = ? where noteid = 'body'",
               {SqliteFile::Blob("<p>new words <img src=\"PIC9\"></p>")});
        y.Exec("insert into resources values ('PIC9', 'u\\PIC9.png')");
        y.Exec("insert into resource_attr values ('PIC9', 'body', 1)");
        y.Exec("update note_attr set title = 'new title' where noteid = 'title'");
        y.Exec("update note_attr set notebookid = 'nb2' where noteid = 'moved'");
        y.Exec("update note_attr set tags = 't3' where noteid = 'tags'");
        y.Exec("update note_attr set tags = '' where noteid = 'untagged'");
        y.Exec("delete from resource_attr where resid = 'C'");
        y.Exec("insert into resources values ('D', 'f\\d.txt')");
        y.Exec("insert into resource_attr values ('D', 'files', 2)");
        y.Exec("delete from note_attr where noteid = 'gone'");
        y.Exec("insert into note_attr values ('added', 'added', 'nb1', '', ?, ?, '')",
               {std::to_string(kLater), std::to_string(kLater)});
        y.Exec("insert into note values ('added', '<p>added</p>')");
    }
    WriteFileBytes(ynote_->StorageFolder() + "u/PIC9.png", MakePngImage(8, 8, 1, 2, 3));
    WriteFileBytes(ynote_->StorageFolder() + "f/a.txt", "ONE, changed");
    WriteFileBytes(ynote_->StorageFolder() + "f/d.txt", "four");

    ProgramResult run = Import();
    EXPECT_NE(run.output.find(Counts(8, 1, 6, 1, 0, 1, 1)), std::string::npos) << run.output;
    EXPECT_EQ(Value("select count(*) from document"), "9");
    // Each changed note is still one document, the one it had.
    EXPECT_EQ(Guid("body"), guids["body"]);
    EXPECT_EQ(Guid("new title"), guids["title"]);
    EXPECT_EQ(Guid("title"), "");
    EXPECT_EQ(Guid("moved"), guids["moved"]);
    EXPECT_EQ(Guid("files"), guids["files"]);
    EXPECT_EQ(Guid("gone"), guids["gone"]) << "the document of a deleted note stays";

    EXPECT_NE(Page("body").find("new words"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(kb_ + "/documents/" + guids["body"] + "/index_files/u/PIC9.png"),
              MakePngImage(8, 8, 1, 2, 3));
    EXPECT_EQ(Value("select modified || ' ' || updated from document where title = 'body'"),
              LocalStorageTime(kLater) + " " + LocalStorageTime(kLater));
    EXPECT_EQ(Value("select location from document where title = 'moved'"), "/有道云笔记/生活/");
    EXPECT_EQ(Value("select location from document where title = 'new title'"),
              "/有道云笔记/工作/");
    const std::string tagsOf =
        "select ifnull(group_concat(t.name, '|'), '') from document_tag d join tag t on "
        "t.guid = d.tag_guid join document o on o.guid = d.document_guid where o.title = ?";
    EXPECT_EQ(Value(tagsOf, {"tags"}), "以后");
    EXPECT_EQ(Value(tagsOf, {"untagged"}), "");
    EXPECT_EQ(Value("select * from document where title = 'same'"), sameBefore);

    // Attachments: a changed one replaced, a new one added, one the note lost kept.
    SqliteFile index(kb_ + "/index.db", SqliteFile::Mode::kReadOnly);
    const SqlRows files =
        index.Query("select name, guid, size from attachment where document_guid = ? order by name",
                    {guids["files"]});
    ASSERT_EQ(files.size(), 4u);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"a.txt", "ONE, changed"}, {"b.txt", "two"}, {"c.txt", "three"}, {"d.txt", "four"}};
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i][0], expected[i].first);
        EXPECT_EQ(ReadFileBytes(kb_ + "/attachments/" + files[i][1] + "/" + files[i][0]),
                  expected[i].second);
        EXPECT_EQ(files[i][2], std::to_string(expected[i].second.size()));
    }

    // The records follow: a third run finds nothing to do.
    run = Import();
    EXPECT_NE(run.output.find(Counts(8, 0, 0, 8, 0, 1, 0)), std::string::npos) << run.output;
}

TEST_F(ImportAgainTest, DocumentsChangedOrDeletedInTheKnowledgeBase) {
    ynote_->AddNotebook("nb1", "工作");
    for (const char* id : {"edited", "deleted", "plain"})
        AddNote(id);
    Import();
    const std::string edited = Guid("edited");
    WriteFileBytes(kb_ + "/documents/" + edited + "/index.html", "<p>my own words</p>");
    {
        SqliteFile index = Index();
        index.Exec("PRAGMA foreign_keys = ON");
        index.Exec("update document set modified = '2031-01-01 10:00:00' where guid = ?", {edited});
        index.Exec("delete from document where title = 'deleted'");
    }
    YNote().Exec(
        "update note_attr set dateupdated = ?, title = 'edited again' where noteid = "
        "'edited'",
        {std::to_string(kLater)});

    ProgramResult run = Import({}, 3);
    EXPECT_NE(run.output.find(Counts(3, 1, 0, 1, 1, 0, 0)), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Notes left alone because their documents were changed in the "
                              "knowledge base: 1"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("conflict on note \"edited again\""), std::string::npos)
        << run.output;
    EXPECT_EQ(ReadFileBytes(kb_ + "/documents/" + edited + "/index.html"), "<p>my own words</p>");
    EXPECT_EQ(Value("select title || ' ' || modified from document where guid = ?", {edited}),
              "edited 2031-01-01 10:00:00");
    // The note whose document was deleted came back as a new one.
    EXPECT_EQ(Value("select count(*) from document where title = 'deleted'"), "1");
    EXPECT_EQ(Value("select count(*) from document"), "3");

    // The conflict stays until the user resolves it; nothing else happens.
    run = Import({}, 3);
    EXPECT_NE(run.output.find(Counts(3, 0, 0, 2, 1, 0, 0)), std::string::npos) << run.output;
}

// In an account without keys a note may have two rows: the second is compared with what the
// run made of the first, as a later import would compare it, and never becomes a second
// document, also when every note is imported again.
TEST_F(ImportAgainTest, ASecondRowOfANoteMeetsWhatTheRunMadeOfTheFirst) {
    ynote_ =
        std::make_unique<YNoteFixture>(folder_ + "/keyless", "me@example.com", YNoteKeys::kNone);
    ynote_->AddNotebook("nb1", "工作");
    AddNote("n1");
    AddNote("n1");
    AddNote("n2");
    // The second row of n2 changed later; both rows read the note's one body.
    ynote_->AddNote({"n2", "n2", "nb1", "", kFirst, kLater, "https://example.com/n2b", {}});
    AddNote("n3");
    Import();
    EXPECT_EQ(Value("select count(*) from document"), "3");
    EXPECT_EQ(Value("select source_version from document_source where source_id = 'n2'"),
              std::to_string(kLater));
    EXPECT_EQ(Value("select url from document where title = 'n2'"), "https://example.com/n2b");

    // Imported again, the first row of n2 differs from the record and updates the document;
    // the second then differs from what the run made of the first, though not from the
    // record the run started with, and updates it back.
    ProgramResult again = Import();
    EXPECT_NE(again.output.find(Counts(5, 0, 2, 3, 0, 0, 0)), std::string::npos) << again.output;
    EXPECT_EQ(Value("select count(*) from document"), "3");
    EXPECT_EQ(Value("select url from document where title = 'n2'"), "https://example.com/n2b");
    EXPECT_EQ(Value("select source_version from document_source where source_id = 'n2'"),
              std::to_string(kLater));

    ProgramResult all = Import({"/ImportAll"});
    EXPECT_EQ(Value("select count(*) from document"), "6") << all.output;
    EXPECT_EQ(Value("select count(*) from document_source"), "3");
}

TEST_F(ImportAgainTest, ImportAllAddsEveryNoteAgainAsBefore) {
    ynote_->AddNotebook("nb1", "工作");
    AddNote("n1");
    AddNote("n2");
    Import();
    ProgramResult all = Import({"/ImportAll"});
    EXPECT_NE(all.output.find("2 notes walked, 2 imported, 0 imported with losses, 0 skipped"),
              std::string::npos)
        << all.output;
    EXPECT_EQ(Value("select count(*) from document"), "4");
    // The records now name the newer copies, and an import after it has nothing to do.
    EXPECT_EQ(Value("select count(*) from document_source"), "2");
    ProgramResult again = Import();
    EXPECT_NE(again.output.find(Counts(2, 0, 0, 2, 0, 0, 0)), std::string::npos) << again.output;
}

// An engine without the record of sources stands for an older host: imports are what they
// were before, and the log says why a second one adds copies.
TEST_F(ImportAgainTest, AnOlderEngineImportsEveryTimeAndSaysSo) {
    ynote_->AddNotebook("nb1", "工作");
    AddNote("n1");
    AddNote("n2");
    ynote_->Close();
    const std::string host = folder_ + "/older-host";
    fs::create_directories(host);
    fs::copy_file(BinDir() + "/older-engine/ZemKMCore.dll", host + "/ZemKMCore.dll");
    fs::copy_file(BinDir() + "/ZemTools.dll", host + "/ZemTools.dll");
    for (int run = 1; run <= 2; ++run) {
        ProgramResult result = RunImport(kb_, ynote_->DatabasePath(), {"/AppPath=" + host + "/"});
        EXPECT_EQ(result.exitCode, 0) << result.output << result.errors;
        EXPECT_NE(
            result.output.find("2 notes walked, 2 imported, 0 imported with losses, 0 skipped"),
            std::string::npos)
            << result.output;
    }
    EXPECT_EQ(Value("select count(*) from document"), "4");
    EXPECT_EQ(Value("select count(*) from document_source"), "0");
    const std::string log = ProgramLogAscii();
    const std::string line =
        "this knowledge base does not record where its documents come from; importing the "
        "same account again will add a second copy of every note";
    const size_t first = log.find(line);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find(line, first + 1), std::string::npos) << "once in each run";
    EXPECT_EQ(log.find(line, log.find(line, first + 1) + 1), std::string::npos);
}

// A run killed in the middle of the walk, then run again: every note once.
TEST_F(ImportAgainTest, ARunKilledHalfWayIsCompletedWithoutDuplicates) {
    constexpr int kNotes = 300;
    ynote_->AddNotebook("nb1", "工作");
    ynote_->Database().Exec("begin");
    for (int i = 0; i < kNotes; ++i) {
        const std::string id = "n" + std::to_string(i);
        AddNote(id);
        ynote_->AddResource("R" + std::to_string(i), id, 2, "f\\" + id + ".bin",
                            std::string(64 * 1024, static_cast<char>('a' + i % 26)));
    }
    ynote_->Database().Exec("commit");
    ynote_->Close();
    const std::unique_ptr<StartedProgram> program = StartImport(kb_, ynote_->DatabasePath());
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    auto started = [&] {
        const fs::path documents = kb_ + "/documents";
        if (!fs::exists(documents))
            return size_t{0};
        return static_cast<size_t>(std::distance(fs::directory_iterator(documents), {}));
    };
    while (started() < 40 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    program->Kill();
    ASSERT_TRUE(program->Wait().killed) << "the import ended before it could be killed";
    const size_t documentsBefore = std::stoul(Value("select count(*) from document"));
    ASSERT_LT(documentsBefore, size_t{kNotes});

    ProgramResult run = Import();
    EXPECT_NE(run.output.find(std::to_string(kNotes) + " notes walked"), std::string::npos)
        << run.output;
    EXPECT_EQ(Value("select count(*) from document"), std::to_string(kNotes));
    EXPECT_EQ(Value("select count(distinct title) from document"), std::to_string(kNotes));
    EXPECT_EQ(Value("select count(*) from document_source where source_version = ?",
                    {std::to_string(kFirst)}),
              std::to_string(kNotes));
    EXPECT_EQ(Value("select count(*) from (select document_guid from attachment group by "
                    "document_guid having count(*) = 1 and max(size) = 65536)"),
              std::to_string(kNotes));
    EXPECT_EQ(Value("select integrity_check from pragma_integrity_check"), "ok");
}

}  // namespace
}  // namespace zem::test
