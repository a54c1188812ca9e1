#include "config/deferred_reports.h"

#include "config/global.h"
#include "config/user_messages.h"

namespace zem {

namespace {
thread_local DeferredReports* t_capturing = nullptr;
}

DeferredReports::Capture::Capture(DeferredReports& reports) {
    t_capturing = &reports;
}

DeferredReports::Capture::~Capture() {
    t_capturing = nullptr;
}

DeferredReports* CapturingReports() {
    return t_capturing;
}

void DeferredReports::Replay() {
    std::vector<Report> reports;
    reports.swap(reports_);
    for (const Report& report : reports) {
        switch (report.kind) {
            case Kind::kLogLine:
                GetGlobal().WriteLog(report.text);
                break;
            case Kind::kMessageText:
                ShowMessageText(report.text);
                break;
            case Kind::kMessageId:
                ShowMessageId(report.id);
                break;
            case Kind::kMessageIdArg:
                ShowMessageIdArg(report.id, report.text);
                break;
        }
    }
}

}  // namespace zem
