// The program's import as the end-to-end and fault tests run it, on the shared child-process
// runner (support/child_process.h), and the log it leaves in the test home.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace zem::test {

// ZemYNote /Console /DatabasePath=<kb>/index.db /Import=<database>, plus any extra arguments.
ProgramResult RunImport(const std::string& kbFolder, const std::string& database,
                        const std::vector<std::string>& extra = {});

// The same import, started without waiting for it.
std::unique_ptr<StartedProgram> StartImport(const std::string& kbFolder,
                                            const std::string& database,
                                            const std::vector<std::string>& extra = {});

// The program's log (UTF-16LE) in the test home, its ASCII characters only: enough for
// checking its English lines.
std::string ProgramLogAscii();

}  // namespace zem::test
