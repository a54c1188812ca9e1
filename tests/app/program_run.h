// Starts a built program as a user would: fork and exec with the test's environment plus
// the given variables, standard input read from the given text, standard output and error
// captured. Waits for the end.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zem::test {

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not end by itself
    std::string output;
    std::string errors;
};

ProgramRun StartProgram(const std::string& path, const std::vector<std::string>& arguments,
                        const std::map<std::string, std::string>& environment = {},
                        const std::string& input = {});

}  // namespace zem::test
