#include <climits>

#include "platform/code_pages.h"
#include "platform/win32/windows_api.h"

namespace zem {

bool IsTextUnicode(const void* bytes, size_t count) {
    if (!bytes || count < 2)
        return false;
    // The system's statistical test, all of it.
    return ::IsTextUnicode(bytes, static_cast<int>(std::min<size_t>(count, INT_MAX & ~1)),
                           nullptr) != FALSE;
}

}  // namespace zem
