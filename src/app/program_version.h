// The program's version (the project's one version, set in CMake's project()) and the
// report --version prints with it.
#pragma once

#include "platform/text.h"

namespace zem {

// "1.3.0".
Text ProgramVersion();

// "ZemYNote <version>" and a line for the Zem engine at `enginePath` (no closing line feed):
// the version the library carries, or why it gave none, so that one look tells which program
// and which engine a user runs.
Text VersionReport(const Text& enginePath);

}  // namespace zem
