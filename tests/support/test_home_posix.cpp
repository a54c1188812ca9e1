#include <stdlib.h>

#include <filesystem>

#include "support/environment.h"
#include "support/test_home.h"

namespace zem::test {

namespace {
std::string g_home;
}

const std::string& TestHome() {
    return g_home;
}

std::string BinDir() {
    return ZEM_BIN_DIR;
}

bool EnterTestHome() {
    char pattern[] = "/tmp/zem-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made)
        return false;
    const std::string home = made;
    g_home = home;
    std::filesystem::create_directories(home + "/tmp");
    std::filesystem::create_directories(home + "/.config");
    std::filesystem::create_directories(home + "/.local/share");
    SetEnv("HOME", home);
    SetEnv("XDG_CONFIG_HOME", home + "/.config");
    SetEnv("XDG_DATA_HOME", home + "/.local/share");
    SetEnv("XDG_DOCUMENTS_DIR", home + "/Documents");
    SetEnv("TMPDIR", home + "/tmp/");
    SetEnv("ZEM_REGISTRY", home + "/.config/zem/user.reg");
    SetEnv("LANG", "C.UTF-8");
    UnsetEnv("LC_ALL");
    UnsetEnv("LC_MESSAGES");
    return true;
}

void LeaveTestHome() {
    if (!GetEnv("ZEM_KEEP_TEST_HOME"))
        std::filesystem::remove_all(g_home);
}

}  // namespace zem::test
