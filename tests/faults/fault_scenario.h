// One damaged, odd or hostile setting for the import, and the checks every run of the real
// program must pass whatever the fault: it ends by itself with status 0, 1, 2 or 3 (never a
// signal, never a hang); it writes nothing outside the knowledge base, the program's
// temporary folder and the log (the account's own files stay byte for byte as they were);
// the knowledge base passes SQLite's integrity and foreign-key checks; every note of the
// account was imported whole, imported with its losses named, or skipped with its reason,
// and the counts and the exit status say the same. Failures are GoogleTest failures.
// One thread; one scenario per test.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/ynote_fixture.h"

namespace zem::test {

struct FaultRunOptions {
    // NAME=value settings added to the program's environment (LANG, for instance).
    std::vector<std::string> environment{};
    // Files the program writes cannot grow past this many KiB (a full disk); 0: no limit.
    long fileSizeLimitKiB = 0;
    // A run still going after this long counts as hung and is killed.
    int timeoutSeconds = 240;
};

struct FaultRun {
    int status = -1;  // the exit status; 128 + the signal when a signal ended the program
    std::string output;
    std::string errors;
    std::string log;         // what the run added to the program's log, as UTF-8
    bool Completed() const;  // "Import completed" was shown
    // The log holds a line containing `text`.
    bool Logged(const std::string& text) const { return log.find(text) != std::string::npos; }
};

class FaultScenario {
  public:
    // A fresh folder of the test HOME named `name`, holding the account ("ynote/") and the
    // knowledge base ("kb/").
    explicit FaultScenario(const std::string& name);
    ~FaultScenario();

    const std::string& Folder() const { return folder_; }
    const std::string& KbFolder() const { return kbFolder_; }
    // The account, made on first use.
    YNoteFixture& Account();

    // Imports the account (closed first), then runs every check.
    FaultRun Import(const FaultRunOptions& options = {});
    // Imports whatever is at `path` instead of the account: no notes to account for.
    FaultRun ImportPath(const std::string& path, const FaultRunOptions& options = {});
    // Imports the account once more into the same knowledge base: that run must complete,
    // and pass the checks that do not depend on what the first run left.
    FaultRun ExpectSecondRunCompletes(const FaultRunOptions& options = {});

  private:
    FaultRun Run(const std::string& path, const FaultRunOptions& options, bool accountNotes);
    void ExpectEveryNoteAccountedFor(const FaultRun& run);

    std::string folder_;
    std::string kbFolder_;
    std::unique_ptr<YNoteFixture> account_;
};

}  // namespace zem::test
