// Cases that Wine cannot run as Windows would, marked as Wine's own tests mark them: the
// case runs everywhere else (Windows, and the POSIX edition) and is skipped under Wine with
// the reason, so a Wine limit is never mistaken for a fault of the program.
#pragma once

#include <gtest/gtest.h>

namespace zem::test {

// True when this process runs under Wine (its ntdll exports wine_get_version).
bool RunningUnderWine();

}  // namespace zem::test

#define ZEM_WINE_LIMIT(reason)                          \
    do {                                                \
        if (::zem::test::RunningUnderWine())            \
            GTEST_SKIP() << "Wine's limit: " << reason; \
    } while (false)
