// The program's entry point: main on Linux, wmain on Windows, where the command line arrives
// as wide text (the executable links with -municode). Use as
//     ZEM_ENTRY_POINT(argc, argv) { ... SetCommandLine(argc, argv) ... }
#pragma once

#include "platform/system_info.h"

#ifdef _WIN32
#define ZEM_ENTRY_POINT(argc, argv) int wmain(int argc, wchar_t** argv)
#else
#define ZEM_ENTRY_POINT(argc, argv) int main(int argc, char** argv)
#endif
