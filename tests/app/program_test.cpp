// ZemYNote started as a user starts it, from a terminal without a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "host/component_loading.h"
#include "host/host_test_support.h"
#include "support/child_process.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem {
namespace {

namespace fs = std::filesystem;

class ProgramTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            test::MakeTestFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        bin_ = test::BinDir();
        fs::create_directories(folder_ + "/kb");
    }

    test::ProgramResult Run(const std::vector<std::string>& arguments,
                            std::map<std::string, std::string> environment = {},
                            const std::string& input = {}, std::string program = {}) {
        environment.emplace("DISPLAY", "");
        environment.emplace("WAYLAND_DISPLAY", "");
        environment.emplace("NO_AT_BRIDGE", "1");
        return test::RunProgram(program.empty() ? bin_ + "/ZemYNote" : program, arguments,
                                {.environment = environment, .input = input});
    }
    std::string AppPath() const { return "/AppPath=" + bin_ + "/"; }
    std::string KnowledgeBase() const { return "/DatabasePath=" + folder_ + "/kb/index.db"; }

    std::string MakeAccount(int notes) {
        test::YNoteFixture ynote(folder_ + "/ynote");
        ynote.AddNotebook("nb", "工作");
        for (int i = 1; i <= notes; ++i)
            ynote.AddNote({.noteId = "n" + std::to_string(i),
                           .title = "note " + std::to_string(i),
                           .notebookId = "nb",
                           .created = 1577934245,
                           .updated = 1577934245,
                           .body = "<p>body</p>"});
        return ynote.DatabasePath();
    }

    std::string folder_;
    std::string bin_;
};

TEST_F(ProgramTest, HelpPrintsTheCommandLineAndSucceeds) {
    for (const char* request : {"--help", "/?"}) {
        test::ProgramResult run = Run({request});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.output.find("/Import=<account.db>"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("Example"), std::string::npos);
    }
}

TEST_F(ProgramTest, VersionNamesTheProgramAndTheEngineItWouldLoad) {
    const std::string engine = bin_ + "/ZemKMCore.dll";
    const std::string expected =
        "ZemYNote " ZEM_PROJECT_VERSION "\nZem engine " ZEM_PROJECT_VERSION " (" + engine + ")\n";
    // The host folder's engine, and without one the engine beside the program.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--version", AppPath()}, {"--version"}}) {
        test::ProgramResult run = Run(arguments);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.output, expected);
    }
    // A host folder without an engine: the program's version, and why the engine gave none.
    test::ProgramResult run = Run({"--version", "/AppPath=" + folder_ + "/"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.rfind("ZemYNote " ZEM_PROJECT_VERSION "\nZem engine at " + folder_ +
                                   "/ZemKMCore.dll: no version (",
                               0),
              0u)
        << run.output;
}

TEST_F(ProgramTest, WithoutAHostFolderTheToolsLibraryIsMissing) {
    fs::copy_file(bin_ + "/ZemYNote", folder_ + "/ZemYNote");
    test::ProgramResult run = Run({}, {}, {}, folder_ + "/ZemYNote");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, "Error: Can not find ZemTools.dll\n");
}

TEST_F(ProgramTest, AppPathWithoutItsSeparatorFindsToolsButNotTheEngine) {
    test::ProgramResult run = Run({"/AppPath=" + bin_, KnowledgeBase()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, "Error: Can not create database object\n");
}

TEST_F(ProgramTest, KnowledgeBaseThatCannotBeOpenedShowsTheHostsText) {
    const std::string index = folder_ + "/missing/index.db";
    auto created = ComPtr<IUnknown>::Attach(CreateHostObject(
        FromUtf8(bin_ + "/ZemKMCore.dll"), CLSID_ZemKMDatabase, IZemKMDatabase::kIID));
    auto database = ComPtr<IZemKMDatabase>::QueryFrom(created.Get());
    ASSERT_TRUE(database);
    ScopedBstr error;
    ASSERT_TRUE(
        Failed(database->OpenEx(FromUtf8(index).c_str(), kOpenExFixedText, 0, error.Out())));
    ASSERT_FALSE(error.ToText().empty());

    test::ProgramResult run = Run({AppPath(), "/DatabasePath=" + index, "/Import=" + folder_});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, "Error: " + ToUtf8(error.ToText()) + "\n");
}

TEST_F(ProgramTest, ConsoleDialogInEnglishAndInChinese) {
    test::ProgramResult english = Run({AppPath(), KnowledgeBase(), "/Console"});
    EXPECT_EQ(english.exitCode, 1);  // standard input ended: the dialog was closed
    EXPECT_NE(
        english.output.find("== Import YNote Data into Zem ==\nYNote data file (account.db):\n"
                            "  []\n1) Browse...  2) Cancel  3) About ZemYNote..."),
        std::string::npos)
        << english.output;

    // About, its OK, then Browse with a relative name, then Cancel.
    test::ProgramResult chinese = Run({AppPath(), KnowledgeBase(), "/console"},
                                      {{"LANG", "zh_CN.UTF-8"}}, "3\n1\n1\nme.db\n2\n");
    EXPECT_EQ(chinese.exitCode, 1);
    for (const char* text :
         {"== 导入有道云笔记数据到泽门笔记 ==", "有道云笔记数据文件：帐号.db:",
          "1) 浏览  2) 取消  3) 关于 ZemYNote(A)...",
          "== 关于 ZemYNote ==", "ZemYNote，版本 " ZEM_PROJECT_VERSION "\n",
          "有道云笔记数据文件 (*.db)", "YNote/Data/me.db]", "1) 浏览  2) 取消  3) 确定"})
        EXPECT_NE(chinese.output.find(text), std::string::npos) << text << "\n" << chinese.output;
}

TEST_F(ProgramTest, RegisteredAppPathIsUsedWhenTheCommandLineHasNone) {
    const std::string registry = getenv("ZEM_REGISTRY");
    fs::create_directories(fs::path(registry).parent_path());
    std::ofstream(registry) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Zem]\n"
                            << "\"AppPath\"=\"" << bin_ << "/\"\n";
    fs::copy_file(bin_ + "/ZemYNote", folder_ + "/ZemYNote");
    test::ProgramResult run = Run({KnowledgeBase(), "/Console"}, {}, {}, folder_ + "/ZemYNote");
    EXPECT_EQ(run.exitCode, 1);
    // Translations lie beside the program, and this copy has none.
    EXPECT_NE(run.output.find("== 导入有道云笔记数据到泽门笔记 =="), std::string::npos)
        << run.output;
}

TEST_F(ProgramTest, UnattendedImportReportsAndExits) {
    const std::string account = MakeAccount(3);
    test::ProgramResult run =
        Run({AppPath(), KnowledgeBase(), "/Import=" + account}, {{"LANG", "zh_CN.UTF-8"}});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find("ZemYNote: 导入完成\n"), std::string::npos) << run.output;
    EXPECT_NE(run.errors.find("3/3"), std::string::npos) << run.errors;

    test::ProgramResult missing =
        Run({AppPath(), KnowledgeBase(), "/Import=" + folder_ + "/none.db"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("ZemYNote: File does not exists:\n\n" + folder_ + "/none.db\n"),
              std::string::npos)
        << missing.output;
}

// Loading the host libraries moves the current directory; relative paths on the command
// line still mean paths from where the program was started.
TEST_F(ProgramTest, RelativePathsAreTakenFromWhereTheProgramStarted) {
    const std::string account = MakeAccount(2);
    fs::current_path(folder_);
    test::LogWatch log;
    test::ProgramResult run =
        Run({"/AppPath=" + fs::relative(bin_, folder_).string() + "/", "/DatabasePath=kb/index.db",
             "/Import=" + fs::relative(account, folder_).string()});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_TRUE(fs::exists(folder_ + "/kb/documents"));
    // The tools library is loaded from the host folder after the engine has moved the
    // current directory: nothing failed to load.
    for (const std::string& message : log.NewMessages())
        EXPECT_EQ(message.find("Failed to load"), std::string::npos) << message;
}

// A library the loader refuses is logged with the loader's own reason.
TEST_F(ProgramTest, ALibraryThatDoesNotLoadIsLoggedWithTheLoadersReason) {
    std::string text;
    while (text.size() < 4096)
        text += "This is not a library, only a text file under a library's name.\n";
    struct Case {
        std::string engine;  // the ZemKMCore.dll of the host folder
        std::string reason;
    } cases[] = {{"text", "invalid ELF header"},
                 {ZEM_UNDEFINED_SYMBOL_LIBRARY, "undefined symbol: ZemTestFunctionNobodyDefines"}};
    for (const Case& c : cases) {
        const std::string host = test::MakeTestFolder("host") + "/";
        fs::copy_file(bin_ + "/ZemTools.dll", host + "ZemTools.dll");
        if (c.engine == "text")
            test::WriteFileBytes(host + "ZemKMCore.dll", text);
        else
            fs::copy_file(c.engine, host + "ZemKMCore.dll");
        test::LogWatch log;
        test::ProgramResult run = Run({"/AppPath=" + host, KnowledgeBase()});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.output, "Error: Can not create database object\n");
        const std::vector<std::string> messages = log.NewMessages();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages[0].rfind("Failed to load dll: " + host + "ZemKMCore.dll (", 0), 0u)
            << messages[0];
        EXPECT_NE(messages[0].find(c.reason), std::string::npos) << messages[0];
    }

    // The tools library: its two lines, then the reason.
    const std::string host = test::MakeTestFolder("tools-host") + "/";
    fs::copy_file(bin_ + "/ZemKMCore.dll", host + "ZemKMCore.dll");
    test::WriteFileBytes(host + "ZemTools.dll", text);
    test::LogWatch log;
    test::ProgramResult run = Run({"/AppPath=" + host, KnowledgeBase(), "/Console"});
    EXPECT_EQ(run.exitCode, 1);  // the dialog ran; standard input ended it
    const std::vector<std::string> messages = log.NewMessages();
    const auto failed = std::find(messages.begin(), messages.end(),
                                  "Failed to load ZemTools.dll: " + host + "ZemTools.dll");
    ASSERT_NE(failed, messages.end());
    ASSERT_NE(failed + 1, messages.end());
    EXPECT_NE(failed[1].find("invalid ELF header"), std::string::npos) << failed[1];
}

// Each argument is one parameter: a folder whose name ends with a space puts " /" into the
// value, and the value is still the whole path.
TEST_F(ProgramTest, AParameterValueHoldsSpacesAndSpaceSlash) {
    test::YNoteFixture ynote(folder_ + "/my notes /ynote");
    ynote.AddNotebook("nb", "nb");
    ynote.AddNote({.noteId = "n1", .title = "t", .notebookId = "nb", .body = "<p>b</p>"});
    test::ProgramResult run = Run({AppPath(), KnowledgeBase(), "/Import=" + ynote.DatabasePath()});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.errors.find("1/1"), std::string::npos) << run.errors;
}

}  // namespace
}  // namespace zem
