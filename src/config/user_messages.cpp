#include "config/user_messages.h"

#include "config/deferred_reports.h"
#include "config/translations.h"
#include "platform/ui/toolkit.h"

namespace zem {

namespace {
constexpr int kCancelResult = 2;
// What a message kept for later "returns": the box's only button.
constexpr int kKeptResult = 1;
constexpr char16_t kMessageCaption[] = u"ZemYNote";
}  // namespace

int ShowMessageText(const Text& text) {
    if (text.empty())
        return kCancelResult;
    if (DeferredReports* kept = CapturingReports()) {
        kept->AddMessageText(text);
        return kKeptResult;
    }
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
    // Kept untranslated: the translation tables belong to the user-interface thread.
    if (DeferredReports* kept = CapturingReports()) {
        kept->AddMessageId(id);
        return kKeptResult;
    }
    return ShowMessageText(TranslateResourceString(id));
}

int ShowMessageIdArg(int id, const Text& argument) {
    if (DeferredReports* kept = CapturingReports()) {
        kept->AddMessageIdArg(id, argument);
        return kKeptResult;
    }
    return ShowMessageText(TranslateResourceStringArg(id, argument));
}

}  // namespace zem
