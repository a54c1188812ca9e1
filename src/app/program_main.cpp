#include "app/program_main.h"

#include "app/ever_note_app.h"
#include "config/global.h"
#include "platform/system_info.h"
#include "util/log_channel.h"

namespace zem {

int ProgramMain(int argc, CommandLineChar** argv) {
    SetCommandLine(argc, argv);
    ConnectLogChannel([](TextView line) { GetGlobal().WriteLog(line); });
    IgnoreBrokenPipes();
    CZemEverNoteApp app;
    app.InitInstance();
    return app.ExitStatus();
}

}  // namespace zem
