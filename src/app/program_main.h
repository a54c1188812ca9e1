// The program from its command line to its exit status: what main does, kept in the app
// library so that a test build of the program can run the very same path.
#pragma once

#include "platform/system_info.h"

namespace zem {

int ProgramMain(int argc, CommandLineChar** argv);

}  // namespace zem
