#include "support/scripted_toolkit.h"

#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"

namespace zem::ui {

class ScriptedToolkit::Recorder : public WindowView {
  public:
    explicit Recorder(ScriptedToolkit& kit) : kit_(kit) {}
    void TextChanged(Window& window) override {
        kit_.Record(Event::kText, window.Id(), window.GetText());
    }
    void EnabledChanged(Window& window) override {
        kit_.Record(Event::kEnabled, window.Id(), {}, {}, window.IsEnabled() ? 1 : 0);
    }
    void ProgressRangeChanged(Window& window) override {
        kit_.Record(Event::kProgressRange, window.Id(), {}, {}, window.RangeHigh(),
                    window.RangeLow());
    }
    void ProgressPositionChanged(Window& window) override {
        kit_.Record(Event::kProgressPos, window.Id(), {}, {}, window.RequestedPosition());
    }

  private:
    ScriptedToolkit& kit_;
};

void ScriptedToolkit::Record(Event::Kind kind, int id, Text text, Text caption, int64_t value,
                             int64_t value2) {
    events.push_back({kind, id, std::move(text), std::move(caption), value, value2});
}

ScriptedToolkit::Action ScriptedToolkit::Click(int id) {
    return [id](Dialog& dialog) { dialog.ClickButton(id); };
}

ScriptedToolkit::Action ScriptedToolkit::SysCommand(uint32_t command) {
    return [command](Dialog& dialog) { dialog.SendSysCommand(command); };
}

std::vector<ScriptedToolkit::Event> ScriptedToolkit::EventsOf(Event::Kind kind) const {
    std::vector<Event> found;
    for (const Event& event : events)
        if (event.kind == kind)
            found.push_back(event);
    return found;
}

std::vector<Text> ScriptedToolkit::MessageTexts() const {
    std::vector<Text> texts;
    for (const Event& event : EventsOf(Event::kMessageBox))
        texts.push_back(event.text);
    return texts;
}

int ScriptedToolkit::DialogsShown(int templateId) const {
    int count = 0;
    for (const Event& event : EventsOf(Event::kDialogShown))
        if (event.id == templateId)
            ++count;
    return count;
}

void ScriptedToolkit::RunModal(Dialog& dialog) {
    Recorder recorder(*this);
    dialog.GetWindow()->SetView(&recorder);
    running_.push_back(&dialog);
    dialog.InitDialog();
    Record(Event::kDialogShown, dialog.TemplateId(), dialog.GetWindow()->GetText());
    if (running_.size() > 1) {
        dialog.EndDialog(IDOK);
    } else {
        DispatchPostedMessages();
        while (!dialog.IsEnded() && !actions.empty()) {
            Action action = std::move(actions.front());
            actions.pop_front();
            action(dialog);
            DispatchPostedMessages();
        }
        if (!dialog.IsEnded())
            dialog.EndDialog(IDCANCEL);
    }
    Record(Event::kDialogEnded, dialog.TemplateId(), {}, {}, dialog.Result());
    running_.pop_back();
    dialog.GetWindow()->SetView(nullptr);
}

int ScriptedToolkit::MessageBox(Dialog*, const Text& text, const Text& caption, uint32_t type) {
    Record(Event::kMessageBox, 0, text, caption, type);
    if (!messageBoxAnswers.empty()) {
        const int answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return answer;
    }
    return MessageBoxButtons(type).size() > 1 ? DefaultMessageBoxResult(type) : messageBoxResult;
}

bool ScriptedToolkit::GetOpenFileName(OpenFileRequest& request) {
    fileRequests.push_back(request);
    Record(Event::kFileDialog, 0, request.filter, request.initialFolder, request.flags);
    if (fileAnswers.empty())
        return false;
    std::optional<Text> answer = std::move(fileAnswers.front());
    fileAnswers.pop_front();
    if (!answer)
        return false;
    request.fileName = *answer;
    return true;
}

void ScriptedToolkit::Pump() {
    ++pumpCount;
    if (pumpActions.empty() || running_.empty())
        return;
    Action action = std::move(pumpActions.front());
    pumpActions.pop_front();
    action(*running_.back());
}

void ScriptedToolkit::WriteOutput(const Text& line) {
    Record(Event::kOutput, 0, line);
}

}  // namespace zem::ui
