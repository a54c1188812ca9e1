#include "faults/fault_scenario.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "platform/text.h"
#include "support/import_audit.h"
#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {

namespace {

namespace fs = std::filesystem;

void ExpectNone(const std::vector<std::string>& faults) {
    for (const std::string& fault : faults)
        ADD_FAILURE() << fault;
}

}  // namespace

bool FaultRun::Completed() const {
    return Logged("Import ynote completed: ");
}

FaultScenario::FaultScenario(const std::string& name)
    : folder_(MakeTestFolder("fault." + name)), kbFolder_(folder_ + "/kb") {
    fs::create_directories(kbFolder_);
}

FaultScenario::~FaultScenario() = default;

YNoteFixture& FaultScenario::Account() {
    if (!account_)
        account_ = std::make_unique<YNoteFixture>(folder_ + "/ynote");
    return *account_;
}

FaultRun FaultScenario::Import(const FaultRunOptions& options) {
    Account().Close();
    return Run(Account().DatabasePath(), options, true);
}

FaultRun FaultScenario::ImportPath(const std::string& path, const FaultRunOptions& options) {
    if (account_)
        account_->Close();
    return Run(path, options, false);
}

FaultRun FaultScenario::ExpectSecondRunCompletes(const FaultRunOptions& options) {
    Account().Close();
    FaultRun run = Run(Account().DatabasePath(), options, false);
    EXPECT_TRUE(run.status == 0 || run.status == 3) << "second run: " << run.status;
    EXPECT_TRUE(run.Completed()) << run.output;
    return run;
}

FaultRun FaultScenario::Run(const std::string& path, const FaultRunOptions& options,
                            bool accountNotes) {
    const Snapshot before = TakeSnapshot(TestHome());
    const size_t logSize = ReadFileBytesIfAny(LogPath(TestHome())).size();

    const std::vector<std::string> import{"/Console", "/DatabasePath=" + kbFolder_ + "/index.db",
                                          "/Import=" + path};
#ifdef _WIN32
    // Windows has no file-size limit per process; the cases that need one run on POSIX only.
    ProgramOptions settings;
    for (const std::string& setting : options.environment) {
        const size_t equals = setting.find('=');
        settings.environment[setting.substr(0, equals)] = setting.substr(equals + 1);
    }
    ProgramResult result = StartedProgram(BinDir() + "/ZemYNote", import, settings)
                               .Wait(std::chrono::seconds(options.timeoutSeconds));
    FaultRun run;
    run.status = result.killed ? 137 : result.exitCode;
#else
    // bash sets the file-size limit (the signal such writes raise is ignored, so they fail as
    // on a full disk), env adds the settings, timeout ends a run that hangs.
    std::vector<std::string> arguments{
        "-c", "trap '' XFSZ; if [ \"$1\" -gt 0 ]; then ulimit -f \"$1\"; fi; shift; exec \"$@\"",
        "bash", std::to_string(options.fileSizeLimitKiB), "/usr/bin/env"};
    arguments.insert(arguments.end(), options.environment.begin(), options.environment.end());
    arguments.insert(arguments.end(),
                     {"/usr/bin/timeout", "-s", "KILL", std::to_string(options.timeoutSeconds),
                      BinDir() + "/ZemYNote"});
    arguments.insert(arguments.end(), import.begin(), import.end());
    ProgramResult result = RunProgram("/bin/bash", arguments);

    FaultRun run;
    run.status = result.signal != 0 ? 128 + result.signal : result.exitCode;
#endif
    run.output = std::move(result.output);
    run.errors = std::move(result.errors);
    run.log = LogTextFrom(TestHome(), logSize);
    EXPECT_TRUE(run.status >= 0 && run.status <= 3)
        << "ended by a signal or killed as hung: " << run.status << "\n"
        << run.output << run.errors;
    EXPECT_EQ(run.status == 0 || run.status == 3, run.Completed()) << run.output;

    ExpectNone(ChangesOutsideItsPlaces(before, TakeSnapshot(TestHome()), TestHome(), kbFolder_));
    ExpectNone(KnowledgeBaseFaults(kbFolder_));
    if (accountNotes && run.Completed())
        ExpectEveryNoteAccountedFor(run);
    return run;
}

void FaultScenario::ExpectEveryNoteAccountedFor(const FaultRun& run) {
    const std::vector<std::string> titles =
        AccountTitles(Account().DatabasePath(), folder_ + "/check");
    ExpectNone(NotesNotAccountedFor(titles, run.log, kbFolder_, run.status));
}

}  // namespace zem::test
