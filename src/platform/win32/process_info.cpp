// The process's command line and environment, its console and other processes.

#include <mutex>
#include <string>
#include <vector>

#include "platform/system_info.h"
#include "platform/win32/windows_api.h"

namespace zem {

namespace {

struct ProcessState {
    std::mutex lock;
    bool commandLineSet = false;
    std::vector<Text> arguments;  // argv, program path first
};

ProcessState& State() {
    static ProcessState* state = new ProcessState();  // lives until the process ends
    return *state;
}

void Record(std::vector<Text> arguments) {
    ProcessState& state = State();
    std::lock_guard lock(state.lock);
    state.arguments = std::move(arguments);
    state.commandLineSet = true;
}

// argv as recorded by main(); a library that main() never reached reads it from the system.
std::vector<Text> Arguments() {
    ProcessState& state = State();
    {
        std::lock_guard lock(state.lock);
        if (state.commandLineSet)
            return state.arguments;
    }
    std::vector<Text> arguments;
    int count = 0;
    if (wchar_t** items = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.push_back(win32::FromWide(items[i]));
        LocalFree(items);
    }
    return arguments;
}

}  // namespace

void SetCommandLine(int argc, wchar_t** argv) {
    std::vector<Text> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(win32::FromWide(argv[i]));
    Record(std::move(arguments));
}

void SetCommandLine(int argc, char** argv) {
    std::vector<Text> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(FromUtf8(argv[i]));
    Record(std::move(arguments));
}

Text GetCommandLine() {
    const std::vector<Text> arguments = Arguments();
    Text line;
    for (size_t i = 0; i < arguments.size(); ++i)
        line += (i > 0 ? u" " : u"") + arguments[i];
    return line;
}

std::vector<Text> GetCommandLineArguments() {
    std::vector<Text> arguments = Arguments();
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    return arguments;
}

void IgnoreBrokenPipes() {}

bool IsProcessRunning(uint32_t processId) {
    if (processId == 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED;  // another user's live process
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

Text GetEnvironmentText(const char* name) {
    if (!name)
        return {};
    const Text wideName = FromUtf8(name);
    std::wstring buffer(256, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(win32::Wide(wideName), buffer.data(),
                                                     static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return win32::FromWide(buffer.data(), length);
        buffer.resize(length);
    }
}

bool IsInteractiveTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
           GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode);
}

}  // namespace zem
