#include "app/program_main.h"
#include "platform/entry_point.h"

ZEM_ENTRY_POINT(argc, argv) {
    return zem::ProgramMain(argc, argv);
}
