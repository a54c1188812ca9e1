#include <windows.h>

#include <filesystem>

#include "support/child_process.h"
#include "support/test_files.h"
#include "support/wide_text.h"

namespace zem::test {

namespace {

// The exit code a killed program is given; a program's own exit code is never taken for it,
// since Kill records the kill.
constexpr UINT kKilledExitCode = 137;

// One argument as the C runtime's command-line parser reads it back: quoted when it holds
// white space or quotes, backslashes doubled only before a quote.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::wstring NameOf(const std::wstring& entry) {
    // Entries such as "=C:=C:\work" start with the separator; their name holds it.
    return entry.substr(0, entry.find(L'=', 1));
}

// The test process's environment with the given changes, as CreateProcessW takes it.
std::wstring EnvironmentBlock(const std::map<std::string, std::string>& changes) {
    std::vector<std::wstring> entries;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1)
            entries.emplace_back(entry);
        FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : changes) {
        const std::wstring wideName = Wide(name);
        std::erase_if(entries, [&](const std::wstring& entry) {
            return CompareStringOrdinal(NameOf(entry).c_str(), -1, wideName.c_str(), -1, TRUE) ==
                   CSTR_EQUAL;
        });
        if (!value.empty())
            entries.push_back(wideName + L"=" + Wide(value));
    }
    std::wstring block;
    for (const std::wstring& entry : entries)
        block += entry + L'\0';
    return block + L'\0';
}

HANDLE OpenInherited(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ExecutablePath(const std::string& path) {
    const std::filesystem::path file = Utf8Path(path);
    if (!file.has_extension() && !std::filesystem::exists(file))
        return path + ".exe";
    return path;
}

}  // namespace

struct StartedProgram::Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
};

StartedProgram::StartedProgram(const std::string& path, const std::vector<std::string>& arguments,
                               const ProgramOptions& options)
    : process_(std::make_unique<Process>()) {
    const std::string inputFile = MakeStreamFiles(options.input);

    const std::wstring program = Wide(ExecutablePath(path));
    std::wstring commandLine = QuoteArgument(program);
    for (const std::string& argument : arguments)
        commandLine += L" " + QuoteArgument(Wide(argument));
    std::wstring environment = EnvironmentBlock(options.environment);

    HANDLE input = OpenInherited(inputFile, false);
    HANDLE errors = OpenInherited(errorFile_, true);
    HANDLE output = INVALID_HANDLE_VALUE, pipeReader = nullptr;
    if (options.closedOutput) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        if (CreatePipe(&pipeReader, &output, &inherit, 0))
            SetHandleInformation(pipeReader, HANDLE_FLAG_INHERIT, 0);
    } else {
        output = OpenInherited(outputFile_, true);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process_->handle = info.hProcess;
        process_->id = info.dwProcessId;
    }
    // Nobody reads: the pipe's reading end is gone before the program writes its first line.
    for (HANDLE handle : {input, output, errors, pipeReader}) {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
}

StartedProgram::~StartedProgram() {
    if (process_->handle) {
        TerminateProcess(process_->handle, kKilledExitCode);
        WaitForSingleObject(process_->handle, INFINITE);
        CloseHandle(process_->handle);
    }
}

unsigned StartedProgram::ProcessId() const {
    return process_->id;
}

void StartedProgram::Kill() {
    if (process_->handle && Running() && TerminateProcess(process_->handle, kKilledExitCode))
        killed_ = true;
}

namespace {
// The system's own suspension of a whole process; Windows offers it only through ntdll.
void CallProcessControl(const char* name, HANDLE process) {
    using Control = LONG(WINAPI*)(HANDLE);
    if (auto control = reinterpret_cast<Control>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name))))
        control(process);
}
}  // namespace

void StartedProgram::Pause() {
    if (process_->handle)
        CallProcessControl("NtSuspendProcess", process_->handle);
}

void StartedProgram::Resume() {
    if (process_->handle)
        CallProcessControl("NtResumeProcess", process_->handle);
}

bool StartedProgram::Running() {
    return process_->handle && WaitForSingleObject(process_->handle, 0) == WAIT_TIMEOUT;
}

ProgramResult StartedProgram::Wait() {
    ProgramResult result;
    if (!process_->handle)
        return result;
    DWORD code = 0;
    WaitForSingleObject(process_->handle, INFINITE);
    GetExitCodeProcess(process_->handle, &code);
    CloseHandle(process_->handle);
    process_->handle = nullptr;
    result.killed = killed_ && code == kKilledExitCode;
    result.exitCode = result.killed ? -1 : static_cast<int>(code);
    result.output = ReadFileBytesIfAny(outputFile_);
    result.errors = ReadFileBytesIfAny(errorFile_);
    return result;
}

}  // namespace zem::test
