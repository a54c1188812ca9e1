// The program run as a user runs it: ZemYNote /Console /DatabasePath=... /Import=... on
// YNote accounts built in code, then the knowledge base checked against the account.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "imported_account_check.h"
#include "platform/files.h"
#include "support/awkward_account.h"
#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

constexpr char kQueryFailed[] = "Can't query database:\n\n";

class EndToEndTest : public ImportProgramTest {
  protected:
    YNoteFixture& Account(YNoteKeys keys = YNoteKeys::kPrimaryKeys) {
        fixture_ = std::make_unique<YNoteFixture>(folder_ + "/ynote", "account", keys);
        return *fixture_;
    }
    ProgramResult Import(const std::vector<std::string>& extra = {}) {
        fixture_->Close();
        return RunImport(kb_, fixture_->DatabasePath(), extra);
    }
    std::string ImportFolder() { return TestHome() + "/tmp/Zem/Import.YNote/"; }
    size_t Count(const std::string& table) {
        SqliteFile index(kb_ + "/index.db", SqliteFile::Mode::kReadOnly);
        return std::stoul(index.Value("select count(*) from " + table));
    }
    std::string Log() { return ProgramLogAscii(); }

    // The awkward account with what only a whole run meets besides: a notebook name holding
    // "/", the unfiled notebook, deeper tags, a picture twice in a body, pictures and files of
    // every resource type, attachment names that are forbidden only or nested, a body with a
    // byte-order mark, a messy tag list, a zero time, and a note whose resource paths leave
    // the storage folder.
    void FillAccount(YNoteFixture& y) {
        FillAwkwardAccount(y);
        y.AddNotebook("nb3", "旅行/日本");
        y.AddNotebook("00000111", "未分类");
        y.AddTag("t3", "t2", "React");
        y.AddTag("t4", "", "a;b");
        y.AddTag("t5", "", "重要");

        y.AddNote({"WEB001", "周报 2024/第12周", "nb1", "t1,t3", 1710720000, 1711065600,
                   "https://example.com/weekly",
                   "<p>图一 <img src=\"PIC0\"> 再一次 <img src=\"PIC0\"> 图二 "
                   "<img src=\"PIC2\"></p>"});
        y.AddResource("PIC0", "WEB001", 1, "u1\\PIC1.png", MakePngImage(160, 90, 20, 90, 200));
        y.AddResource("PIC2", "WEB001", 5, "u1\\PIC2.png", MakePngImage(40, 30, 200, 20, 20));
        y.AddResource("ATT1", "WEB001", 2, "f1\\report.pdf", "%PDF first");
        y.AddResource("ATT2", "WEB001", 2, "f2\\report.pdf", "%PDF second");
        y.AddResource("ATT3", "WEB001", 2, "f3\\,%'", "forbidden-only name");
        y.AddResource("ATT4", "WEB001", 2, "f4\\sub\\inner.txt", "nested name");
        y.AddResource("ATT5", "WEB001", 4, "f5\\never.bin", "type 4");
        y.AddResource("PIC3", "WEB001", 3, "u1\\PIC3.png", "type 3, not in the body");

        y.AddNote({"WEB002", "字节顺序标记", "nb2", "", 1700000000, 1700003600, "",
                   "\xEF\xBB\xBF<p>正文</p>"});
        y.AddNote({"WEB003", "引号 'id'", "nb2", "t4,t5", 1690000000, 1690000100, "",
                   "<p>quoted <img src=\"PIC4\"></p>"});
        y.AddResource("PIC4", "WEB003", 1, "u2\\PIC4.png", MakePngImage(10, 10, 0, 0, 0));
        y.AddResource("ATT6", "WEB003", 2, "f6\\quoted.txt", "quoted attachment");
        y.AddNote({"WEB004", "零时间", "nb3", ",t5,,t2,", 0, 1690000100, "", "<p>now</p>"});
        y.AddNote({"WEB006", "未分类的笔记", "00000111", "", 1680000000, 1680000000, "",
                   "<p>unfiled</p>"});
        WriteFileBytes(folder_ + "/secret.txt", "must not be read");
        y.AddNote({"../../evil", "危险的路径", "nb1", "", 1680000000, 1680000000, "",
                   "<p><img src=\"PIC5\"></p>"});
        y.AddResource("PIC5", "../../evil", 1, "..\\..\\secret.txt");
        y.AddResource("ATT7", "../../evil", 2, "x\\..\\..\\..\\secret.txt");
    }

    std::unique_ptr<YNoteFixture> fixture_;
};

TEST_F(EndToEndTest, ImportsAWholeAccount) {
    FillAccount(Account());
    ProgramResult run = Import();
    // The note whose resource paths leave the storage folder arrives without them.
    ASSERT_EQ(run.exitCode, 3) << run.output << run.errors;
    EXPECT_NE(run.output.find("9 notes walked, 8 imported, 1 imported with losses, 0 skipped"),
              std::string::npos)
        << run.output;
    EXPECT_LT(run.output.find("9 notes walked"), run.output.find("Import completed"));
    EXPECT_EQ(run.output.find(kQueryFailed), std::string::npos) << run.output;
    ExpectImportedAccount(fixture_->DatabasePath(), fixture_->StorageFolder(), kb_);

    SqliteFile index(kb_ + "/index.db", SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(
        index.Value("select group_concat(name, '|') from (select name from attachment "
                    "order by name)"),
        "ATT3|PIC2.png|inner.txt|quoted.txt|report (2).pdf|report (2).pdf|report.pdf|report.pdf");
    EXPECT_EQ(index.Value("select location from document where title = '未分类的笔记'"),
              "/有道云笔记/未分类/");
    EXPECT_EQ(index.Value("select integrity_check from pragma_integrity_check"), "ok");
    for (const char* loss : {"lost the picture ..\\..\\secret.txt: its path leaves",
                             "lost the attachment x\\..\\..\\..\\secret.txt: its path leaves"}) {
        EXPECT_NE(run.output.find(std::string("Import ynote, note \"危险的路径\" ") + loss),
                  std::string::npos)
            << loss;
        EXPECT_NE(Log().find(loss), std::string::npos) << loss;
    }
    EXPECT_TRUE(fs::is_empty(ImportFolder()));
}

TEST_F(EndToEndTest, ImportedPicturesLoadInABrowser) {
#ifdef _WIN32
    GTEST_SKIP() << "the browser that judges the pictures is Linux's chromium, which a Windows "
                    "process cannot start";
#endif
    if (!fs::exists("/usr/bin/chromium"))
        GTEST_SKIP() << "chromium is not installed";
    FillAccount(Account());
    ASSERT_EQ(Import().exitCode, 3);
    const std::string documentFolder =
        kb_ + "/documents/" + DocumentGuid(kb_, "周报 2024-第12周") + "/";
    // The page itself, with a script that writes each picture's decoded size into the DOM.
    std::string page = ReadFileBytes(documentFolder + "index.html");
    const size_t bodyEnd = page.rfind("</body>");
    ASSERT_NE(bodyEnd, std::string::npos);
    page.insert(bodyEnd,
                "<script>window.addEventListener('load', function () {"
                "var out = document.createElement('pre'); out.id = 'sizes';"
                "document.querySelectorAll('img').forEach(function (img) {"
                "out.textContent += 'picture ' + img.naturalWidth + 'x' + img.naturalHeight + "
                "' ' + img.getAttribute('src') + '\\n'; });"
                "document.body.appendChild(out); });</script>");
    WriteFileBytes(documentFolder + "check.html", page);
    ProgramResult browser = RunProgram(
        "/usr/bin/chromium",
        {"--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
         "--user-data-dir=" + folder_ + "/chromium", "--virtual-time-budget=10000", "--dump-dom",
         "file://" + documentFolder + "check.html"});
    ASSERT_EQ(browser.exitCode, 0) << browser.errors;
    std::smatch m;
    std::vector<std::string> sizes;
    std::string dom = browser.output;
    for (std::regex line("picture (\\d+x\\d+) (\\S+)"); std::regex_search(dom, m, line);
         dom = m.suffix())
        sizes.push_back(m[1].str() + " " + m[2].str());
    EXPECT_EQ(sizes, (std::vector<std::string>{"160x90 index_files/u1/PIC1.png",
                                               "160x90 index_files/u1/PIC1.png",
                                               "40x30 index_files/u1/PIC2.png"}))
        << browser.output;
}

TEST_F(EndToEndTest, ARunThatCannotStartSaysWhyAndWritesNothing) {
    FillAccount(Account());
    fixture_->Close();
    struct Case {
        std::string database;
        std::string message;
    } cases[] = {
        {folder_ + "/deleted.db", "File does not exists:\n\n" + folder_ + "/deleted.db"},
        {folder_ + "/ynote", "无法拷贝数据库文件!"},
        {folder_ + "/damaged.db", "Can't open database:\n\n" + folder_ + "/damaged.db"},
    };
    std::string damaged = ReadFileBytes(fixture_->DatabasePath());
    for (size_t i = 0; i < damaged.size(); i += 7)
        damaged[i] = static_cast<char>(i * 31);
    WriteFileBytes(folder_ + "/damaged.db", damaged);
    for (const Case& c : cases) {
        ProgramResult run = RunImport(kb_, c.database);
        EXPECT_EQ(run.exitCode, 1) << c.database;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("stopped: 0 notes walked"), std::string::npos) << run.output;
    }
    for (const char* table : {"document", "tag", "attachment"})
        EXPECT_EQ(Count(table), 0u);
    EXPECT_TRUE(fs::is_empty(ImportFolder()));

    // Without the engine beside the program, no SQLite object can be made.
    const std::string program = folder_ + "/program/";
    fs::create_directories(program);
#ifdef _WIN32
    const char* const programFile = "ZemYNote.exe";
#else
    const char* const programFile = "ZemYNote";
#endif
    for (const char* file : {programFile, "document.mez", "files", "translations"})
        fs::copy(BinDir() + "/" + file, program + file, fs::copy_options::recursive);
    ProgramResult run = RunProgram(program + "ZemYNote", {"/Console", "/AppPath=" + BinDir() + "/",
                                                          "/DatabasePath=" + kb_ + "/index.db",
                                                          "/Import=" + fixture_->DatabasePath()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Failed to create database object"), std::string::npos)
        << run.output << run.errors;
}

// A page of the note list damaged in the middle: the notes before it arrive, and the run
// says where the list broke instead of passing over the rest in silence.
TEST_F(EndToEndTest, ADamagedNoteListEndsTheWalkWithAnExplanation) {
    YNoteFixture& y = Account();
    y.AddNotebook("nb", "笔记");
    for (int i = 0; i < 300; ++i) {
        const std::string title = "MARKER-" + std::to_string(i) + "-" + std::string(400, 'x');
        y.AddNote({"n" + std::to_string(i), title, "nb", "", 1680000000, 1680000000, "", "<p/>"});
    }
    y.Close();
    std::string bytes = ReadFileBytes(y.DatabasePath());
    const size_t marker = bytes.find("MARKER-200-");
    ASSERT_NE(marker, std::string::npos);
    bytes[marker / 4096 * 4096] = '\xFF';  // the page's type byte: no valid b-tree page
    WriteFileBytes(y.DatabasePath(), bytes);

    ProgramResult run = Import();
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find("the note list could not be read beyond note"), std::string::npos)
        << run.output;
    const size_t documents = Count("document");
    EXPECT_GT(documents, 100u);
    EXPECT_LT(documents, 201u);
}

// Each table missing in turn. An account without the resource tables (one that never held a
// picture) imports its notes without resources; the log says once which table is missing.
TEST_F(EndToEndTest, EachMissingTableIsReportedWithItsQuery) {
    struct Case {
        std::string table, report;
        int exitCode;
    } cases[] = {
        {"tag_attr", kQueryFailed + std::string("select tagid, parentid, name from tag_attr\n"), 3},
        {"notebook_attr",
         kQueryFailed + std::string("select notebookid, notebookname from notebook_attr\n"), 3},
        {"note", kQueryFailed + std::string("select count(*) from note\n"), 1},
        {"note_attr",
         kQueryFailed + std::string("select noteid, title, notebookid, tags, datecreated, "
                                    "dateupdated, sourceurl from note_attr\n"),
         1},
        {"config_new",
         kQueryFailed + std::string("select configname, configvalue from config_new where "
                                    "configname='AttachmentStorageDir'\n"),
         3},
        {"resource_attr", "the account has no table resource_attr; its notes are imported", 0},
        {"resources", "the account has no table resources; its notes are imported", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        fs::remove_all(kb_);
        fs::create_directories(kb_);
        FillAccount(Account());
        fixture_->DropTable(c.table);
        ProgramResult run = Import();
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.output.find(c.report), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Import completed") != std::string::npos, c.exitCode != 1);
        EXPECT_TRUE(fs::is_empty(ImportFolder()));
        if (c.table.starts_with("resource")) {
            EXPECT_EQ(run.output.find(kQueryFailed), std::string::npos) << run.output;
            EXPECT_EQ(Count("document"), 9u);
            EXPECT_EQ(Count("attachment"), 0u);
        }
    }
}

// The knowledge base refuses a folder and a document (triggers in its own index), and one
// picture cannot be stored because its path would grow past the system's limit inside the
// knowledge base: each note is skipped with its message, the others arrive.
TEST_F(EndToEndTest, NotesTheKnowledgeBaseRefusesAreSkippedWithTheirMessages) {
    // A knowledge base deep enough (its index still within SQLite's path limit) that the
    // picture's copy inside it passes the system's 4096-byte limit, while the picture's path
    // in the storage folder and in the import folder stays within it.
    kb_ = folder_ + "/" + std::string(150, 'k') + "/" + std::string(150, 'k');
    fs::create_directories(kb_);
    YNoteFixture& y = Account();
    const size_t kbPrefix =
        kb_.size() + std::string("/documents/").size() + 38 + std::string("/index_files/").size();
    y.AddNotebook("nb1", "工作");
    y.AddNotebook("nb2", "拒绝");
    y.AddNote({"n1", "好的", "nb1", "", 1680000000, 1680000000, "", "<p>fine</p>"});
    y.AddNote({"n2", "没有文件夹", "nb2", "", 1680000000, 1680000000, "", "<p>x</p>"});
    y.AddNote({"n3", "被拒绝的文档", "nb1", "", 1680000000, 1680000000, "", "<p>x</p>"});
#ifndef _WIN32
    // A picture Linux can hold that the knowledge base cannot: its copy would pass PATH_MAX.
    // Windows takes paths of 32,767 characters, which an account cannot reach the same way.
    std::string deepPath = "u";
    while (kbPrefix + deepPath.size() + 6 < 4100)
        deepPath += "\\" + std::string(200, 'p');
    ASSERT_LT(y.StorageFolder().size() + deepPath.size() + 6, 4000u);
    y.AddNote(
        {"n4", "图片太深", "nb1", "", 1680000000, 1680000000, "", "<p><img src=\"DEEP\"></p>"});
    y.AddResource("DEEP", "n4", 1, deepPath + "\\p.png", MakePngImage(4, 4, 1, 2, 3));
    const std::vector<std::string> deepMessages = {"Failed to save document:\n\n图片太深\n",
                                                   "4 notes walked, 1 imported, 0 imported "
                                                   "with losses, 3 skipped",
                                                   "skipped note \"图片太深\""};
    const char* const keptTitles = "图片太深|好的";
#else
    (void)kbPrefix;
    const std::vector<std::string> deepMessages = {
        "3 notes walked, 1 imported, 0 imported with losses, 2 skipped"};
    const char* const keptTitles = "好的";
#endif

    ASSERT_EQ(RunImport(kb_, folder_ + "/no such file").exitCode, 1);  // creates the index
    {
        SqliteFile index(kb_ + "/index.db", SqliteFile::Mode::kCreate);
        index.Script(
            "create trigger refuse_folder before insert on folder when new.location = "
            "'/有道云笔记/拒绝/' begin select raise(abort, 'refused'); end;"
            "create trigger refuse_document before insert on document when new.title = "
            "'被拒绝的文档' begin select raise(abort, 'refused'); end;");
    }
    ProgramResult run = Import();
    EXPECT_EQ(run.exitCode, 3) << run.output;
    std::vector<std::string> messages = {"Failed to create folder:\n\n/有道云笔记/拒绝\n",
                                         "Failed to create document:\n\n被拒绝的文档\n",
                                         "skipped note \"没有文件夹\"",
                                         "skipped note \"被拒绝的文档\"", "Import completed"};
    messages.insert(messages.end(), deepMessages.begin(), deepMessages.end());
    for (const std::string& message : messages)
        EXPECT_NE(run.output.find(message), std::string::npos) << message << "\n" << run.output;
    SqliteFile index(kb_ + "/index.db", SqliteFile::Mode::kReadOnly);
    // The document whose content could not be saved stays, as the host made it.
    EXPECT_EQ(index.Value("select group_concat(title, '|') from (select title from document "
                          "order by title)"),
              keptTitles);
}

TEST_F(EndToEndTest, AMissingStorageFolderCostsTheFilesOnlyAndAReadOnlyOneNothing) {
    FillAccount(Account());
    fixture_->SetStorageDirValue(folder_ + "/moved away");
    ProgramResult run = Import();
    ASSERT_EQ(run.exitCode, 3) << run.output;
    ExpectImportedAccount(fixture_->DatabasePath(), fixture_->StorageFolder(), kb_,
                          {.resourcesReachable = false});
    // Every note that had a picture or an attachment says which ones it lost.
    EXPECT_NE(run.output.find("the storage folder " + folder_ + "/moved away" +
                              static_cast<char>(kPathSeparator) + " does not exist"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("lost the picture u1\\PIC1.png: its file is missing"),
              std::string::npos);
    EXPECT_NE(run.output.find("lost the attachment f6\\quoted.txt: its file is missing"),
              std::string::npos);
    EXPECT_NE(run.output.find("5 imported, 4 imported with losses, 0 skipped"), std::string::npos);

    fs::remove_all(kb_);
    fs::create_directories(kb_);
    FillAccount(Account());
    for (const auto& entry : fs::recursive_directory_iterator(fixture_->StorageFolder()))
        fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0555) : fs::perms(0444));
    fs::permissions(fixture_->StorageFolder(), fs::perms(0555));
    run = Import();
    ASSERT_EQ(run.exitCode, 3) << run.output;  // the note whose paths leave the folder
    ExpectImportedAccount(fixture_->DatabasePath(), fixture_->StorageFolder(), kb_);
}

TEST_F(EndToEndTest, AttachmentsAroundTenMebibytesArriveWhole) {
    YNoteFixture& y = Account();
    y.AddNotebook("nb", "大文件");
    y.AddNote({"big", "大附件", "nb", "", 1680000000, 1680000000, "", "<p>big</p>"});
    for (size_t size : {size_t(10485760), size_t(10485761)}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; i += 4099)
            bytes[i] = static_cast<char>(i % 251 + 1);
        bytes.back() = '!';
        y.AddResource("R" + std::to_string(size), "big", 2, "f\\" + std::to_string(size) + ".bin",
                      bytes);
    }
    ProgramResult run = Import();
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ExpectImportedAccount(fixture_->DatabasePath(), fixture_->StorageFolder(), kb_);
    EXPECT_EQ(Count("attachment"), 2u);
}

TEST_F(EndToEndTest, AnAccountWithoutKeysImportsWholeAndStaysAsItWas) {
    FillAccount(Account(YNoteKeys::kNone));
    fixture_->Close();
    const std::string before = ReadFileBytes(fixture_->DatabasePath());
    ProgramResult run = Import();
    // The account's one note with a path out of the storage folder loses those files.
    ASSERT_EQ(run.exitCode, 3) << run.output << run.errors;
    EXPECT_NE(run.output.find("9 notes walked, 8 imported, 1 imported with losses, 0 skipped"),
              std::string::npos)
        << run.output;
    ExpectImportedAccount(fixture_->DatabasePath(), fixture_->StorageFolder(), kb_);
    EXPECT_EQ(ReadFileBytes(fixture_->DatabasePath()), before);
    for (const char* table : {"note", "tag_attr", "resource_attr", "resources", "notebook_attr"})
        EXPECT_NE(Log().find("table " + std::string(table) + " was given an index"),
                  std::string::npos)
            << table;
}

// Rows added against the order of their keys come as a whole-table read gives them: the first
// body and the first notebook row count, the first of two same-named attachments keeps its
// name, the pictures are linked in row order and the tag spelled first is the one made.
TEST_F(EndToEndTest, AnAccountWithoutKeysIsReadInItsRowOrder) {
    YNoteFixture& y = Account(YNoteKeys::kNone);
    y.Database().Script(
        "drop table notebook_attr;"
        "create table notebook_attr (notebookid text collate nocase, notebookname text)");
    y.AddNotebook("nbZ", "甲");
    y.AddNotebook("nbA", "乙");
    y.AddNotebook("NBZ", "丙");
    y.AddTag("tz", "", "Ab ");
    y.AddTag("ta", "", " aB");
    y.AddNote(
        {"n1", "顺序", "nbz", "ta,tz", 1680000000, 1680000000, "", "<p><img src=\"ZQX\"></p>"});
    y.Database().Exec("insert into note values ('n1', '<p>second body</p>')");
    // ZQX's link must be rewritten before ZQ's, which it contains.
    y.AddResource("ZQX", "n1", 1, "u\\zqx.png", MakePngImage(4, 4, 1, 2, 3));
    y.AddResource("ZQ", "n1", 1, "u\\zq.png", MakePngImage(4, 4, 3, 2, 1));
    y.AddResource("RB", "n1", 2, "f1\\report.pdf", "first by row");
    y.AddResource("RA", "n1", 2, "f2\\report.pdf", "second by row");
    ProgramResult run = Import();
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find("table notebook_attr could not be given an index on notebookid "
                              "(its columns declare a collation)"),
              std::string::npos)
        << run.output;

    const std::string guid = DocumentGuid(kb_, "顺序");
    const std::string page = ReadFileBytes(kb_ + "/documents/" + guid + "/index.html");
    EXPECT_NE(page.find("<img src=\"index_files/u/zqx.png\">"), std::string::npos) << page;
    EXPECT_EQ(page.find("second body"), std::string::npos);
    SqliteFile index(kb_ + "/index.db", SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Value("select location from document where guid = ?", {guid}),
              "/有道云笔记/甲/");
    EXPECT_EQ(index.Value("select group_concat(t.name, '|') from document_tag dt join tag t on "
                          "t.guid = dt.tag_guid where dt.document_guid = ?",
                          {guid}),
              "Ab");
    for (const auto& [name, content] :
         {std::pair{"report.pdf", "first by row"}, std::pair{"report (2).pdf", "second by row"}})
        EXPECT_EQ(ReadFileBytes(kb_ + "/attachments/" +
                                index.Value("select guid from attachment where name = ?", {name}) +
                                "/" + name),
                  content);
}

// The notes read ahead of the knowledge base keep their own files: every note has an
// attachment of the same name and a picture at the same path, and each document gets its
// own note's bytes, well past the number of notes read ahead at once.
TEST_F(EndToEndTest, NotesReadAheadKeepTheirOwnFilesOfTheSameNames) {
    YNoteFixture& y = Account();
    y.AddNotebook("nb", "同名");
    for (int i = 0; i < 80; ++i) {
        const std::string id = "n" + std::to_string(i);
        y.AddNote(
            {id, id, "nb", "", 1680000000, 1680000000, "", "<p><img src=\"P" + id + "\"></p>"});
        y.AddResource("P" + id, id, 1, "u\\logo.png", MakePngImage(4, 4, 9, 2, 3));
        y.AddResource("R" + id, id, 2, "f" + id + "\\report.pdf", "report of note " + id);
    }
    ProgramResult run = Import();
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    ExpectImportedAccount(fixture_->DatabasePath(), fixture_->StorageFolder(), kb_);
    EXPECT_EQ(Count("attachment"), 80u);
    EXPECT_TRUE(fs::is_empty(ImportFolder()));
}

// What the reading of a note ahead of the knowledge base logs comes among that note's own
// lines: after the lines of the notes before it, however far ahead it was read.
TEST_F(EndToEndTest, WhatANoteReadAheadLogsComesInItsTurn) {
    YNoteFixture& y = Account();
    y.AddNotebook("nb", "n");
    y.AddNote({"n0", "n0", "nb", "", 1680000000, 1680000000, "", "<p>first</p>"});
    y.AddNote({"n1", "n1", "nb", "", 1680000000, 1680000000, "", "<p><img src=\"GONE\"></p>"});
    y.AddResource("GONE", "n1", 1, "u\\gone.png");
    // "你好" in GBK: not UTF-8.
    y.AddNote({"n2", "n2", "nb", "", 1680000000, 1680000000, "", "<p>\xC4\xE3\xBA\xC3</p>"});
    ProgramResult run = Import();
    ASSERT_EQ(run.exitCode, 3) << run.output << run.errors;
    const std::string log = Log();
    const size_t lost = log.find("Import ynote, note \"n1\" lost the picture u\\gone.png");
    const size_t ansi = log.find("Import ynote, the body of note n2 is not UTF-8");
    ASSERT_NE(lost, std::string::npos) << log;
    ASSERT_NE(ansi, std::string::npos) << log;
    EXPECT_LT(lost, ansi) << log;
}

// Standard error here is a file: the progress line is written when its percentage changes,
// not for every note, and its last line is the whole walk.
TEST_F(EndToEndTest, TheProgressLineIsWrittenPerPercentNotPerNote) {
    YNoteFixture& y = Account();
    y.AddNotebook("nb1", "n");
    constexpr int kNotes = 400;
    for (int n = 1; n <= kNotes; ++n)
        y.AddNote({"P" + std::to_string(n), "p" + std::to_string(n), "nb1", "", 1700000000,
                   1700000000, "", "<p>x</p>"});
    ProgramResult run = Import();
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    std::istringstream lines(run.errors);
    std::string line, last;
    int count = 0;
    while (std::getline(lines, line))
        if (line.rfind("[", 0) == 0 && line.find("/400 ") != std::string::npos) {
            ++count;
            last = line;
        }
    EXPECT_GE(count, 100);
    EXPECT_LE(count, 102);
    EXPECT_EQ(last.rfind("[########################] 400/400 ", 0), 0u) << last;
}

}  // namespace
}  // namespace zem::test
