// The process's command line and environment, its terminal, and what the window toolkit
// reports about itself.
#include <stdlib.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/posix_helpers.h"
#include "platform/system_info.h"

namespace zem {

namespace {

struct ProcessState {
    std::mutex lock;
    bool commandLineSet = false;
    std::vector<std::string> arguments;  // argv, program path first
    Text menuFontFace = u"Sans";
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

Text JoinFrom(const std::vector<std::string>& arguments, size_t first) {
    std::string line;
    for (size_t i = first; i < arguments.size(); ++i) {
        if (i > first)
            line += ' ';
        line += arguments[i];
    }
    return FromUtf8(line);
}

}  // namespace

void SetCommandLine(int argc, char** argv) {
    ProcessState& state = State();
    std::lock_guard lock(state.lock);
    state.arguments.assign(argv, argv + (argc > 0 ? argc : 0));
    state.commandLineSet = true;
}

Text GetCommandLine() {
    return JoinFrom(Arguments(), 0);
}
std::vector<Text> GetCommandLineArguments() {
    const std::vector<std::string> arguments = Arguments();
    std::vector<Text> items;
    for (size_t i = 1; i < arguments.size(); ++i)
        items.push_back(FromUtf8(arguments[i]));
    return items;
}

Text GetEnvironmentText(const char* name) {
    const char* value = name ? getenv(name) : nullptr;
    return value ? FromUtf8(value) : Text();
}

bool IsInteractiveTerminal() {
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

Text GetMenuFontFace() {
    ProcessState& state = State();
    std::lock_guard lock(state.lock);
    return state.menuFontFace;
}

void SetMenuFontFace(const Text& face) {
    ProcessState& state = State();
    std::lock_guard lock(state.lock);
    state.menuFontFace = face.empty() ? Text(u"Sans") : face;
}

}  // namespace zem
