#include "platform/ui/toolkit.h"

#include "platform/ui/console_toolkit.h"
#include "platform/ui/terminal.h"
#include "platform/ui/window_toolkit.h"

namespace zem::ui {

namespace {

std::unique_ptr<Toolkit>& Current() {
    static std::unique_ptr<Toolkit> toolkit;
    return toolkit;
}

Dialog* g_mainWindow = nullptr;

}  // namespace

std::vector<std::pair<Text, Text>> ParseFileFilter(const Text& filter) {
    std::vector<std::pair<Text, Text>> pairs;
    size_t start = 0;
    while (start < filter.size()) {
        size_t bar = filter.find(u'|', start);
        if (bar == Text::npos)
            break;
        size_t end = filter.find(u'|', bar + 1);
        if (end == Text::npos)
            end = filter.size();
        pairs.emplace_back(filter.substr(start, bar - start),
                           filter.substr(bar + 1, end - bar - 1));
        start = end + 1;
    }
    return pairs;
}

Toolkit& CurrentToolkit() {
    auto& current = Current();
    if (!current)
        current = CreateConsoleToolkit(/*nonInteractive=*/true);
    return *current;
}

std::unique_ptr<Toolkit> SetToolkit(std::unique_ptr<Toolkit> toolkit) {
    std::unique_ptr<Toolkit> previous = std::move(Current());
    Current() = std::move(toolkit);
    return previous;
}

void ChooseToolkit(bool forceConsole, bool nonInteractive) {
    std::unique_ptr<Toolkit> toolkit;
    if (!forceConsole)
        toolkit = CreateWindowToolkit(nonInteractive);
    if (!toolkit) {
        ConnectConsole();
        toolkit = CreateConsoleToolkit(nonInteractive);
    }
    SetToolkit(std::move(toolkit));
}

void SetMainWindow(Dialog* dialog) {
    g_mainWindow = dialog;
}
Dialog* GetMainWindow() {
    return g_mainWindow;
}

std::vector<int> MessageBoxButtons(uint32_t type) {
    if ((type & 0xF) == MB_YESNOCANCEL)
        return {IDYES_RESULT, IDNO_RESULT, IDCANCEL_RESULT};
    return {IDOK_RESULT};
}

int DefaultMessageBoxResult(uint32_t type) {
    const std::vector<int> buttons = MessageBoxButtons(type);
    const size_t index = (type & 0xF00) >> 8;
    return buttons[index < buttons.size() ? index : 0];
}

int MessageBox(Dialog* owner, const Text& text, const Text& caption, uint32_t type) {
    return CurrentToolkit().MessageBox(owner, text, caption, type);
}

bool GetOpenFileName(OpenFileRequest& request) {
    if (!request.owner)
        request.owner = g_mainWindow;
    return CurrentToolkit().GetOpenFileName(request);
}

void WriteOutput(const Text& line) {
    CurrentToolkit().WriteOutput(line);
}

}  // namespace zem::ui
