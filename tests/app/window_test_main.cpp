// The program as a user starts it, for the window test: with ZEM_SCREENSHOT=<file.png> in
// the environment, the first dialog's picture is saved there once it has been drawn, and the
// dialog is closed.
#include "app/program_main.h"
#include "platform/entry_point.h"
#include "support/environment.h"
#include "support/window_picture.h"

ZEM_ENTRY_POINT(argc, argv) {
    if (const auto path = zem::test::GetEnv("ZEM_SCREENSHOT"); path && !path->empty())
        zem::test::TakePictureOfFirstDialog(*path);
    return zem::ProgramMain(argc, argv);
}
