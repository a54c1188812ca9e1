// Starts a program as a user would from a terminal: with the test process's environment
// (its private home) plus the variables given, standard input read from the given text (or
// empty), standard output and error captured in files of their own. POSIX starts it with
// fork and exec, Windows with CreateProcessW; on Windows a path without extension that names
// no file is tried with ".exe", so "bin/ZemYNote" serves both editions.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zem::test {

struct ProgramResult {
    int exitCode = -1;    // -1 when it did not end by itself
    bool killed = false;  // ended by StartedProgram::Kill
    int signal = 0;       // POSIX: the signal that ended it, 0 when it ended by itself
    std::string output;
    std::string errors;
};

struct ProgramOptions {
    // Variables set for the program; an empty value removes the variable.
    std::map<std::string, std::string> environment{};
    std::string input{};
    // Standard output is a pipe whose reading end is closed, as in "program | head -1" once
    // head has ended.
    bool closedOutput = false;
};

// A program started without waiting for it. The destructor kills a program still running.
class StartedProgram {
  public:
    StartedProgram(const std::string& path, const std::vector<std::string>& arguments,
                   const ProgramOptions& options = {});
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    // The system's id of the process; 0 when it could not be started.
    unsigned ProcessId() const;
    // Ends the program at once, as SIGKILL or TerminateProcess do.
    void Kill();
    // Stops all of the program's threads until Resume, as SIGSTOP and SIGCONT do.
    void Pause();
    void Resume();
    // Waits for the end (once). With a limit, a program still running when it passes is
    // killed, and the result says so.
    ProgramResult Wait();
    ProgramResult Wait(std::chrono::milliseconds limit);
    // True while the program runs.
    bool Running();

  private:
    // Makes a folder of the program's own, names its output and error files there and
    // writes `input` for its standard input; returns that file's path.
    std::string MakeStreamFiles(const std::string& input);

    struct Process;
    std::unique_ptr<Process> process_;
    std::string outputFile_;
    std::string errorFile_;
    bool killed_ = false;
};

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                         const ProgramOptions& options = {});

}  // namespace zem::test
