#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "config/global.h"
#include "support/test_home.h"
#include "util/log_channel.h"

namespace zem::test {
namespace {
std::string g_home;
}

const std::string& TestHome() {
    return g_home;
}

std::string MakeTestFolder(const std::string& name) {
    std::filesystem::path folder = std::filesystem::path(g_home) / "work" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

std::string BinDir() {
    return ZEM_BIN_DIR;
}

}  // namespace zem::test

int main(int argc, char** argv) {
    char pattern[] = "/tmp/zem-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made)
        return 2;
    std::string home = made;
    zem::test::g_home = home;
    std::filesystem::create_directories(home + "/tmp");
    std::filesystem::create_directories(home + "/.config");
    std::filesystem::create_directories(home + "/.local/share");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (home + "/Documents").c_str(), 1);
    setenv("TMPDIR", (home + "/tmp/").c_str(), 1);
    setenv("ZEM_REGISTRY", (home + "/.config/zem/user.reg").c_str(), 1);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");

    zem::ConnectLogChannel([](zem::TextView line) { zem::GetGlobal().WriteLog(line); });
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (!getenv("ZEM_KEEP_TEST_HOME"))
        std::filesystem::remove_all(home);
    return result;
}
