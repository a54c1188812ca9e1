// Runs beside other runs: imports started at the same moment by one user, a run killed in the
// middle and the runs after it, and a run whose standard output nobody reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "imported_account_check.h"
#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

class RunIsolationTest : public ImportProgramTest {
  protected:
    // An account whose notes, pictures and attachments all carry `mark`: the same note ids,
    // resource ids and file names as any other account made here, different titles and bytes.
    std::unique_ptr<YNoteFixture> MakeAccount(const std::string& name, int notes, uint8_t colour) {
        auto y = std::make_unique<YNoteFixture>(folder_ + "/" + name);
        y->AddNotebook("nb", "笔记本 " + name);
        y->AddTag("t", "", "标签 " + name);
        for (int i = 0; i < notes; ++i) {
            const std::string id = "n" + std::to_string(i);
            y->AddNote({id, name + " 的笔记 " + std::to_string(i), "nb", "t", 1680000000 + i,
                        1680000000 + i, "", "<p>" + name + "<img src=\"P" + id + "\"></p>"});
            y->AddResource("P" + id, id, 1, "u\\" + id + ".png",
                           MakePngImage(8 + i % 5, 8, colour, static_cast<uint8_t>(i), 0));
            y->AddResource("A" + id, id, 2, "f\\" + id + ".txt", name + " attachment " + id);
        }
        y->Close();
        return y;
    }
    std::string Kb(const std::string& name) {
        const std::string kb = folder_ + "/" + name;
        fs::create_directories(kb);
        return kb;
    }
    static std::string ImportFolder() { return TestHome() + "/tmp/Zem/Import.YNote/"; }
    static std::vector<std::string> RunFolders() {
        std::vector<std::string> names;
        if (fs::exists(ImportFolder()))
            for (const auto& entry : fs::directory_iterator(ImportFolder()))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The run folder of the process, once it exists and holds the database's working copy.
    static std::string WaitForRunFolder(int processId) {
        const std::string prefix = std::to_string(processId) + "-";
        std::string found;
        WaitFor([&] {
            for (const std::string& name : RunFolders())
                if (name.starts_with(prefix) && fs::exists(ImportFolder() + name + "/ynote.db"))
                    found = name;
            return !found.empty();
        });
        return found;
    }
    static void WaitFor(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!condition() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    static size_t DocumentFolders(const std::string& kb) {
        if (!fs::exists(kb + "/documents"))
            return 0;
        return static_cast<size_t>(std::distance(fs::directory_iterator(kb + "/documents"), {}));
    }
};

// Two accounts at once, and one of them a second time into another knowledge base: each
// knowledge base receives exactly its own account, pictures and attachments included.
TEST_F(RunIsolationTest, ImportsStartedTogetherEachGetTheirOwnAccount) {
    auto first = MakeAccount("first", 12, 200);
    auto second = MakeAccount("second", 12, 40);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string r = std::to_string(round);
        struct Run {
            YNoteFixture* account;
            std::string kb;
            std::unique_ptr<StartedProgram> program;
        } runs[] = {{first.get(), Kb("first-" + r), nullptr},
                    {second.get(), Kb("second-" + r), nullptr},
                    {first.get(), Kb("first-again-" + r), nullptr}};
        for (Run& run : runs)
            run.program = StartImport(run.kb, run.account->DatabasePath());
        for (Run& run : runs) {
            const ProgramResult result = run.program->Wait();
            EXPECT_EQ(result.exitCode, 0) << result.output << result.errors;
            EXPECT_NE(result.output.find(
                          "12 notes walked, 12 imported, 0 imported with losses, 0 skipped"),
                      std::string::npos)
                << result.output;
            ExpectImportedAccount(run.account->DatabasePath(), run.account->StorageFolder(),
                                  run.kb);
        }
        EXPECT_EQ(RunFolders(), std::vector<std::string>{});
    }
}

// A run killed in the middle leaves its folder; the next run removes it, but not the folder
// of a run that is alive (stopped here, so that it is still in the middle when the next run
// looks), and that run then completes whole.
TEST_F(RunIsolationTest, TheFolderOfAKilledRunIsRemovedAndALiveRunsIsNot) {
    auto large = MakeAccount("large", 100, 90);
    auto small = MakeAccount("small", 2, 10);

    const std::string killedKb = Kb("killed");
    auto killed = StartImport(killedKb, large->DatabasePath());
    const std::string killedFolder = WaitForRunFolder(killed->ProcessId());
    ASSERT_FALSE(killedFolder.empty());
    WaitFor([&] { return DocumentFolders(killedKb) >= 3; });
    killed->Kill();
    EXPECT_TRUE(killed->Wait().killed);
    ASSERT_EQ(RunFolders(), std::vector<std::string>{killedFolder});
    EXPECT_LT(DocumentFolders(killedKb), 100u) << "the run ended before it was killed";

    const std::string liveKb = Kb("live");
    auto live = StartImport(liveKb, large->DatabasePath());
    const std::string liveFolder = WaitForRunFolder(live->ProcessId());
    ASSERT_FALSE(liveFolder.empty());
    live->Pause();

    const ProgramResult next = RunImport(Kb("next"), small->DatabasePath());
    EXPECT_EQ(next.exitCode, 0) << next.output;
    EXPECT_EQ(RunFolders(), std::vector<std::string>{liveFolder});

    live->Resume();
    const ProgramResult liveResult = live->Wait();
    EXPECT_EQ(liveResult.exitCode, 0) << liveResult.output << liveResult.errors;
    ExpectImportedAccount(large->DatabasePath(), large->StorageFolder(), liveKb);
    EXPECT_EQ(RunFolders(), std::vector<std::string>{});

    SqliteFile index(killedKb + "/index.db", SqliteFile::Mode::kReadOnly);
    EXPECT_EQ(index.Value("select integrity_check from pragma_integrity_check"), "ok");
}

// "ZemYNote ... | head -1": printing into a pipe nobody reads loses the lines, not the run.
TEST_F(RunIsolationTest, AClosedOutputPipeEndsNoRun) {
    auto account = MakeAccount("piped", 3, 120);
    const std::string kb = Kb("kb");
    StartedProgram completed(
        BinDir() + "/ZemYNote",
        {"/Console", "/DatabasePath=" + kb + "/index.db", "/Import=" + account->DatabasePath()},
        {.closedOutput = true});
    const ProgramResult result = completed.Wait();
    EXPECT_FALSE(result.killed);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    ExpectImportedAccount(account->DatabasePath(), account->StorageFolder(), kb);

    StartedProgram stopped(
        BinDir() + "/ZemYNote",
        {"/Console", "/DatabasePath=" + kb + "/index.db", "/Import=" + folder_ + "/none.db"},
        {.closedOutput = true});
    const ProgramResult stoppedResult = stopped.Wait();
    EXPECT_FALSE(stoppedResult.killed);
    EXPECT_EQ(stoppedResult.exitCode, 1);
}

}  // namespace
}  // namespace zem::test
