// The component-model runtime of the Linux edition: system strings allocated with malloc
// (every module of the process shares one C library, so any of them may free what another
// allocated), and no apartments.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "platform/com.h"

namespace zem {

void InitializeComponentModel() {}

// A BSTR points just past a 32-bit byte count and ends with a NUL that is not counted.
BSTR SysAllocStringLen(const char16_t* text, uint32_t length) {
    constexpr uint32_t kMaxLength = (std::numeric_limits<uint32_t>::max() - 8) / 2;
    if (length > kMaxLength)
        return nullptr;
    auto* block = static_cast<char*>(malloc(sizeof(uint32_t) + (size_t(length) + 1) * 2));
    if (!block)
        return nullptr;
    const uint32_t bytes = length * 2;
    memcpy(block, &bytes, sizeof bytes);
    auto* chars = reinterpret_cast<char16_t*>(block + sizeof(uint32_t));
    if (text)
        memcpy(chars, text, bytes);
    else
        memset(chars, 0, bytes);
    chars[length] = u'\0';
    return chars;
}

BSTR SysAllocString(const char16_t* text) {
    if (!text)
        return nullptr;
    return SysAllocStringLen(text, static_cast<uint32_t>(std::char_traits<char16_t>::length(text)));
}

void SysFreeString(BSTR text) {
    if (text)
        free(reinterpret_cast<char*>(text) - sizeof(uint32_t));
}

uint32_t SysStringLen(BSTR text) {
    if (!text)
        return 0;
    uint32_t bytes;
    memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof(uint32_t), sizeof bytes);
    return bytes / 2;
}

}  // namespace zem
