// Notes that arrive without something - a picture or attachment whose file is missing or
// cannot be copied or stored, tags or dates the knowledge base refuses - and notes that are
// skipped: each is named, counted, and reflected in the completion message and the exit
// status, in the user's language.
#include <gtest/gtest.h>

#include <filesystem>

#include "faults/fault_scenario.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/user_language.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

// A knowledge base made by a run that finds no account, so that triggers can be put into it
// before the real import: they make the engine refuse what they name, for real.
void RefuseInKnowledgeBase(FaultScenario& scenario, const std::string& triggers) {
    ASSERT_EQ(scenario.ImportPath(scenario.Folder() + "/no such account.db").status, 1);
    SqliteFile index(scenario.KbFolder() + "/index.db", SqliteFile::Mode::kCreate);
    index.Script(triggers);
}

constexpr char kRefusals[] =
    "create trigger refuse_tags before insert on document_tag when (select title from "
    "document where guid = new.document_guid) = '标签被拒' begin select raise(abort, "
    "'refused'); end;"
    "create trigger refuse_dates before update of created on document when new.title = "
    "'日期被拒' begin select raise(abort, 'refused'); end;"
    // A new document's dates may come with its row: the note's are from 2023.
    "create trigger refuse_new_dates before insert on document when new.title = '日期被拒' "
    "and new.created < '2024' begin select raise(abort, 'refused'); end;"
    "create trigger refuse_document before insert on document when new.title = '被拒的文档' "
    "begin select raise(abort, 'refused'); end;";

// Five notes: one whole, one whose files are missing, three whose changes the knowledge base
// refuses (a document's changes are stored together, so a refused tag or date refuses the
// document).
void AddNotesWithLosses(YNoteFixture& y) {
    y.AddNotebook("nb", "笔记");
    y.AddTag("t1", "", "标签");
    y.AddNote({"whole", "完整", "nb", "t1", 1680000000, 1680000000, "https://example.com/",
               "<p><img src=\"PIC\"></p>"});
    y.AddResource("PIC", "whole", 1, "u\\pic.png", MakePngImage(2, 2, 5, 5, 5));
    y.AddNote(
        {"missing", "缺文件", "nb", "", 1680000000, 1680000000, "", "<p><img src=\"GONE\"></p>"});
    y.AddResource("GONE", "missing", 1, "u\\gone.png");
    y.AddResource("GONEATT", "missing", 2, "f\\gone.pdf");
    y.AddNote({"tags", "标签被拒", "nb", "t1", 1680000000, 1680000000, "", "<p>t</p>"});
    y.AddNote({"dates", "日期被拒", "nb", "", 1680000000, 1680000000, "", "<p>d</p>"});
    y.AddNote({"refused", "被拒的文档", "nb", "", 1680000000, 1680000000, "", "<p>r</p>"});
}

TEST(LossesTest, AWholeImportEndsWithStatusZeroAndHelpListsTheStatuses) {
    FaultScenario scenario("whole");
    YNoteFixture& y = scenario.Account();
    y.AddNotebook("nb", "笔记");
    y.AddNote({"n1", "完整", "nb", "", 1680000000, 1680000000, "", "<p><img src=\"PIC\"></p>"});
    y.AddResource("PIC", "n1", 1, "u\\pic.png", MakePngImage(2, 2, 5, 5, 5));
    y.AddResource("ATT", "n1", 2, "f\\report.pdf", "%PDF");
    FaultRun run = scenario.Import();
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("ZemYNote: Import completed\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Notes imported with losses"), std::string::npos) << run.output;

    ProgramResult help = RunProgram(BinDir() + "/ZemYNote", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* status : {"  0  the import completed and every note arrived whole",
                               "  1  the import stopped or was cancelled", "  2  start-up failed",
                               "  3  the import completed, but notes were skipped"})
        EXPECT_NE(help.output.find(status), std::string::npos) << status << "\n" << help.output;
}

TEST(LossesTest, EveryLossIsNamedCountedAndShownAndTheStatusIsThree) {
    FaultScenario scenario("losses");
    RefuseInKnowledgeBase(scenario, kRefusals);
    AddNotesWithLosses(scenario.Account());
    FaultRun run = scenario.Import();
    EXPECT_EQ(run.status, 3) << run.output;
    for (const char* line : {"note \"缺文件\" lost the picture u\\gone.png: its file is missing",
                             "note \"缺文件\" lost the attachment f\\gone.pdf: its file is missing",
                             "skipped note \"标签被拒\": its document could not be created",
                             "skipped note \"日期被拒\": its document could not be created",
                             "skipped note \"被拒的文档\": its document could not be created",
                             "5 notes walked, 1 imported, 1 imported with losses, 3 skipped"}) {
        EXPECT_TRUE(run.Logged(line)) << line << "\n" << run.log;
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
    }
    EXPECT_NE(run.output.find("ZemYNote: Import completed\n\nNotes imported with losses: 1\n"
                              "Notes skipped: 3\nThe log file names each one:\n" +
                              ToUtf8(ToNativeSeparators(
                                  FromUtf8(TestHome() + "/Documents/My Knowledge/Zem.log")))),
              std::string::npos)
        << run.output;
    scenario.ExpectSecondRunCompletes();
}

// Attachments the knowledge base cannot take (its attachment folder is not a folder) and
// copies a full disk stops (files cannot grow past 1 MiB) are losses; two long names cut to
// the same text both arrive, the second numbered.
TEST(LossesTest, AttachmentsThatCannotBeCopiedOrStoredAreLosses) {
#ifdef _WIN32
    GTEST_SKIP() << "a full disk is imitated by a file-size limit, which Windows has not";
#endif
    FaultScenario full("full disk");
    YNoteFixture& y = full.Account();
    y.AddNotebook("nb", "笔记");
    y.AddNote({"big", "大附件", "nb", "", 1680000000, 1680000000, "", "<p>big</p>"});
    y.AddResource("BIG", "big", 2, "f\\big.bin", std::string(2 << 20, 'b'));
    y.AddNote({"long", "长名", "nb", "", 1680000000, 1680000000, "", "<p>long</p>"});
    const std::string folder = "ddddd\\";
    y.AddResource("L1", "long", 2, "a\\" + folder + std::string(250, 'n') + "1.pdf", "first");
    y.AddResource("L2", "long", 2, "b\\" + folder + std::string(250, 'n') + "2.pdf", "second");
    FaultRun run = full.Import({.fileSizeLimitKiB = 1024});
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_TRUE(
        run.Logged("note \"大附件\" lost the attachment f\\big.bin: its file could not be "
                   "copied (File too large)"))
        << run.log;
    SqliteFile kb(full.KbFolder() + "/index.db", SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(kb.Value("select group_concat(a.size, '|') from (select size from attachment a "
                       "join document d on d.guid = a.document_guid where d.title = '长名' "
                       "order by a.size) a"),
              "5|6");
    EXPECT_EQ(kb.Value("select count(distinct name) from attachment"), "2");
    full.ExpectSecondRunCompletes({.fileSizeLimitKiB = 1024});

    FaultScenario refused("attachments refused");
    ASSERT_EQ(refused.ImportPath(refused.Folder() + "/no such account.db").status, 1);
    fs::remove_all(refused.KbFolder() + "/attachments");
    WriteFileBytes(refused.KbFolder() + "/attachments", "not a folder");
    YNoteFixture& r = refused.Account();
    r.AddNotebook("nb", "笔记");
    r.AddNote({"n1", "附件被拒", "nb", "", 1680000000, 1680000000, "", "<p>a</p>"});
    r.AddResource("ATT", "n1", 2, "f\\report.pdf", "%PDF");
    run = refused.Import();
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_TRUE(
        run.Logged("note \"附件被拒\" lost the attachment report.pdf: the knowledge base "
                   "did not store it"))
        << run.log;
}

// The summary and the completion message read in the user's language.
TEST(LossesTest, TheSummaryIsInTheUsersLanguage) {
    struct Case {
        uint32_t lcid;
        std::vector<std::string> lines;
    } cases[] = {
        {2052,
         {"导入有道云笔记，笔记“缺文件”丢失了图片 u\\gone.png：它的文件不存在",
          "导入有道云笔记，跳过了笔记“标签被拒”：无法创建其文档",
          "导入有道云笔记，跳过了笔记“被拒的文档”：无法创建其文档",
          "有道云笔记导入完成：处理了 5 条笔记，完整导入 1 条，有缺失导入 1 条，跳过 3 条",
          "导入完成\n\n有缺失导入的笔记：1 条\n跳过的笔记：3 条\n日志文件列出了每一条："}},
        {1028,
         {"匯入有道雲筆記，筆記「缺文件」遺失了附件 f\\gone.pdf：它的檔案不存在",
          "匯入有道雲筆記，略過了筆記「日期被拒」：無法建立其文件",
          "匯入有道雲筆記，略過了筆記「被拒的文档」：無法建立其文件",
          "有道雲筆記匯入完成：處理了 5 則筆記，完整匯入 1 則，有缺漏匯入 1 則，略過 3 則",
          "匯入完成\n\n有缺漏匯入的筆記：1 則\n略過的筆記：3 則\n記錄檔列出了每一則："}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lcid);
        UserLanguage language(c.lcid);
        FaultScenario scenario("language " + std::to_string(c.lcid));
        RefuseInKnowledgeBase(scenario, kRefusals);
        AddNotesWithLosses(scenario.Account());
        FaultRun run = scenario.Import();
        EXPECT_EQ(run.status, 3);
        for (const std::string& line : c.lines)
            EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
        for (const char* english :
             {"notes walked", "imported with losses", "skipped note", " lost "})
            EXPECT_EQ(run.output.find(english), std::string::npos) << english << "\n" << run.output;
    }
}

}  // namespace
}  // namespace zem::test
