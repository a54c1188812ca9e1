// The text of notes through the program as a user runs it: bodies in the user's legacy code
// page or in UTF-16, the body's place in the page, resource ids that begin other ids, an
// account without a storage folder of its own, and translation files without a mark.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "imported_account_check.h"
#include "support/environment.h"
#include "support/program_runner.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

// Whether programs started in `locale` read legacy bytes in `codePage`. Linux chooses the
// locale per program; on Windows the ANSI code page belongs to the whole session (under Wine,
// scripts/wine-env.sh with ZEM_WINE_LANG), so the cases of other code pages wait for a run in
// theirs.
bool CodePageReachable(unsigned codePage) {
#ifdef _WIN32
    if (GetACP() != codePage) {
        std::cout << "code page " << codePage << " left out: this session's is " << GetACP()
                  << "\n";
        return false;
    }
#else
    (void)codePage;
#endif
    return true;
}

class NoteTextTest : public ImportProgramTest {
  protected:
    // A fresh account and knowledge base under `name`.
    YNoteFixture& Account(const std::string& name) {
        fixture_ = std::make_unique<YNoteFixture>(folder_ + "/" + name + "/ynote");
        kb_ = folder_ + "/" + name + "/kb";
        fs::create_directories(kb_);
        fixture_->AddNotebook("nb", "笔记本");
        return *fixture_;
    }
    void AddNote(const std::string& id, const std::string& body) {
        fixture_->AddNote({id, "title " + id, "nb", "", 1680000000, 1680000000, "", body});
    }
    ProgramResult Import(const std::string& program = BinDir() + "/ZemYNote") {
        fixture_->Close();
        return RunProgram(program, {"/Console", "/DatabasePath=" + kb_ + "/index.db",
                                    "/Import=" + fixture_->DatabasePath()});
    }
    // The stored page (UTF-8) of the note's document.
    std::string Page(const std::string& id) {
        return ReadFileBytes(kb_ + "/documents/" + DocumentGuid(kb_, "title " + id) +
                             "/index.html");
    }
    static bool LogHolds(const std::string& line) {
        return ProgramLogAscii().find(line) != std::string::npos;
    }

    std::unique_ptr<YNoteFixture> fixture_;
};

TEST_F(NoteTextTest, BodiesThatAreNotUtf8AreReadInTheUsersCodePage) {
    if (CodePageReachable(936)) {
        EnvOverride locale("LC_ALL", "zh_CN.UTF-8");
        Account("chinese");
        AddNote("gbk", "<p>\xD6\xD0\xCE\xC4\xB1\xCA\xBC\xC7</p>");  // 中文笔记 in GBK
        // UTF-8 whose bytes are GBK characters too stays UTF-8.
        AddNote("utf8", "<p>中文笔记</p>");
        ASSERT_EQ(Import().exitCode, 0);
        EXPECT_NE(Page("gbk").find("<p>中文笔记</p>"), std::string::npos) << Page("gbk");
        EXPECT_NE(Page("utf8").find("<p>中文笔记</p>"), std::string::npos) << Page("utf8");
        EXPECT_TRUE(LogHolds(
            "Import ynote, the body of note gbk is not UTF-8: read in the ANSI code page 936"));
        EXPECT_FALSE(LogHolds("the body of note utf8"));
    }
    if (CodePageReachable(1252)) {
        EnvOverride locale("LC_ALL", "C.UTF-8");
        Account("western");
        AddNote("cp1252", "<p>caf\xE9 cr\xE8me</p>");
        ASSERT_EQ(Import().exitCode, 0);
        EXPECT_NE(Page("cp1252").find("<p>café crème</p>"), std::string::npos) << Page("cp1252");
        EXPECT_TRUE(LogHolds(
            "Import ynote, the body of note cp1252 is not UTF-8: read in the ANSI code page 1252"));
    }
}

std::string Utf16Le(const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text)
        bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

TEST_F(NoteTextTest, Utf16BodiesArriveWhole) {
    Account("utf16");
    const std::u16string text = u"<p>UTF-16 笔记, line one</p>\r\n<p>line two</p>";
    AddNote("marked", "\xFF\xFE" + Utf16Le(text));
    AddNote("unmarked", Utf16Le(text));
    std::string bigEndian = "\xFE\xFF";
    for (char16_t c : text)
        bigEndian += std::string{static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    AddNote("big-endian", bigEndian);
    ASSERT_EQ(Import().exitCode, 0);
    for (const char* id : {"marked", "unmarked", "big-endian"})
        EXPECT_NE(Page(id).find("<p>UTF-16 笔记, line one</p>\r\n<p>line two</p>"),
                  std::string::npos)
            << id << "\n"
            << Page(id);
}

// Whatever the encoding of a body, the page the program writes for it is read back by the
// engine as the same text, also when the body carries a <meta> of the page it was clipped
// from.
TEST_F(NoteTextTest, TheEngineReadsBackEveryPageTheProgramWrites) {
    const std::u16string text = u"<p>中文笔记 and English</p>";
    std::string bigEndian = "\xFE\xFF";
    for (char16_t c : text)
        bigEndian += std::string{static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    const std::string gbk = "<p>\xD6\xD0\xCE\xC4\xB1\xCA\xBC\xC7 and English</p>";
    const std::string big5 = "<p>\xA4\xA4\xA4\xE5\xB5\xA7\xB0\x4F and English</p>";
    const struct {
        const char* locale;
        unsigned codePage;
        const char* expected;
        std::vector<std::pair<std::string, std::string>> bodies;  // note id, body bytes
    } runs[] = {
        {"zh_CN.UTF-8",
         936,
         "<p>中文笔记 and English</p>",
         {{"utf8-marked", "\xEF\xBB\xBF<p>中文笔记 and English</p>"},
          {"utf8", "<p>中文笔记 and English</p>"},
          {"utf16le-marked", "\xFF\xFE" + Utf16Le(text)},
          {"utf16be-marked", bigEndian},
          {"utf16-unmarked", Utf16Le(text)},
          {"gbk-declared", "<meta charset=\"gbk\">" + gbk},
          {"ansi-undeclared", gbk}}},
        {"zh_TW.UTF-8",
         950,
         "<p>中文筆記 and English</p>",
         {{"big5-declared",
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">" + big5}}},
    };
    for (const auto& run : runs) {
        if (!CodePageReachable(run.codePage))
            continue;
        EnvOverride locale("LC_ALL", run.locale);
        Account(run.locale);
        for (const auto& [id, body] : run.bodies)
            AddNote(id, body);
        ASSERT_EQ(Import().exitCode, 0) << run.locale;
        for (const auto& [id, body] : run.bodies)
            EXPECT_NE(Page(id).find(run.expected), std::string::npos) << id << "\n" << Page(id);
    }
}

// A default style sheet that mentions "<body>" does not take the note into the style element.
TEST_F(NoteTextTest, TheBodyGoesAfterThePagesBodyTagNotIntoTheStyleSheet) {
    WriteFileBytes(TestHome() + "/Documents/My Knowledge/files/default.css",
                   "/* Applies to the page's <body> and what it holds. */\n"
                   "body { /*default-font-family*/ /*default-font-size*/ }\n");
    Account("style");
    AddNote("n", "<p>the note itself</p>");
    ASSERT_EQ(Import().exitCode, 0);
    const std::string page = Page("n");
    const size_t styleEnd = page.find("</style>");
    const size_t body = page.find("<p>the note itself</p>");
    ASSERT_NE(styleEnd, std::string::npos) << page;
    ASSERT_NE(body, std::string::npos) << page;
    EXPECT_GT(body, page.find("<body>", styleEnd)) << page;
    EXPECT_NE(page.find("/* Applies to the page's <body> and what it holds. */"),
              std::string::npos);
}

TEST_F(NoteTextTest, ResourceIdsThatBeginOtherIdsKeepTheirOwnPictures) {
    YNoteFixture& y = Account("prefix");
    AddNote("n", "<p><img src=\"R1\"> <img src=\"R10\"> <img src=\"R1\"> <img src=\"R100\"></p>");
    y.AddResource("R1", "n", 1, "u\\one.png", MakePngImage(1, 1, 1, 0, 0));
    y.AddResource("R10", "n", 1, "u\\ten.png", MakePngImage(10, 10, 10, 0, 0));
    y.AddResource("R100", "n", 1, "u\\hundred.png", MakePngImage(100, 100, 100, 0, 0));
    ASSERT_EQ(Import().exitCode, 0);
    ExpectImportedAccount(y.DatabasePath(), y.StorageFolder(), kb_);
    EXPECT_NE(Page("n").find("<p><img src=\"index_files/u/one.png\"> <img "
                             "src=\"index_files/u/ten.png\"> <img src=\"index_files/u/one.png\"> "
                             "<img src=\"index_files/u/hundred.png\"></p>"),
              std::string::npos)
        << Page("n");
}

TEST_F(NoteTextTest, WithoutAStorageFolderRowResourceFilesLieBesideTheDatabase) {
    YNoteFixture& y = Account("beside");
    y.SetStorageDirValue(std::nullopt);
    AddNote("n", "<p><img src=\"PIC\"></p>");
    y.AddResource("PIC", "n", 1, "u\\pic.png");
    y.AddResource("ATT", "n", 2, "f\\report.pdf");
    const std::string besideDatabase = fs::path(y.DatabasePath()).parent_path().string() + "/";
    WriteFileBytes(besideDatabase + "u/pic.png", MakePngImage(3, 3, 0, 0, 9));
    WriteFileBytes(besideDatabase + "f/report.pdf", "%PDF beside the database");
    ASSERT_EQ(Import().exitCode, 0);
    ExpectImportedAccount(y.DatabasePath(), besideDatabase, kb_);
    EXPECT_NE(Page("n").find("index_files/u/pic.png"), std::string::npos) << Page("n");
}

// A translator's file saved without a mark on Linux is UTF-8, also where the ANSI code page is
// GBK.
TEST_F(NoteTextTest, TranslationFilesInUtf8WithoutAMarkReadAsUtf8) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows a translation file without a mark is read in the ANSI code page";
#endif
    const std::string program = folder_ + "/program/";
    fs::create_directories(program);
    for (const char* file : {"ZemYNote", "ZemKMCore.dll", "ZemTools.dll", "ZemKMControls.dll",
                             "document.mez", "files", "translations"})
        fs::copy(BinDir() + "/" + file, program + file, fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(program + "translations")) {
        if (!entry.is_regular_file())
            continue;
        const std::string bytes = ReadFileBytes(entry.path().string());
        if (bytes.starts_with("\xEF\xBB\xBF"))
            WriteFileBytes(entry.path().string(), bytes.substr(3));
    }
    EnvOverride locale("LC_ALL", "zh_CN.UTF-8");
    Account("translated");
    AddNote("n", "<p>x</p>");
    const ProgramResult run = Import(program + "ZemYNote");
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find("导入完成"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace zem::test
