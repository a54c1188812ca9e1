#include "app/ever_note_app.h"
#include "platform/system_info.h"

// The one application object, constructed before main runs.
zem::CZemEverNoteApp theApp;

int main(int argc, char** argv) {
    zem::SetCommandLine(argc, argv);
    zem::IgnoreBrokenPipes();
    theApp.InitInstance();
    return theApp.ExitStatus();
}
