// A toolkit for tests: it shows nothing, records everything the program shows, and plays the
// user from a script. Install it with SetToolkit and keep a pointer to inspect it; it must
// stay current while the dialogs it drives run.
//
// The main (first) modal dialog runs the `actions` in order once it is initialised, with the
// posted commands dispatched before and after each; when they run out while the dialog is
// still open, it is closed with Cancel. A dialog opened from inside another (the About box)
// is recorded and ended at once with OK. Each PumpMessages call takes the next of
// `pumpActions`, if any, and runs it on the innermost running dialog.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/ui/toolkit.h"

namespace zem::ui {

class ScriptedToolkit : public Toolkit {
  public:
    using Action = std::function<void(Dialog&)>;

    struct Event {
        enum Kind {
            kDialogShown,    // id = template id, text = caption
            kText,           // id = control id (0: the dialog), text = new text
            kEnabled,        // id = control id, value = 1 enabled / 0 disabled
            kProgressRange,  // id, value = high, value2 = low
            kProgressPos,    // id, value = position asked for
            kMessageBox,     // text, caption; value = style
            kFileDialog,     // text = filter, caption = initial folder, value = flags
            kOutput,         // text
            kDialogEnded,    // id = template id, value = result
        } kind;
        int id = 0;
        Text text;
        Text caption;
        int64_t value = 0;
        int64_t value2 = 0;
    };

    // The user's moves, each a ClickButton, SendSysCommand or anything else on the dialog.
    static Action Click(int id);
    static Action SysCommand(uint32_t command);

    std::deque<Action> actions;
    std::deque<Action> pumpActions;
    // Answers to open-file dialogs in turn: a path (chosen) or nullopt (cancelled). With
    // none left the dialog is cancelled.
    std::deque<std::optional<Text>> fileAnswers;
    // Answers to message boxes in turn; with none left, a box with one button gives
    // `messageBoxResult` and a question its default button.
    std::deque<int> messageBoxAnswers;
    int messageBoxResult = 1;

    std::vector<Event> events;
    std::vector<OpenFileRequest> fileRequests;
    int pumpCount = 0;

    // Recorded events of one kind, in order.
    std::vector<Event> EventsOf(Event::Kind kind) const;
    // The texts of the message boxes shown, in order.
    std::vector<Text> MessageTexts() const;
    // Counts of dialogs shown with a template id.
    int DialogsShown(int templateId) const;

    void RunModal(Dialog& dialog) override;
    int MessageBox(Dialog* owner, const Text& text, const Text& caption, uint32_t type) override;
    bool GetOpenFileName(OpenFileRequest& request) override;
    void Pump() override;
    void WriteOutput(const Text& line) override;
    const char* Name() const override { return "scripted"; }

  private:
    class Recorder;
    void Record(Event::Kind kind, int id, Text text = {}, Text caption = {}, int64_t value = 0,
                int64_t value2 = 0);
    std::vector<Dialog*> running_;
};

}  // namespace zem::ui
