// The knowledge-base flavour of the global configuration: its log lines go to the data
// store's log file and its settings file is the data store's settings file. One instance per
// process, installed by InstallKMGlobal; user-interface thread.
#pragma once

#include "config/global.h"

namespace zem {

class CZemKMGlobal : public CZemGlobalDefault {
  public:
    CZemKMGlobal() = default;

    // Appends one line to the data store's log file.
    void WriteLog(TextView text) override;
    // The data store's settings file.
    Text GetSettingsFileName() override;
};

// Installs the process's one CZemKMGlobal (made here, destroyed at process exit) as the
// global object and connects util's log channel to its log. Each program's start-up calls it
// once, before anything logs and before other threads start.
void InstallKMGlobal();

}  // namespace zem
