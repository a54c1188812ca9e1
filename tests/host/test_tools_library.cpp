// A ZemTools.dll for the loading tests. Each set-up entry it exports appends the line
// "name=text" (line feeds in the text written as "\\n") to the file named by
// ZEM_TEST_TOOLS_RECORD. The "partial" variant lacks two
// of the set-up entries and exports two of the others.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/com.h"

using namespace zem;

namespace {

HRESULT Record(const char* name, const char16_t* text) {
    const char* path = std::getenv("ZEM_TEST_TOOLS_RECORD");
    if (!path)
        return S_OK;
    std::string line;
    for (const char c : ToUtf8(text))
        line += c == '\n' ? std::string("\\n") : std::string(1, c);
    if (FILE* file = std::fopen(path, "ab")) {
        std::fprintf(file, "%s=%s\n", name, line.c_str());
        std::fclose(file);
    }
    return S_OK;
}

}  // namespace

extern "C" {

HRESULT ZEM_STDMETHODCALLTYPE ZemToolsSetLogFileName(const char16_t* text) {
    return Record("LogFileName", text);
}
HRESULT ZEM_STDMETHODCALLTYPE ZemToolsSetTempPath(const char16_t* text) {
    return Record("TempPath", text);
}

#ifdef ZEM_TEST_TOOLS_PARTIAL
void ZemToolsHtml2Text() {}
void ZemToolsPngFree() {}
#else
HRESULT ZEM_STDMETHODCALLTYPE ZemToolsSetSettingsFileName(const char16_t* text) {
    return Record("SettingsFileName", text);
}
HRESULT ZEM_STDMETHODCALLTYPE ZemToolsSetSecuteText(const char16_t* text) {
    return Record("SecuteText", text);
}
#endif

}  // extern "C"
