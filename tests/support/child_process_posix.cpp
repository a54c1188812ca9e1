#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/child_process.h"
#include "support/test_files.h"

namespace zem::test {

struct StartedProgram::Process {
    pid_t pid = -1;
    bool ended = false;
    int status = 0;
};

StartedProgram::StartedProgram(const std::string& path, const std::vector<std::string>& arguments,
                               const ProgramOptions& options)
    : process_(std::make_unique<Process>()) {
    const std::string inputFile = MakeStreamFiles(options.input);
    int pipeFds[2] = {-1, -1};
    if (options.closedOutput && pipe(pipeFds) != 0)
        return;
    process_->pid = fork();
    if (process_->pid == 0) {
        for (const auto& [name, value] : options.environment) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        const int input = open(inputFile.c_str(), O_RDONLY);
        const int output = options.closedOutput
                               ? pipeFds[1]
                               : open(outputFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errors = open(errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(input, 0);
        dup2(output, 1);
        dup2(errors, 2);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    // Nobody reads: the pipe's reading end is gone before the program writes its first line.
    if (options.closedOutput) {
        close(pipeFds[0]);
        close(pipeFds[1]);
    }
}

StartedProgram::~StartedProgram() {
    if (process_->pid > 0 && !process_->ended) {
        kill(process_->pid, SIGKILL);
        waitpid(process_->pid, nullptr, 0);
    }
}

unsigned StartedProgram::ProcessId() const {
    return process_->pid > 0 ? static_cast<unsigned>(process_->pid) : 0;
}

void StartedProgram::Kill() {
    if (process_->pid > 0 && !process_->ended && kill(process_->pid, SIGKILL) == 0)
        killed_ = true;
}

void StartedProgram::Pause() {
    if (process_->pid > 0 && !process_->ended)
        kill(process_->pid, SIGSTOP);
}

void StartedProgram::Resume() {
    if (process_->pid > 0 && !process_->ended)
        kill(process_->pid, SIGCONT);
}

bool StartedProgram::Running() {
    if (process_->pid <= 0 || process_->ended)
        return false;
    if (waitpid(process_->pid, &process_->status, WNOHANG) != process_->pid)
        return true;
    process_->ended = true;
    return false;
}

ProgramResult StartedProgram::Wait() {
    ProgramResult result;
    if (process_->pid <= 0)
        return result;
    if (!process_->ended) {
        if (waitpid(process_->pid, &process_->status, 0) != process_->pid)
            return result;
        process_->ended = true;
    }
    const int status = process_->status;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
        result.killed = killed_ && result.signal == SIGKILL;
    }
    result.output = ReadFileBytesIfAny(outputFile_);
    result.errors = ReadFileBytesIfAny(errorFile_);
    return result;
}

}  // namespace zem::test
