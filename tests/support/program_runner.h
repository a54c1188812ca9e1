// The program's import as the end-to-end and fault tests run it, on the shared child-process
// runner (support/child_process.h), the log it leaves in the test home, and the fixture of
// those tests.
#pragma once

#include <gtest/gtest.h>

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

// A test of the program's import: SetUp makes a fresh folder named after the test (folder_)
// holding an empty folder for the knowledge base (kb_).
class ImportProgramTest : public testing::Test {
  protected:
    void SetUp() override;

    std::string folder_;
    std::string kb_;
};

}  // namespace zem::test
