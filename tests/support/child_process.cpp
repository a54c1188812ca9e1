#include "support/child_process.h"

#include <thread>

#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {

std::string StartedProgram::MakeStreamFiles(const std::string& input) {
    static int started = 0;
    const std::string folder = MakeTestFolder("started-" + std::to_string(++started));
    outputFile_ = folder + "/out";
    errorFile_ = folder + "/err";
    WriteFileBytes(folder + "/in", input);
    return folder + "/in";
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                         const ProgramOptions& options) {
    return StartedProgram(path, arguments, options).Wait();
}

ProgramResult StartedProgram::Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (Running())
        Kill();
    return Wait();
}

}  // namespace zem::test
