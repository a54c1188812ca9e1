#include "platform/com.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <vector>

namespace zem {

Text GuidToRegistryText(const GUID& g) {
    char buffer[40];
    snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1,
             g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
             g.data4[5], g.data4[6], g.data4[7]);
    return Text(buffer, buffer + 38);
}

bool GuidFromText(TextView text, GUID& guid) {
    if (text.size() == 38) {
        if (text.front() != u'{' || text.back() != u'}')
            return false;
        text = text.substr(1, 36);
    }
    if (text.size() != 36)
        return false;
    uint8_t bytes[16];
    size_t at = 0;
    for (int i = 0; i < 16; ++i) {
        if (at == 8 || at == 13 || at == 18 || at == 23) {
            if (text[at] != u'-')
                return false;
            ++at;
        }
        int value = 0;
        for (int k = 0; k < 2; ++k, ++at) {
            const int digit = HexDigitValue(text[at]);
            if (digit < 0)
                return false;
            value = value * 16 + digit;
        }
        bytes[i] = static_cast<uint8_t>(value);
    }
    guid.data1 =
        uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    guid.data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    memcpy(guid.data4, bytes + 8, 8);
    return true;
}

GUID NewGuid() {
    thread_local std::random_device device;
    uint32_t words[4];
    for (uint32_t& word : words)
        word = device();
    GUID g;
    static_assert(sizeof g == sizeof words);
    memcpy(&g, words, sizeof g);
    g.data3 = static_cast<uint16_t>((g.data3 & 0x0FFF) | 0x4000);   // version 4: random
    g.data4[0] = static_cast<uint8_t>((g.data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
    return g;
}

BSTR SysAllocText(TextView text) {
    if (text.size() > std::numeric_limits<uint32_t>::max())
        return nullptr;
    return SysAllocStringLen(text.empty() ? u"" : text.data(), static_cast<uint32_t>(text.size()));
}

Text TextFromBstr(BSTR text) {
    return text ? Text(text, SysStringLen(text)) : Text();
}

void VariantInit(VARIANT* v) {
    if (!v)
        return;
    *v = VARIANT();
}

void VariantClear(VARIANT* v) {
    if (!v)
        return;
    if (v->vt == VT_UNKNOWN && v->punkVal)
        v->punkVal->Release();
    VariantInit(v);
}

}  // namespace zem
