#include "import/knowledge_base_wait.h"

#include "config/global.h"
#include "config/translations.h"
#include "config/user_messages.h"
#include "platform/system_info.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

constexpr uint32_t kDefaultWaitSeconds = 60;
// Between tries the window is served; each try itself waits up to a second in the engine.
constexpr uint32_t kPauseMilliseconds = 100;

uint32_t WaitLimitMilliseconds() {
    const Text configured = GetEnvironmentText("ZEM_KB_BUSY_WAIT_SECONDS");
    uint32_t seconds = kDefaultWaitSeconds;
    if (!configured.empty() && configured.size() <= 6 &&
        configured.find_first_not_of(u"0123456789") == Text::npos)
        seconds = static_cast<uint32_t>(std::stoul(ToUtf8(configured)));
    return seconds * 1000;
}

Text Seconds(uint32_t milliseconds) {
    return IntToText(static_cast<int32_t>(milliseconds / 1000));
}

}  // namespace

KnowledgeBaseWait::KnowledgeBaseWait(ImportDialogSurface& dialog)
    : dialog_(dialog), limitMilliseconds_(WaitLimitMilliseconds()) {}

HRESULT KnowledgeBaseWait::Call(const std::function<HRESULT()>& call, const Text& status) {
    HRESULT result = call();
    if (result != ZEM_E_KNOWLEDGE_BASE_BUSY)
        return result;
    GetGlobal().WriteLog(FormatText(
        u"Import ynote, the knowledge base is in use by another program; waiting up to %1 s",
        Seconds(limitMilliseconds_)));
    const uint32_t start = GetTickCount();
    uint32_t waited = 0;
    while (result == ZEM_E_KNOWLEDGE_BASE_BUSY) {
        waited = GetTickCount() - start;
        if (waited >= limitMilliseconds_) {
            gaveUp_ = true;
            break;
        }
        dialog_.SetStatusText(
            TranslateResourceStringArg(IDS_WAITING_FOR_KNOWLEDGE_BASE, Seconds(waited)));
        dialog_.PumpMessages();
        if (dialog_.CancelRequested())
            break;
        Sleep(kPauseMilliseconds);
        result = call();
    }
    GetGlobal().WriteLog(
        result == ZEM_E_KNOWLEDGE_BASE_BUSY
            ? FormatText(u"Import ynote, the knowledge base stayed in use for %1 s; not waiting "
                         u"longer",
                         Seconds(waited))
            : FormatText(u"Import ynote, the knowledge base was free again after %1 s",
                         Seconds(GetTickCount() - start)));
    dialog_.SetStatusText(status);
    return result;
}

}  // namespace zem
