#include "platform/sqlite_setup.h"

#include <sqlite3.h>

#include <mutex>

namespace zem {

void ConfigureSqlite() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

}  // namespace zem
