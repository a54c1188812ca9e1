#include "support/program_runner.h"

#include <filesystem>

#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {

namespace {

std::vector<std::string> ImportArguments(const std::string& kbFolder, const std::string& database,
                                         const std::vector<std::string>& extra) {
    std::vector<std::string> arguments{"/Console", "/DatabasePath=" + kbFolder + "/index.db",
                                       "/Import=" + database};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

}  // namespace

ProgramResult RunImport(const std::string& kbFolder, const std::string& database,
                        const std::vector<std::string>& extra) {
    return RunProgram(BinDir() + "/ZemYNote", ImportArguments(kbFolder, database, extra));
}

std::unique_ptr<StartedProgram> StartImport(const std::string& kbFolder,
                                            const std::string& database,
                                            const std::vector<std::string>& extra) {
    return std::make_unique<StartedProgram>(BinDir() + "/ZemYNote",
                                            ImportArguments(kbFolder, database, extra));
}

std::string ProgramLogAscii() {
    const std::string bytes = ReadFileBytes(TestHome() + "/Documents/My Knowledge/Zem.log");
    std::string ascii;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        if (bytes[i + 1] == 0)
            ascii += bytes[i];
    }
    return ascii;
}

void ImportProgramTest::SetUp() {
    folder_ = MakeTestFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    kb_ = folder_ + "/kb";
    std::filesystem::create_directories(kb_);
}

}  // namespace zem::test
