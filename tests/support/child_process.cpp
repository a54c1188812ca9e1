#include "support/child_process.h"

#include <thread>

namespace zem::test {

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
