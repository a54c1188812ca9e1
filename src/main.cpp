#include "app/ever_note_app.h"
#include "config/global.h"
#include "platform/system_info.h"
#include "util/log_channel.h"

// The one application object, constructed before main runs.
zem::CZemEverNoteApp theApp;

int main(int argc, char** argv) {
    zem::SetCommandLine(argc, argv);
    zem::ConnectLogChannel([](zem::TextView line) { zem::GetGlobal().WriteLog(line); });
    zem::IgnoreBrokenPipes();
    theApp.InitInstance();
    return theApp.ExitStatus();
}
