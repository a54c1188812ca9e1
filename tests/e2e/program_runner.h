// Runs a program of build/bin as a user would from a terminal: fork and exec with the test
// process's environment (its private HOME), standard output and error captured, standard
// input empty. RunProgram waits for the end; StartedProgram lets several run at once.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zem::test {

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not end normally
    int signal = 0;     // the signal that ended it, 0 when it ended by itself
    std::string output;
    std::string errors;
};

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments);

// ZemYNote /Console /DatabasePath=<kb>/index.db /Import=<database>, plus any extra arguments.
ProgramResult RunImport(const std::string& kbFolder, const std::string& database,
                        const std::vector<std::string>& extra = {});

// A program started without waiting for it. Its standard output and error go to files of
// its own; with `closedOutput` standard output is a pipe whose reading end is closed, as in
// "program | head -1" once head has ended. The destructor kills a program still running.
class StartedProgram {
  public:
    StartedProgram(const std::string& path, const std::vector<std::string>& arguments,
                   bool closedOutput = false);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    int ProcessId() const { return pid_; }
    // Waits for the end (once).
    ProgramResult Wait();

  private:
    int pid_ = -1;
    std::string outputFile_;
    std::string errorFile_;
};

// The same import as RunImport, started.
std::unique_ptr<StartedProgram> StartImport(const std::string& kbFolder,
                                            const std::string& database,
                                            const std::vector<std::string>& extra = {});

// The program's log (UTF-16LE) in the test home, its ASCII characters only: enough for
// checking its English lines.
std::string ProgramLogAscii();

}  // namespace zem::test
