#include "app/program_main.h"

#include "app/ever_note_app.h"
#include "host/km_global.h"
#include "platform/system_info.h"

namespace zem {

int ProgramMain(int argc, CommandLineChar** argv) {
    SetCommandLine(argc, argv);
    InstallKMGlobal();
    IgnoreBrokenPipes();
    CZemEverNoteApp app;
    app.InitInstance();
    return app.ExitStatus();
}

}  // namespace zem
