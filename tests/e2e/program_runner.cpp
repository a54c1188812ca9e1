#include "program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {

namespace {

std::vector<std::string> ImportArguments(const std::string& kbFolder, const std::string& database,
                                         const std::vector<std::string>& extra) {
    std::vector<std::string> arguments{"/Console", "/DatabasePath=" + kbFolder + "/index.db",
                                       "/Import=" + database};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

}  // namespace

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments) {
    return StartedProgram(path, arguments).Wait();
}

ProgramResult RunImport(const std::string& kbFolder, const std::string& database,
                        const std::vector<std::string>& extra) {
    return RunProgram(BinDir() + "/ZemYNote", ImportArguments(kbFolder, database, extra));
}

StartedProgram::StartedProgram(const std::string& path, const std::vector<std::string>& arguments,
                               bool closedOutput) {
    static int started = 0;
    const std::string folder = MakeTestFolder("started-" + std::to_string(++started));
    outputFile_ = folder + "/out";
    errorFile_ = folder + "/err";
    int pipeFds[2] = {-1, -1};
    if (closedOutput && pipe(pipeFds) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        const int input = open("/dev/null", O_RDONLY);
        const int output = closedOutput
                               ? pipeFds[1]
                               : open(outputFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errors = open(errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(input, 0);
        dup2(output, 1);
        dup2(errors, 2);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    // Nobody reads: the pipe's reading end is gone before the program writes its first line.
    if (closedOutput) {
        close(pipeFds[0]);
        close(pipeFds[1]);
    }
}

StartedProgram::~StartedProgram() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

ProgramResult StartedProgram::Wait() {
    ProgramResult result;
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_)
        return result;
    pid_ = -1;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.output = ReadFileBytesIfAny(outputFile_);
    result.errors = ReadFileBytesIfAny(errorFile_);
    return result;
}

std::unique_ptr<StartedProgram> StartImport(const std::string& kbFolder,
                                            const std::string& database,
                                            const std::vector<std::string>& extra) {
    return std::make_unique<StartedProgram>(BinDir() + "/ZemYNote",
                                            ImportArguments(kbFolder, database, extra));
}

std::string ProgramLogAscii() {
    const std::string bytes = ReadFileBytes(TestHome() + "/Documents/My Knowledge/Zem.log");
    std::string ascii;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        if (bytes[i + 1] == 0)
            ascii += bytes[i];
    }
    return ascii;
}

}  // namespace zem::test
