// The program from its command line to its exit status: what main does, kept in the app
// library so that a test build of the program can run the very same path.
#pragma once

namespace zem {

int ProgramMain(int argc, char** argv);

}  // namespace zem
