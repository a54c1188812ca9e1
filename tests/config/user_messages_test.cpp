#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/resource_ids.h"
#include "config/translations.h"
#include "config/user_messages.h"
#include "platform/ui/console_toolkit.h"
#include "support/scripted_toolkit.h"

namespace zem {
namespace {

class UserMessagesTest : public testing::Test {
  protected:
    void SetUp() override {
        auto toolkit = std::make_unique<ui::ScriptedToolkit>();
        kit_ = toolkit.get();
        kit_->messageBoxResult = 1;
        ui::SetToolkit(std::move(toolkit));
        GetTranslationTable().entries.clear();
        InstallProgramResources();
    }
    void TearDown() override {
        ui::SetToolkit(nullptr);
        GetTranslationTable().entries.clear();
    }
    ui::ScriptedToolkit* kit_ = nullptr;
};

TEST_F(UserMessagesTest, InformationBoxWithTheTranslatedFilledText) {
    EXPECT_EQ(ShowMessageIdArg(IDS_FILE_NOT_EXISTS, u"/home/a/b.db"), 1);
    EXPECT_EQ(ShowMessageId(IDS_IMPORT_COMPLETED), 1);
    // Inserted text is never scanned again.
    ShowMessageIdArg(IDS_QUERY_FAILED, u"select '%2' %1");
    auto boxes = kit_->EventsOf(ui::ScriptedToolkit::Event::kMessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, u"File does not exists:\n\n/home/a/b.db");
    EXPECT_EQ(boxes[0].value, 64);  // information icon, OK only
    EXPECT_EQ(boxes[0].caption, u"ZemYNote");
    EXPECT_EQ(boxes[1].text, u"Import completed");
    EXPECT_EQ(boxes[2].text, u"Can't query database:\n\nselect '%2' %1");
}

TEST_F(UserMessagesTest, EmptyTextShowsNothingAndGivesCancel) {
    EXPECT_EQ(ShowMessageText(u""), 2);
    EXPECT_EQ(ShowMessageId(4711), 2);  // not in the string table
    // A translation that drops "%1" drops the argument, and adds nothing.
    GetTranslationTable().Set(EscapeText(u"Failed to create folder:\n\n%1"), u"No folder.");
    ShowMessageIdArg(IDS_CREATE_FOLDER_FAILED, u"/有道云笔记/x");
    EXPECT_EQ(kit_->MessageTexts(), std::vector<Text>{u"No folder."});
}

TEST_F(UserMessagesTest, QuestionWithYesNoAndCancel) {
    kit_->messageBoxAnswers = {ui::IDNO_RESULT};
    EXPECT_EQ(AskYesNoCancel(u"Again?"), ui::IDNO_RESULT);
    EXPECT_EQ(AskYesNoCancel(u"Again?"), ui::IDYES_RESULT) << "unanswered: the default button";
    EXPECT_EQ(AskYesNoCancel(u""), ui::IDCANCEL_RESULT);
    auto boxes = kit_->EventsOf(ui::ScriptedToolkit::Event::kMessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].value, 0x23);  // question icon, Yes, No and Cancel

#ifndef _WIN32  // standard input is swapped for a pipe through POSIX descriptors
    // On the console the answer is typed, asked again until it is one of the three; the end
    // of the input cancels. Nobody to answer: the default button.
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    const int savedInput = dup(STDIN_FILENO);
    dup2(input[0], STDIN_FILENO);
    close(input[0]);
    ASSERT_EQ(write(input[1], "maybe\nn\n", 9), 9);
    close(input[1]);
    ui::SetToolkit(ui::CreateConsoleToolkit(false));
    EXPECT_EQ(AskYesNoCancel(u"Again?"), ui::IDNO_RESULT);
    EXPECT_EQ(AskYesNoCancel(u"Again?"), ui::IDCANCEL_RESULT);
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);
    ui::SetToolkit(ui::CreateConsoleToolkit(true));
    EXPECT_EQ(AskYesNoCancel(u"Again?"), ui::IDYES_RESULT);
#endif
}

}  // namespace
}  // namespace zem
