// A ZemKMControls.dll for the data-store tests. ZemKMSelectDataStore appends one line per
// call to the file named by ZEM_TEST_CHOOSER_RECORD and answers "registered", "portable",
// nothing, or any other text given in ZEM_TEST_CHOOSER_ANSWER. The "no export" variant
// lacks the entry.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/com.h"

using namespace zem;

#ifndef ZEM_TEST_CHOOSER_NO_EXPORT
extern "C" HRESULT ZEM_STDMETHODCALLTYPE ZemKMSelectDataStore(const char16_t* registered,
                                                              const char16_t* portable,
                                                              BSTR* chosen) {
    if (const char* path = std::getenv("ZEM_TEST_CHOOSER_RECORD")) {
        if (FILE* file = std::fopen(path, "ab")) {
            std::fprintf(file, "%s|%s\n", ToUtf8(registered).c_str(), ToUtf8(portable).c_str());
            std::fclose(file);
        }
    }
    const char* answer = std::getenv("ZEM_TEST_CHOOSER_ANSWER");
    if (!answer || !*answer)
        return S_OK;  // leaves *chosen null
    if (std::strcmp(answer, "registered") == 0) {
        *chosen = SysAllocString(registered);
    } else if (std::strcmp(answer, "portable") == 0) {
        *chosen = SysAllocString(portable);
    } else {
        *chosen = SysAllocText(FromUtf8(answer));
    }
    return S_OK;
}
#else
extern "C" void ZemKMSomethingElse() {}
#endif
