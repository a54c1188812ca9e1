#include <gtest/gtest.h>

#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"
#include "support/scripted_toolkit.h"

namespace zem::ui {
namespace {

constexpr int kTemplate = 5;

class RecordingDialog : public Dialog {
  public:
    RecordingDialog() : Dialog(kTemplate) {
        for (int id : {20, 21, 22})
            OnCommandId(id, [this, id] { commands.push_back(id); });
    }
    std::vector<int> commands;
};

class MessageQueueTest : public testing::Test {
  protected:
    void SetUp() override {
        static const ResourceSet resources{
            {DialogTemplate{kTemplate, u"Q", u"", 8, 400, 0, 0, 10, 10, 0, 0, {}}}, {}, {}};
        SetResources(&resources);
        auto toolkit = std::make_unique<ScriptedToolkit>();
        kit_ = toolkit.get();
        SetToolkit(std::move(toolkit));
    }
    void TearDown() override {
        while (TakeQuitMessage()) {
        }
        SetToolkit(nullptr);
        SetResources(nullptr);
    }
    ScriptedToolkit* kit_ = nullptr;
};

TEST_F(MessageQueueTest, PumpingRunsPostedCommandsUpToAPendingQuitWhichStaysQueued) {
    RecordingDialog dialog;
    kit_->actions.push_back([](Dialog& d) {
        PostCommand(d, 20);
        PostQuitMessage(7);
        PostCommand(d, 21);
        PumpMessages();
        PumpMessages();
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.commands, (std::vector<int>{20}));
    EXPECT_TRUE(IsQuitPending());
    EXPECT_EQ(PendingQuitCode(), 7);
    // The toolkit is not asked for its events while a quit waits.
    EXPECT_EQ(kit_->pumpCount, 0);
    // What was posted to a dialog that has gone is dropped with it.
    EXPECT_TRUE(TakeQuitMessage());
    EXPECT_FALSE(HasPostedMessages());
}

TEST_F(MessageQueueTest, CommandsPostedDuringInitialisationRunWhenTheLoopStarts) {
    class PostingDialog : public RecordingDialog {
      protected:
        bool OnInitDialog() override {
            PostCommand(*this, 22);
            PostCommand(*this, 20);
            return RecordingDialog::OnInitDialog();
        }
    } dialog;
    std::vector<int> seenByFirstAction;
    kit_->actions.push_back([&](Dialog&) { seenByFirstAction = dialog.commands; });
    dialog.DoModal();
    EXPECT_EQ(seenByFirstAction, (std::vector<int>{22, 20}));
    EXPECT_EQ(kit_->pumpCount, 0);
}

TEST_F(MessageQueueTest, EachPumpPlaysTheNextUserMove) {
    RecordingDialog dialog;
    kit_->pumpActions.push_back([](Dialog& d) { d.ExecuteCommand(21); });
    kit_->actions.push_back([](Dialog&) {
        PumpMessages();
        PumpMessages();
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.commands, (std::vector<int>{21}));
    EXPECT_EQ(kit_->pumpCount, 2);
}

}  // namespace
}  // namespace zem::ui
