#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <utility>

#include "app/about_dlg.h"
#include "app/ever_note_dlg.h"
#include "app/resource_ids.h"
#include "config/translations.h"
#include "platform/system_info.h"
#include "platform/ui/console_toolkit.h"
#include "support/scripted_toolkit.h"
#include "support/sqlite_file.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem {
namespace {

using ui::ScriptedToolkit;
using Event = ScriptedToolkit::Event;

class EverNoteDlgTest : public testing::Test {
  protected:
    void SetUp() override {
        auto toolkit = std::make_unique<ScriptedToolkit>();
        kit_ = toolkit.get();
        ui::SetToolkit(std::move(toolkit));
        GetTranslationTable().entries.clear();
        appPath_ = FromUtf8(test::BinDir() + "/");
    }
    void TearDown() override {
        ui::SetToolkit(nullptr);
        GetTranslationTable().entries.clear();
    }

    // A knowledge base in the test's folder, opened through the engine library.
    ComPtr<IZemKMDatabase> OpenKnowledgeBase(const std::string& folder) {
        std::filesystem::create_directories(folder);
        auto created = ComPtr<IUnknown>::Attach(CreateHostObject(
            appPath_ + u"ZemKMCore.dll", CLSID_ZemKMDatabase, IZemKMDatabase::kIID));
        auto database = ComPtr<IZemKMDatabase>::QueryFrom(created.Get());
        EXPECT_TRUE(database);
        ScopedBstr error;
        Text index = FromUtf8(folder + "/index.db");
        EXPECT_EQ(database->OpenEx(index.c_str(), kOpenExFixedText, 0, error.Out()), S_OK);
        return database;
    }

    // Runs the dialog with the scripted moves; the state seen by `inspect` once it is up.
    int Run(CZemEverNoteDlg& dialog, std::function<void(CZemEverNoteDlg&)> inspect = {}) {
        if (inspect)
            kit_->actions.push_front([&](ui::Dialog&) { inspect(dialog); });
        ui::SetMainWindow(&dialog);
        return dialog.DoModal();
    }

    ScriptedToolkit* kit_ = nullptr;
    Text appPath_;
};

// The width and height a PNG file's header gives.
std::pair<uint32_t, uint32_t> PngSize(std::span<const unsigned char> png) {
    const auto word = [&](size_t at) {
        return uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 |
               png[at + 3];
    };
    return png.size() < 24 ? std::pair<uint32_t, uint32_t>{} : std::pair{word(16), word(20)};
}

bool Overlap(const ui::Window& a, const ui::Window& b) {
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

// The dialog as the toolkit is given it: every control the program drives is there, inside
// the dialog and clear of the others; what the user acts on is labelled and reached with the
// Tab key, the path's label coming just before it; the window carries an icon in each size
// the shell asks for. It opens empty, OK waiting for a path, with the About item.
TEST_F(EverNoteDlgTest, OpensEmptyWithOkDisabledAndTheAboutItem) {
    CZemEverNoteDlg dialog(nullptr, appPath_);
    Run(dialog, [](CZemEverNoteDlg& d) {
        const ui::Window& root = *d.GetWindow();
        EXPECT_FALSE(root.GetText().empty());
        const auto& controls = root.Children();
        for (size_t i = 0; i < controls.size(); ++i) {
            const ui::Window& c = *controls[i];
            SCOPED_TRACE("control " + std::to_string(c.Id()));
            EXPECT_TRUE(c.Style() & ui::WS_VISIBLE);
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.cx > 0 && c.cy > 0);
            EXPECT_TRUE(c.x + c.cx <= root.cx && c.y + c.cy <= root.cy);
            for (size_t j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(Overlap(c, *controls[j])) << "and control " << controls[j]->Id();
        }
        for (int id : {IDC_EDIT_PATH, IDC_BUTTON_BROWSE, ui::IDOK, ui::IDCANCEL}) {
            ASSERT_NE(d.GetDlgItem(id), nullptr) << id;
            EXPECT_TRUE(d.GetDlgItem(id)->Style() & ui::WS_TABSTOP) << id;
        }
        for (int id : {IDC_BUTTON_BROWSE, ui::IDOK, ui::IDCANCEL})
            EXPECT_FALSE(d.GetDlgItem(id)->GetText().empty()) << id;
        const auto path = std::find_if(controls.begin(), controls.end(),
                                       [](const auto& c) { return c->Id() == IDC_EDIT_PATH; });
        ASSERT_NE(path, controls.begin());
        EXPECT_EQ((*(path - 1))->ClassName(), ui::kStaticClass);
        EXPECT_FALSE((*(path - 1))->GetText().empty());

        EXPECT_EQ(d.GetDlgItem(IDC_EDIT_PATH)->GetText(), u"");
        EXPECT_EQ(d.GetDlgItem(IDC_STATIC_STATUS)->GetText(), u"");
        EXPECT_EQ(d.GetDlgItem(IDC_PROGRESS)->Position(), 0);
        EXPECT_FALSE(d.GetDlgItem(ui::IDOK)->IsEnabled());
        EXPECT_TRUE(d.GetDlgItem(ui::IDCANCEL)->IsEnabled());
        ASSERT_EQ(d.SystemMenu().size(), 2u);
        EXPECT_TRUE(d.SystemMenu()[0].separator);
        EXPECT_EQ(d.SystemMenu()[1].command, IDM_ABOUTBOX);
        EXPECT_EQ(d.SystemMenu()[1].text, u"&About ZemYNote...");
        ASSERT_NE(d.Icon(), nullptr);
        std::set<int> sizes;
        for (const auto& image : d.Icon()->images) {
            EXPECT_EQ(PngSize(image.png), std::pair(uint32_t(image.size), uint32_t(image.size)));
            sizes.insert(image.size);
        }
        for (int size : {16, 32, 48, 256})
            EXPECT_TRUE(sizes.contains(size)) << size;
    });
    EXPECT_EQ(dialog.LastOutcome(), ImportOutcome::kNotRun);
}

TEST_F(EverNoteDlgTest, TranslatesItsTextsTwiceButNeverThePath) {
    // Each pass translates once; a chain of two entries shows both passes ran.
    GetTranslationTable().Set(u"浏览", u"Browse...");
    GetTranslationTable().Set(u"导入有道云笔记数据到泽门笔记", u"Import into {p}");
    GetTranslationTable().Set(u"Import into Zem", u"Import, second pass");
    CZemEverNoteDlg dialog(nullptr, appPath_);
    dialog.SetAutoImportPath(u"浏览");  // filled during initialisation, then left alone
    Run(dialog);
    std::map<int, std::vector<Text>> texts;
    for (const Event& event : kit_->EventsOf(Event::kText))
        texts[event.id].push_back(event.text);
    EXPECT_EQ(texts[0], (std::vector<Text>{u"Import into Zem", u"Import, second pass"}));
    EXPECT_EQ(texts[IDC_BUTTON_BROWSE], std::vector<Text>{u"Browse..."});
    EXPECT_EQ(texts[IDC_EDIT_PATH], std::vector<Text>{u"浏览"});
}

TEST_F(EverNoteDlgTest, BrowseFillsThePathAndCancelKeepsIt) {
    kit_->fileAnswers = {std::nullopt, u"/data/me.db", std::nullopt};
    bool okAfterFirstCancel = true, okAfterSecondCancel = false;
    kit_->actions = {
        ScriptedToolkit::Click(IDC_BUTTON_BROWSE),
        [&](ui::Dialog& d) { okAfterFirstCancel = d.GetDlgItem(ui::IDOK)->IsEnabled(); },
        ScriptedToolkit::Click(IDC_BUTTON_BROWSE),
        ScriptedToolkit::Click(IDC_BUTTON_BROWSE),
        [&](ui::Dialog& d) {
            okAfterSecondCancel = d.GetDlgItem(ui::IDOK)->IsEnabled();
            EXPECT_EQ(d.GetDlgItem(IDC_EDIT_PATH)->GetText(), u"/data/me.db");
        },
    };
    CZemEverNoteDlg dialog(nullptr, appPath_);
    Run(dialog);
    EXPECT_FALSE(okAfterFirstCancel);
    EXPECT_TRUE(okAfterSecondCancel);
    ASSERT_EQ(kit_->fileRequests.size(), 3u);
    const ui::OpenFileRequest& request = kit_->fileRequests[0];
    EXPECT_EQ(request.initialFolder,
              FromUtf8(test::NativePath(test::TestLocalAppDataFolder() + "/YNote/Data")));
    EXPECT_EQ(request.filter, u"VEzizo Notebook File (*.db)|*.db|");
    EXPECT_EQ(request.flags, ui::OFN_HIDEREADONLY | ui::OFN_OVERWRITEPROMPT | ui::OFN_EXPLORER);
    EXPECT_EQ(request.fileName, u"");
}

TEST_F(EverNoteDlgTest, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
    for (uint32_t command = 0; command < 48; ++command)
        kit_->actions.push_back(ScriptedToolkit::SysCommand(command));
    kit_->actions.push_back(ScriptedToolkit::SysCommand(0xF010));  // move
    bool runningBeforeClose = false;
    kit_->actions.push_back([&](ui::Dialog& d) { runningBeforeClose = d.IsRunning(); });
    kit_->actions.push_back(ScriptedToolkit::SysCommand(ui::SC_CLOSE + 2));
    kit_->actions.push_back(ScriptedToolkit::Click(IDC_BUTTON_BROWSE));  // never runs
    CZemEverNoteDlg dialog(nullptr, appPath_);
    EXPECT_EQ(Run(dialog), ui::IDCANCEL);
    EXPECT_TRUE(runningBeforeClose);
    EXPECT_EQ(kit_->DialogsShown(IDD_ABOUTBOX), 16);
    EXPECT_TRUE(kit_->fileRequests.empty());
    for (const Event& shown : kit_->EventsOf(Event::kDialogShown)) {
        if (shown.id == IDD_ABOUTBOX) {
            EXPECT_EQ(shown.text, u"About ZemYNote");
        }
    }
}

// The line is translated before the version goes in, so one translation serves every release.
TEST_F(EverNoteDlgTest, AboutBoxShowsTheProjectsVersion) {
    InstallProgramResources();
    for (const auto& [translation, expected] :
         {std::pair<Text, Text>{u"", u"ZemYNote, Version " ZEM_PROJECT_VERSION},
          {u"ZemYNote，版本 %1", u"ZemYNote，版本 " ZEM_PROJECT_VERSION}}) {
        if (!translation.empty())
            GetTranslationTable().Set(u"ZemYNote, Version %1", translation);
        Text line;
        kit_->actions = {[&](ui::Dialog& d) { line = d.GetDlgItem(IDC_ABOUT_VERSION)->GetText(); }};
        CAboutDlg about;
        about.DoModal();
        EXPECT_EQ(line, expected);
    }
    GetTranslationTable().entries.clear();
}

TEST_F(EverNoteDlgTest, OkWithoutAKnowledgeBaseShowsNothingAndStaysOpen) {
    kit_->fileAnswers = {u"/data/me.db"};
    bool stillOpen = false;
    kit_->actions = {ScriptedToolkit::Click(IDC_BUTTON_BROWSE), ScriptedToolkit::Click(ui::IDOK),
                     [&](ui::Dialog& d) { stillOpen = d.IsRunning(); }};
    CZemEverNoteDlg dialog(nullptr, appPath_);
    Run(dialog);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(dialog.LastOutcome(), ImportOutcome::kNotRun);
    EXPECT_TRUE(kit_->MessageTexts().empty());

    // Unattended, a run that cannot finish ends the dialog instead of waiting.
    CZemEverNoteDlg unattended(nullptr, appPath_);
    unattended.SetAutoImportPath(u"/data/me.db");
    kit_->actions.clear();
    kit_->actions.push_back([](ui::Dialog&) { ADD_FAILURE() << "the dialog should have ended"; });
    EXPECT_EQ(Run(unattended), ui::IDCANCEL);
}

class EverNoteDlgRunTest : public EverNoteDlgTest {
  protected:
    void SetUp() override {
        EverNoteDlgTest::SetUp();
        folder_ =
            test::MakeTestFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        fixture_ = std::make_unique<test::YNoteFixture>(folder_ + "/ynote");
        fixture_->AddNotebook("nb", "笔记本");
        for (int i = 1; i <= 4; ++i)
            fixture_->AddNote({.noteId = "n" + std::to_string(i),
                               .title = "note " + std::to_string(i),
                               .notebookId = "nb",
                               .created = 1577934245,
                               .updated = 1577934245,
                               .body = "<p>body</p>"});
        fixture_->Close();
        database_ = OpenKnowledgeBase(folder_ + "/kb");
    }
    void TearDown() override {
        database_.Reset();
        EverNoteDlgTest::TearDown();
    }
    int Documents() {
        test::SqliteFile index(folder_ + "/kb/index.db", test::SqliteFile::Mode::kReadOnly);
        return std::stoi(index.Value("select count(*) from document"));
    }

    std::string folder_;
    std::unique_ptr<test::YNoteFixture> fixture_;
    ComPtr<IZemKMDatabase> database_;
};

TEST_F(EverNoteDlgRunTest, CompletedRunShowsProgressAndEndsWithOk) {
    CZemEverNoteDlg dialog(database_.Get(), appPath_);
    dialog.SetAutoImportPath(FromUtf8(fixture_->DatabasePath()));
    EXPECT_EQ(Run(dialog), ui::IDOK);
    EXPECT_EQ(dialog.LastOutcome(), ImportOutcome::kCompleted);
    EXPECT_EQ(kit_->MessageTexts(), std::vector<Text>{u"Import completed"});
    auto ranges = kit_->EventsOf(Event::kProgressRange);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].value, 4);
    EXPECT_EQ(kit_->EventsOf(Event::kProgressPos).back().value, 4);
    EXPECT_EQ(Documents(), 4);
    // Unattended runs print their summary.
    EXPECT_EQ(kit_->EventsOf(Event::kOutput).size(), 1u);
}

TEST_F(EverNoteDlgRunTest, SecondOkIsIgnoredAndCancelStopsAfterTheCurrentNote) {
    // The run pumps messages while it walks: the user presses OK again, then Cancel.
    kit_->pumpActions = {ScriptedToolkit::Click(ui::IDOK), ScriptedToolkit::Click(ui::IDCANCEL)};
    CZemEverNoteDlg dialog(database_.Get(), appPath_);
    dialog.SetAutoImportPath(FromUtf8(fixture_->DatabasePath()));
    EXPECT_EQ(Run(dialog), ui::IDCANCEL);
    EXPECT_EQ(dialog.LastOutcome(), ImportOutcome::kCancelled);
    EXPECT_TRUE(kit_->MessageTexts().empty());
    EXPECT_EQ(kit_->EventsOf(Event::kProgressRange).size(), 1u);  // one run only
    EXPECT_EQ(Documents(), 1);
}

TEST_F(EverNoteDlgRunTest, ClosingTheWindowDuringTheRunCancelsIt) {
    kit_->fileAnswers = {FromUtf8(fixture_->DatabasePath())};
    kit_->actions = {ScriptedToolkit::Click(IDC_BUTTON_BROWSE), ScriptedToolkit::Click(ui::IDOK)};
    kit_->pumpActions = {[](ui::Dialog&) {}, [](ui::Dialog&) {}, [](ui::Dialog&) {},
                         ScriptedToolkit::SysCommand(ui::SC_CLOSE)};
    CZemEverNoteDlg dialog(database_.Get(), appPath_);
    EXPECT_EQ(Run(dialog), ui::IDCANCEL);
    EXPECT_EQ(dialog.LastOutcome(), ImportOutcome::kCancelled);
    EXPECT_GE(Documents(), 1);
    EXPECT_LT(Documents(), 4);
}

// An account imported before: the dialog asks before importing it again, and each answer
// does what it says.
TEST_F(EverNoteDlgRunTest, ImportingAnAccountAgainAsksFirst) {
    {
        CZemEverNoteDlg first(database_.Get(), appPath_);
        first.SetAutoImportPath(FromUtf8(fixture_->DatabasePath()));
        ASSERT_EQ(Run(first), ui::IDOK);
        EXPECT_EQ(kit_->MessageTexts(), std::vector<Text>{u"Import completed"}) << "no question";
    }
    const Text question =
        u"This knowledge base already holds 4 documents imported from the YNote account "
        u"account.\n\nYes: import only the notes that are new or changed since.\nNo: import "
        u"every note again, as new documents.\nCancel: import nothing.";
    struct Case {
        int answer;
        ImportOutcome outcome;
        int documents;
    } cases[] = {{ui::IDCANCEL_RESULT, ImportOutcome::kStopped, 4},
                 {ui::IDYES_RESULT, ImportOutcome::kCompleted, 4},
                 {ui::IDNO_RESULT, ImportOutcome::kCompleted, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        kit_->events.clear();
        kit_->messageBoxAnswers = {c.answer};
        kit_->fileAnswers = {FromUtf8(fixture_->DatabasePath())};
        kit_->actions = {ScriptedToolkit::Click(IDC_BUTTON_BROWSE),
                         ScriptedToolkit::Click(ui::IDOK)};
        CZemEverNoteDlg dialog(database_.Get(), appPath_);
        Run(dialog);
        EXPECT_EQ(dialog.LastOutcome(), c.outcome);
        const auto boxes = kit_->EventsOf(Event::kMessageBox);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes[0].text, question);
        EXPECT_EQ(boxes[0].value, ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
        EXPECT_EQ(boxes.size(), c.outcome == ImportOutcome::kCompleted ? 2u : 1u);
        EXPECT_EQ(Documents(), c.documents);
    }
}

// The console toolkit, with Ctrl+C pressed while the run pumps messages for the n-th time.
class CtrlCConsole : public ui::Toolkit {
  public:
    explicit CtrlCConsole(int atPump) : console_(ui::CreateConsoleToolkit(true)), atPump_(atPump) {}
    void RunModal(ui::Dialog& dialog) override { console_->RunModal(dialog); }
    int MessageBox(ui::Dialog* owner, const Text& text, const Text& caption,
                   uint32_t type) override {
        messages.push_back(text);
        return console_->MessageBox(owner, text, caption, type);
    }
    bool GetOpenFileName(ui::OpenFileRequest& request) override {
        return console_->GetOpenFileName(request);
    }
    void Pump() override {
        if (++pumps_ == atPump_)
            raise(SIGINT);
        console_->Pump();
    }
    void WriteOutput(const Text& line) override { console_->WriteOutput(line); }
    const char* Name() const override { return "console"; }

    std::vector<Text> messages;

  private:
    std::unique_ptr<ui::Toolkit> console_;
    int atPump_;
    int pumps_ = 0;
};

#ifndef _WIN32  // Ctrl+C is sent as SIGINT; Windows sends it as a console control event
TEST_F(EverNoteDlgRunTest, CtrlCInTheConsoleStopsTheWalkAfterTheCurrentNote) {
    auto toolkit = std::make_unique<CtrlCConsole>(2);
    CtrlCConsole* console = toolkit.get();
    ui::SetToolkit(std::move(toolkit));
    CZemEverNoteDlg dialog(database_.Get(), appPath_);
    dialog.SetAutoImportPath(FromUtf8(fixture_->DatabasePath()));
    EXPECT_EQ(Run(dialog), ui::IDCANCEL);
    EXPECT_EQ(dialog.LastOutcome(), ImportOutcome::kCancelled);
    EXPECT_TRUE(console->messages.empty());
    EXPECT_EQ(Documents(), 1);
    // The handler belonged to the dialog: afterwards Ctrl+C is the system's again.
    struct sigaction current {};
    sigaction(SIGINT, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}
#endif

}  // namespace
}  // namespace zem
