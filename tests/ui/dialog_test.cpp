#include <gtest/gtest.h>

#include <climits>

#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"
#include "support/scripted_toolkit.h"

namespace zem::ui {
namespace {

constexpr int kTemplate = 7;
constexpr int kNestedTemplate = 8;
constexpr int kEdit = 10, kAction = 11, kDisabled = 12, kProgress = 13;

const ResourceSet& TestResources() {
    static const ResourceSet resources{
        {
            DialogTemplate{
                kTemplate,
                u"Caption",
                u"MS Shell Dlg",
                8,
                400,
                0,
                0,
                200,
                100,
                WS_CAPTION | WS_SYSMENU,
                0,
                {{IDC_STATIC, kStaticClass, u"Label", 5, 5, 50, 8, WS_CHILD},
                 {kEdit, kEditClass, u"", 5, 15, 100, 14, WS_CHILD | ES_READONLY},
                 {kAction, kButtonClass, u"Act", 5, 35, 50, 14, WS_CHILD},
                 {kDisabled, kButtonClass, u"Off", 60, 35, 50, 14, WS_CHILD | WS_DISABLED},
                 {kProgress, kProgressClass, u"", 5, 55, 100, 14, WS_CHILD},
                 {IDOK, kButtonClass, u"OK", 5, 75, 50, 14, WS_CHILD},
                 {IDCANCEL, kButtonClass, u"Cancel", 60, 75, 50, 14, WS_CHILD}}},
            DialogTemplate{kNestedTemplate,
                           u"Nested",
                           u"MS Shell Dlg",
                           8,
                           400,
                           0,
                           0,
                           100,
                           50,
                           WS_CAPTION,
                           0,
                           {}},
        },
        {},
        {}};
    return resources;
}

class TestDialog : public Dialog {
  public:
    TestDialog() : Dialog(kTemplate) {
        OnCommandId(kAction, [this] {
            ++actions;
            edit.SetText(u"acted");
        });
    }
    Control edit;
    ProgressBar progress;
    int actions = 0;
    bool initialised = false;

  protected:
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        initialised = edit.GetWindow() != nullptr && progress.GetWindow() != nullptr;
        return true;
    }
    void DoDataExchange(DataExchange& exchange) override {
        exchange.Control(kEdit, edit);
        exchange.Control(kProgress, progress);
    }
};

class DialogTest : public testing::Test {
  protected:
    void SetUp() override {
        SetResources(&TestResources());
        auto toolkit = std::make_unique<ScriptedToolkit>();
        kit_ = toolkit.get();
        SetToolkit(std::move(toolkit));
    }
    void TearDown() override {
        SetToolkit(nullptr);
        SetResources(nullptr);
    }
    ScriptedToolkit* kit_ = nullptr;
};

TEST(WindowTest, ProgressPositionStaysInsideTheRange) {
    Window bar(kProgressClass, 1, 0, u"");
    bar.SetRange32(0, 10);
    EXPECT_EQ(bar.SetPos(15), 0);
    EXPECT_EQ(bar.Position(), 10);
    EXPECT_EQ(bar.RequestedPosition(), 15);
    EXPECT_EQ(bar.SetPos(-3), 10);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetRange32(-5, INT32_MAX);
    bar.SetPos(2'000'000'000);
    EXPECT_EQ(bar.Position(), 2'000'000'000);
}

TEST(WindowTest, EnumerationReportsDescendantsDepthFirstUntilStopped) {
    Window root(kDialogClass, 0, 0, u"");
    Window& a = root.AddChild(std::make_unique<Window>(kStaticClass, 1, 0, u""));
    a.AddChild(std::make_unique<Window>(kStaticClass, 2, 0, u""));
    root.AddChild(std::make_unique<Window>(kStaticClass, 3, 0, u""));
    std::vector<int> seen;
    EnumChildWindows(root, [&](Window& w) {
        seen.push_back(w.Id());
        return true;
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    seen.clear();
    EnumChildWindows(root, [&](Window& w) {
        seen.push_back(w.Id());
        return w.Id() != 2;
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(FileFilterTest, PairsOfDescriptionAndPattern) {
    auto pairs = ParseFileFilter(u"Notes (*.db)|*.db|Any|*.x;*.y|Dangling");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0], std::make_pair(Text(u"Notes (*.db)"), Text(u"*.db")));
    EXPECT_EQ(pairs[1], std::make_pair(Text(u"Any"), Text(u"*.x;*.y")));
    EXPECT_EQ(ParseFileFilter(u"A|*.a").size(), 1u);
    EXPECT_TRUE(ParseFileFilter(u"").empty());
}

TEST_F(DialogTest, ControlsAreBoundOnlyWhileTheDialogRuns) {
    TestDialog dialog;
    kit_->actions.push_back([](Dialog& d) {
        auto& test = static_cast<TestDialog&>(d);
        test.progress.SetRange32(0, 4);
        test.progress.SetPos(3);
        d.ClickButton(kAction);
    });
    kit_->actions.push_back(ScriptedToolkit::Click(IDOK));
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(dialog.actions, 1);
    EXPECT_EQ(dialog.GetWindow(), nullptr);
    EXPECT_EQ(dialog.edit.GetWindow(), nullptr);
    EXPECT_EQ(dialog.edit.GetText(), u"");
    dialog.edit.SetText(u"ignored");  // a handle without a window does nothing
    auto texts = kit_->EventsOf(ScriptedToolkit::Event::kText);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].id, kEdit);
    EXPECT_EQ(texts[0].text, u"acted");
    auto positions = kit_->EventsOf(ScriptedToolkit::Event::kProgressPos);
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_EQ(positions[0].value, 3);
}

TEST_F(DialogTest, DisabledButtonsAndUnknownCommandsDoNothing) {
    TestDialog dialog;
    bool clicked = true;
    kit_->actions.push_back([&](Dialog& d) { clicked = d.ClickButton(kDisabled); });
    kit_->actions.push_back(ScriptedToolkit::SysCommand(0x0010));
    kit_->actions.push_back([&](Dialog& d) { EXPECT_TRUE(d.IsRunning()); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);  // the script ran out: closed
    EXPECT_FALSE(clicked);
    EXPECT_EQ(dialog.actions, 0);
}

TEST_F(DialogTest, CloseBoxCancels) {
    TestDialog dialog;
    kit_->actions.push_back(ScriptedToolkit::SysCommand(SC_CLOSE));
    kit_->actions.push_back(ScriptedToolkit::Click(IDOK));
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(kit_->actions.size(), 1u);  // nothing ran after the end
}

TEST_F(DialogTest, MissingTemplateGivesMinusOne) {
    Dialog dialog(99);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(kit_->events.empty());
}

TEST_F(DialogTest, NestedDialogIsRecordedAndEndedWithOk) {
    TestDialog dialog;
    int nestedResult = 0;
    kit_->actions.push_back([&](Dialog&) {
        Dialog nested(kNestedTemplate);
        nestedResult = nested.DoModal();
    });
    dialog.DoModal();
    EXPECT_EQ(nestedResult, IDOK);
    EXPECT_EQ(kit_->DialogsShown(kNestedTemplate), 1);
    EXPECT_EQ(kit_->DialogsShown(kTemplate), 1);
}

}  // namespace
}  // namespace zem::ui
