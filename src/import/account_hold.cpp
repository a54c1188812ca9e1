#include "import/account_hold.h"

#include "config/global.h"
#include "config/translations.h"
#include "config/user_messages.h"
#include "host/zem_km_document_sources.h"
#include "import/previous_import.h"
#include "platform/system_info.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

// Between tries the window is served; a run that ends is followed within this long.
constexpr uint32_t kPauseMilliseconds = 200;

}  // namespace

ImportAccountHold::Outcome ImportAccountHold::Take(IZemKMDatabase* host, const Text& account,
                                                   ImportDialogSurface& dialog) {
    auto holds = ComPtr<IZemKMSourceAccountHold>::QueryFrom(host);
    if (!holds)
        return Outcome::kUnheld;
    const auto tryHold = [&] {
        return holds->TryHoldSourceAccount(kYNoteSourceName, account.c_str(), hold_.Out());
    };
    HRESULT status = tryHold();
    if (status == S_FALSE) {
        GetGlobal().WriteLog(FormatText(
            u"Import ynote: another import of the account %1 into this knowledge base is "
            u"running; waiting for it to end",
            account));
        const uint32_t start = GetTickCount();
        while (status == S_FALSE) {
            dialog.SetStatusText(TranslateResourceStringArg(
                IDS_WAITING_FOR_OTHER_IMPORT,
                IntToText(static_cast<int32_t>((GetTickCount() - start) / 1000))));
            dialog.PumpMessages();
            if (dialog.CancelRequested()) {
                GetGlobal().WriteLog(
                    u"Import ynote: cancelled while waiting for the other import to end");
                return Outcome::kCancelled;
            }
            Sleep(kPauseMilliseconds);
            status = tryHold();
        }
        dialog.SetStatusText(Text());
        if (status == S_OK) {
            GetGlobal().WriteLog(
                FormatText(u"Import ynote: the other import ended after %1 s",
                           IntToText(static_cast<int32_t>((GetTickCount() - start) / 1000))));
            return Outcome::kHeldAfterWait;
        }
    }
    if (status == S_OK)
        return Outcome::kHeld;
    GetGlobal().WriteLog(FormatText(
        u"Import ynote: the knowledge base cannot hold the account for this run (status %1); "
        u"another import of it at the same time would add its notes a second time",
        Int64ToText(static_cast<uint32_t>(status))));
    return Outcome::kUnheld;
}

}  // namespace zem
