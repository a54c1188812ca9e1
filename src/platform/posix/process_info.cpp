// The process's command line and environment, its terminal, its signals and other processes.
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/posix_helpers.h"
#include "platform/system_info.h"

namespace zem {

namespace {

struct ProcessState {
    std::mutex lock;
    bool commandLineSet = false;
    std::vector<std::string> arguments;  // argv, program path first
};

ProcessState& State() {
    static ProcessState* state = new ProcessState();  // lives until the process ends
    return *state;
}

// argv as recorded by main(); a library that main() never reached reads it from the system.
std::vector<std::string> Arguments() {
    ProcessState& state = State();
    std::lock_guard lock(state.lock);
    if (state.commandLineSet)
        return state.arguments;
    std::vector<std::string> arguments;
    std::string bytes;
    if (posix::ReadWholeFile("/proc/self/cmdline", bytes)) {
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find('\0', start);
            if (end == std::string::npos)
                end = bytes.size();
            arguments.push_back(bytes.substr(start, end - start));
            start = end + 1;
        }
    }
    return arguments;
}

}  // namespace

void SetCommandLine(int argc, char** argv) {
    ProcessState& state = State();
    std::lock_guard lock(state.lock);
    state.arguments.assign(argv, argv + (argc > 0 ? argc : 0));
    state.commandLineSet = true;
}

Text GetCommandLine() {
    const std::vector<std::string> arguments = Arguments();
    std::string line;
    for (size_t i = 0; i < arguments.size(); ++i)
        line += (i > 0 ? " " : "") + arguments[i];
    // Arguments name files; bytes that are not UTF-8 are kept for the file system.
    return FromFileSystemBytes(line);
}
std::vector<Text> GetCommandLineArguments() {
    const std::vector<std::string> arguments = Arguments();
    std::vector<Text> items;
    for (size_t i = 1; i < arguments.size(); ++i)
        items.push_back(FromFileSystemBytes(arguments[i]));
    return items;
}

void IgnoreBrokenPipes() {
    signal(SIGPIPE, SIG_IGN);
}

bool IsProcessRunning(uint32_t processId) {
    // 0 and negative ids would address process groups.
    if (processId == 0 || processId > static_cast<uint32_t>(INT_MAX))
        return false;
    return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

Text GetEnvironmentText(const char* name) {
    const char* value = name ? getenv(name) : nullptr;
    return value ? FromFileSystemBytes(value) : Text();
}

bool IsInteractiveTerminal() {
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

}  // namespace zem
