#include "config/user_messages.h"

#include "config/translations.h"
#include "platform/ui/toolkit.h"

namespace zem {

namespace {
constexpr int kCancelResult = 2;
constexpr char16_t kMessageCaption[] = u"ZemYNote";
}  // namespace

int ShowMessageText(const Text& text) {
    if (text.empty())
        return kCancelResult;
    return ui::MessageBox(ui::GetMainWindow(), text, kMessageCaption,
                          ui::MB_OK | ui::MB_ICONINFORMATION);
}

int AskYesNoCancel(const Text& text) {
    if (text.empty())
        return ui::IDCANCEL_RESULT;
    return ui::MessageBox(ui::GetMainWindow(), text, kMessageCaption,
                          ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
}

int ShowMessageId(int id) {
    return ShowMessageText(TranslateResourceString(id));
}

int ShowMessageIdArg(int id, const Text& argument) {
    return ShowMessageText(TranslateResourceStringArg(id, argument));
}

}  // namespace zem
