#include "host/km_global.h"

namespace zem {

IZemGlobal& GetGlobal() {
    // Constructed on first use, destroyed at process exit, never replaced.
    static CZemKMGlobal global;
    return global;
}

}  // namespace zem
