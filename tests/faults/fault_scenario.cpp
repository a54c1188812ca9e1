#include "faults/fault_scenario.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>

#include "e2e/program_runner.h"
#include "platform/text.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {

namespace {

namespace fs = std::filesystem;

// Every entry under a folder, links not followed: its kind and, for files, a digest of the
// bytes. Named pipes and devices are only named, never opened.
// Paths are UTF-8 with "/" separators on both editions, so that they compare with the
// folders the test names.
using Snapshot = std::map<std::string, std::string>;

std::string ForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

Snapshot TakeSnapshot(const std::string& root) {
    Snapshot snapshot;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(Utf8Path(root), error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::directory_entry& entry = *it;
        const fs::file_status status = entry.symlink_status();
        std::string kind;
        if (fs::is_symlink(status))
            kind = "link to " + PathUtf8(fs::read_symlink(entry.path()));
        else if (fs::is_directory(status))
            kind = "folder";
        else if (fs::is_regular_file(status))
            kind = "file " +
                   std::to_string(std::hash<std::string>()(ReadFileBytes(PathUtf8(entry.path()))));
        else
            kind = "special";
        snapshot[ForwardSlashes(PathUtf8(entry.path()))] = kind;
    }
    return snapshot;
}

std::string LogPath() {
    return TestHome() + "/Documents/My Knowledge/Zem.log";
}

// The program's log is UTF-16LE with a byte-order mark; `from` is a byte offset in it.
std::string LogTextFrom(size_t from) {
    const std::string bytes = ReadFileBytesIfAny(LogPath());
    if (from < 2)
        from = 2;
    std::u16string text;
    for (size_t i = from; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    return ToUtf8(text);
}

// What the program may change: the knowledge base, its own temporary folder, the log, and
// empty folders of the data store the log lives in. (The runner keeps the program's output
// in folders of its own.)
void ExpectNothingWrittenElsewhere(const Snapshot& before, const Snapshot& after,
                                   const std::string& kbFolder) {
    const std::string home = ForwardSlashes(TestHome());
    const std::string kb = ForwardSlashes(kbFolder);
    auto allowed = [&](const std::string& path, const std::string& kind) {
        return path.starts_with(kb + "/") || path.starts_with(home + "/tmp/Zem") ||
               path == ForwardSlashes(LogPath()) ||
               (kind == "folder" && path.starts_with(home + "/Documents")) ||
               path.starts_with(home + "/work/started-");
    };
    for (const auto& [path, kind] : after) {
        const auto earlier = before.find(path);
        if (earlier == before.end()) {
            EXPECT_TRUE(allowed(path, kind)) << "written outside its places: " << path;
        } else if (earlier->second != kind) {
            EXPECT_TRUE(allowed(path, kind)) << "changed outside its places: " << path;
        }
    }
    for (const auto& [path, kind] : before) {
        if (!after.count(path)) {
            EXPECT_TRUE(allowed(path, kind)) << "removed outside its places: " << path;
        }
    }
}

void ExpectSoundKnowledgeBase(const std::string& kbFolder) {
    const std::string index = kbFolder + "/index.db";
    if (!fs::exists(index))
        return;
    SqliteFile kb(index, SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(kb.Value("select integrity_check from pragma_integrity_check"), "ok");
    EXPECT_TRUE(kb.Query("select * from pragma_foreign_key_check").empty());
}

// The account as its owner's program would read it: a copy, on which SQLite may play back a
// journal left beside it. The account itself is never opened.
std::vector<std::string> AccountTitles(const std::string& account, const std::string& folder) {
    fs::create_directories(folder);
    const std::string copy = folder + "/account.db";
    for (const char* suffix : {"", "-wal", "-journal"}) {
        fs::remove(copy + suffix);
        if (fs::is_regular_file(account + suffix))
            fs::copy_file(account + suffix, copy + suffix);
    }
    SqliteFile database(copy, SqliteFile::Mode::kCreate);
    std::vector<std::string> titles;
    for (const SqlRow& row : database.Query("select coalesce(title, '') from note_attr")) {
        std::string title = row[0].empty() ? "无标题笔记" : row[0];
        std::replace(title.begin(), title.end(), '/', '-');
        titles.push_back(title);
    }
    return titles;
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
    const size_t logSize = ReadFileBytesIfAny(LogPath()).size();

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
    run.log = LogTextFrom(logSize);
    EXPECT_TRUE(run.status >= 0 && run.status <= 3)
        << "ended by a signal or killed as hung: " << run.status << "\n"
        << run.output << run.errors;
    EXPECT_EQ(run.status == 0 || run.status == 3, run.Completed()) << run.output;

    ExpectNothingWrittenElsewhere(before, TakeSnapshot(TestHome()), kbFolder_);
    ExpectSoundKnowledgeBase(kbFolder_);
    if (accountNotes && run.Completed())
        ExpectEveryNoteAccountedFor(run);
    return run;
}

void FaultScenario::ExpectEveryNoteAccountedFor(const FaultRun& run) {
    const std::vector<std::string> titles =
        AccountTitles(Account().DatabasePath(), folder_ + "/check");
    std::multiset<std::string> documents;
    SqliteFile kb(kbFolder_ + "/index.db", SqliteFile::Mode::kReadOnly);
    for (const SqlRow& row : kb.Query("select title from document"))
        documents.insert(row[0]);

    int whole = 0, withLosses = 0, skipped = 0;
    for (const std::string& title : titles) {
        if (run.Logged("Import ynote, skipped note \"" + title + "\": ")) {
            ++skipped;
        } else if (!documents.count(title)) {
            ADD_FAILURE() << "note \"" << title << "\" was neither imported nor skipped";
        } else if (run.Logged("Import ynote, note \"" + title + "\" lost ")) {
            ++withLosses;
        } else {
            ++whole;
        }
    }
    std::smatch counts;
    const std::regex countsLine(
        "Import ynote completed: (\\d+) notes walked, (\\d+) imported, (\\d+) imported with "
        "losses, (\\d+) skipped");
    ASSERT_TRUE(std::regex_search(run.log, counts, countsLine)) << run.log;
    const bool walkBroken = run.Logged("the note list could not be read beyond note");
    if (!walkBroken) {
        EXPECT_EQ(std::stoul(counts[1]), titles.size());
        EXPECT_EQ(std::stoi(counts[2]), whole) << run.log;
        EXPECT_EQ(std::stoi(counts[3]), withLosses) << run.log;
        EXPECT_EQ(std::stoi(counts[4]), skipped) << run.log;
    }
    EXPECT_EQ(run.status == 0, withLosses == 0 && skipped == 0 && !walkBroken)
        << "exit status " << run.status << "\n"
        << run.log;
}

}  // namespace zem::test
