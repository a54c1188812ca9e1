#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_display.h"

namespace zem::test {

// An X server of the test's own on a free display; stopped when the test ends. Another X
// server starting at the same moment can take the display this one picked ("Cannot write
// display number"), so a server that is not up and listening is stopped and another display
// tried.
class XServer {
  public:
    XServer() {
        for (int attempt = 0; attempt < 5 && display_.empty(); ++attempt) {
            if (!Start())
                Stop();
        }
    }
    ~XServer() { Stop(); }
    const std::string& Display() const { return display_; }

  private:
    bool Start() {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server may write the number and its line feed in separate writes: read the whole
        // line before the pipe is closed under it.
        std::string number;
        char c = 0;
        while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (pid_ < 0 || c != '\n' || number.empty())
            return false;
        // The server writes its number once it listens; one that exits right after lost the
        // display to another server.
        const std::string socket = "/tmp/.X11-unix/X" + number;
        for (int wait = 0; wait < 50; ++wait) {
            if (waitpid(pid_, nullptr, WNOHANG) != 0) {
                pid_ = -1;
                return false;
            }
            if (std::filesystem::exists(socket)) {
                display_ = ":" + number;
                return true;
            }
            usleep(100 * 1000);
        }
        return false;
    }
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::string display_;
};

struct TestDisplay::Server : XServer {};

TestDisplay::TestDisplay() {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
        missing_ = "Xvfb is not installed";
        return;
    }
    server_ = std::make_unique<Server>();
    if (server_->Display().empty())
        missing_ = "Xvfb did not start";
}

TestDisplay::~TestDisplay() = default;

std::map<std::string, std::string> TestDisplay::Environment() const {
    return {{"DISPLAY", server_ ? server_->Display() : ""}, {"NO_AT_BRIDGE", "1"}};
}

}  // namespace zem::test
