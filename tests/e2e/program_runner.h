// Runs a program of build/bin as a user would from a terminal: fork and exec with the test
// process's environment (its private HOME), standard output and error captured, standard
// input empty. One call at a time.
#pragma once

#include <string>
#include <vector>

namespace zem::test {

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not end normally
    std::string output;
    std::string errors;
};

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments);

// ZemYNote /Console /DatabasePath=<kb>/index.db /Import=<database>, plus any extra arguments.
ProgramResult RunImport(const std::string& kbFolder, const std::string& database,
                        const std::vector<std::string>& extra = {});

// The program's log (UTF-16LE) in the test home, its ASCII characters only: enough for
// checking its English lines.
std::string ProgramLogAscii();

}  // namespace zem::test
