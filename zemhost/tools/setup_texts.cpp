// ZemTools.dll: the four set-up entries the program calls after loading the library. Each
// keeps its text in the library's memory for the library's lifetime; ZemToolsGetSetupText
// gives them back (which: 0 secure text, 1 log file, 2 settings file, 3 temporary folder).
#include <array>
#include <mutex>

#include "host/zem_km_interfaces.h"

namespace {

enum SetupText { kSecureText, kLogFileName, kSettingsFileName, kTempPath, kSetupTextCount };

std::mutex g_lock;
std::array<zem::Text, kSetupTextCount> g_texts;

zem::HRESULT Keep(SetupText which, const char16_t* text) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_texts[which] = text ? text : u"";
    return zem::S_OK;
}

}  // namespace

ZEM_STDAPI ZemToolsSetSecuteText(const char16_t* text) {
    return Keep(kSecureText, text);
}

ZEM_STDAPI ZemToolsSetLogFileName(const char16_t* text) {
    return Keep(kLogFileName, text);
}

ZEM_STDAPI ZemToolsSetSettingsFileName(const char16_t* text) {
    return Keep(kSettingsFileName, text);
}

ZEM_STDAPI ZemToolsSetTempPath(const char16_t* text) {
    return Keep(kTempPath, text);
}

ZEM_STDAPI ZemToolsGetSetupText(int32_t which, zem::BSTR* text) {
    if (!text)
        return zem::E_POINTER;
    *text = nullptr;
    if (which < 0 || which >= kSetupTextCount)
        return zem::E_INVALIDARG;
    std::lock_guard<std::mutex> hold(g_lock);
    *text = zem::SysAllocText(g_texts[which]);
    return zem::S_OK;
}
