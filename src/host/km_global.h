// The knowledge-base flavour of the global configuration: its log lines go to the data
// store's log file and its settings file is the data store's settings file.
#pragma once

#include "config/global.h"

namespace zem {

class CZemKMGlobal : public CZemGlobalDefault {
public:
    CZemKMGlobal() = default;
};

}  // namespace zem
