#include "support/wine.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zem::test {

bool RunningUnderWine() {
#ifdef _WIN32
    static const bool wine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
#else
    return false;
#endif
}

}  // namespace zem::test
