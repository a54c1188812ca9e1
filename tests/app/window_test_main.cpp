// The program as a user starts it, for the window test: with ZEM_SCREENSHOT=<file.png> in
// the environment, the first dialog's picture is saved there once it has been drawn, and the
// dialog is closed.
#include <cstdlib>

#include "app/program_main.h"
#include "support/window_picture.h"

int main(int argc, char** argv) {
    if (const char* path = std::getenv("ZEM_SCREENSHOT"); path && *path)
        zem::test::TakePictureOfFirstDialog(path);
    return zem::ProgramMain(argc, argv);
}
