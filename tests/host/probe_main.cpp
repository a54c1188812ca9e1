// A small program the host tests copy into folders of their own and run, so that the
// program folder (where libraries, the portable-mode file and the chooser are looked for)
// can differ from build/bin. Prints what it found, one item per line.
#include <cstdio>
#include <cstring>

#include "host/component_loading.h"
#include "host/data_store.h"
#include "host/km_global.h"
#include "platform/files.h"
#include "platform/system_info.h"

using namespace zem;

namespace {

void Print(const Text& text) {
    std::printf("%s\n", ToUtf8(text).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    SetCommandLine(argc, argv);
    InstallKMGlobal();
    const char* command = argc > 1 ? argv[1] : "";
    if (std::strcmp(command, "tools-object") == 0) {
        IZemKMTools* tools = CreateKMToolsObject();
        std::printf("%s\n", tools ? "object" : "null");
        if (tools)
            tools->Release();
    } else if (std::strcmp(command, "paths") == 0) {
        // The data store is decided on every call; the chooser must be asked only once.
        for (int i = 0; i < 3; ++i)
            Print(GetDataStoreFolder());
        Print(GetSettingsFilePath());
        Print(GetLogFilePath());
    } else if (std::strcmp(command, "kmcore-dll") == 0) {
        CZemKMCoreDll core(GetSystemTempFolder());
        std::printf("module=%d export=%d\n", core.module != nullptr,
                    core.createSQLiteDatabase != nullptr);
    } else if (std::strcmp(command, "tools-dll") == 0) {
        CZemToolsDll tools(u"log-file", u"settings-file", u"");
        std::printf("module=%d\n", tools.Module() != nullptr);
        Print(GetCurrentDirectory());
    } else {
        return 2;
    }
    return 0;
}
