#include "program_run.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "support/test_home.h"

namespace zem::test {

namespace {
std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}
}  // namespace

ProgramRun StartProgram(const std::string& path, const std::vector<std::string>& arguments,
                        const std::map<std::string, std::string>& environment,
                        const std::string& input) {
    const std::string folder = MakeTestFolder("program-run");
    const std::string in = folder + "/in", out = folder + "/out", err = folder + "/err";
    std::ofstream(in, std::ios::binary) << input;
    pid_t child = fork();
    if (child == 0) {
        for (const auto& [name, value] : environment) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        int inFd = open(in.c_str(), O_RDONLY);
        int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(inFd, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.output = ReadAll(out);
    run.errors = ReadAll(err);
    return run;
}

}  // namespace zem::test
