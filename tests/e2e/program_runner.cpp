#include "program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/data_store.h"
#include "support/test_home.h"
#include "util/text_file_reader.h"

namespace zem::test {

namespace {

// In a forked child: becomes the program, or ends with status 127.
[[noreturn]] void Exec(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
}

}  // namespace

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments) {
    ProgramResult result;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return result;
    const pid_t child = fork();
    if (child == 0) {
        const int input = open("/dev/null", O_RDONLY);
        dup2(input, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        Exec(path, arguments);
    }
    close(out[1]);
    close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.output, &result.errors};
    for (int open = 2; open > 0;) {
        if (poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

std::vector<std::string> ImportArguments(const std::string& kbFolder, const std::string& database,
                                         const std::vector<std::string>& extra) {
    std::vector<std::string> arguments{"/Console", "/DatabasePath=" + kbFolder + "/index.db",
                                       "/Import=" + database};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

ProgramResult RunImport(const std::string& kbFolder, const std::string& database,
                        const std::vector<std::string>& extra) {
    return RunProgram(BinDir() + "/ZemYNote", ImportArguments(kbFolder, database, extra));
}

pid_t StartImport(const std::string& kbFolder, const std::string& database) {
    const std::string path = BinDir() + "/ZemYNote";
    const std::vector<std::string> arguments = ImportArguments(kbFolder, database);
    const pid_t child = fork();
    if (child == 0) {
        const int nothing = open("/dev/null", O_RDWR);
        dup2(nothing, 0);
        dup2(nothing, 1);
        dup2(nothing, 2);
        Exec(path, arguments);
    }
    return child;
}

std::string ProgramLog() {
    Text log;
    LoadTextFile(GetLogFilePath(), log);
    return ToUtf8(log);
}

}  // namespace zem::test
