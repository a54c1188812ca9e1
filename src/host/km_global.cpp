#include "host/km_global.h"

#include "config/deferred_reports.h"
#include "host/data_store.h"
#include "util/log_channel.h"
#include "util/log_file.h"

namespace zem {

void CZemKMGlobal::WriteLog(TextView text) {
    if (DeferredReports* kept = CapturingReports()) {
        kept->AddLogLine(text);
        return;
    }
    AppendLogLine(text, GetLogFilePath());
}

Text CZemKMGlobal::GetSettingsFileName() {
    return GetSettingsFilePath();
}

void InstallKMGlobal() {
    static CZemKMGlobal global;
    InstallGlobal(global);
    ConnectLogChannel([](TextView line) { GetGlobal().WriteLog(line); });
}

}  // namespace zem
