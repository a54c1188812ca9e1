// The application object and the start-up sequence: find the Zem host, check its tools
// library, load the translations, create and open the knowledge base, run the import dialog.
// One instance per process, created before main runs; InitInstance is called once.
#pragma once

#include "platform/text.h"

namespace zem {

// Exit status of the program.
constexpr int kExitCompleted = 0;  // every note arrived whole (or --help, --version)
constexpr int kExitStoppedOrCancelled = 1;
constexpr int kExitStartupFailed = 2;
constexpr int kExitCompletedWithGaps = 3;  // completed, but notes were skipped or lost something

class CZemEverNoteApp {
  public:
    CZemEverNoteApp();
    virtual ~CZemEverNoteApp();
    CZemEverNoteApp(const CZemEverNoteApp&) = delete;
    CZemEverNoteApp& operator=(const CZemEverNoteApp&) = delete;

    // The whole run, from the command line to the end of the dialog. Always false: the
    // program ends when it returns.
    virtual bool InitInstance();
    int ExitStatus() const { return exitStatus_; }

  private:
    int exitStatus_ = kExitStartupFailed;
};

// The application folder: the program's own folder until start-up replaces it with an
// existing AppPath (a separator added). Its one use is ToolsDllPath.
Text& AppFolder();
// AppFolder() + "ZemTools.dll".
Text ToolsDllPath();

}  // namespace zem
