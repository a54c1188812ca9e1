// Runs a program of build/bin as a user would from a terminal: fork and exec with the test
// process's environment (its private HOME), standard output and error captured, standard
// input empty. One call at a time.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zem::test {

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not end normally
    std::string output;
    std::string errors;
};

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments);

// The arguments of an import: /Console /DatabasePath=<kb>/index.db /Import=<database>,
// plus any extra arguments.
std::vector<std::string> ImportArguments(const std::string& kbFolder, const std::string& database,
                                         const std::vector<std::string>& extra = {});
// ZemYNote with ImportArguments.
ProgramResult RunImport(const std::string& kbFolder, const std::string& database,
                        const std::vector<std::string>& extra = {});
// The same started in the background, its output discarded: the process id, for the caller
// to wait for or kill.
pid_t StartImport(const std::string& kbFolder, const std::string& database);

// The program's log file as UTF-8 (empty when there is none yet).
std::string ProgramLog();

}  // namespace zem::test
