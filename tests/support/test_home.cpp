#include "support/test_home.h"

#include <algorithm>
#include <filesystem>

#include "support/test_files.h"

namespace zem::test {

std::string MakeTestFolder(const std::string& name) {
    const std::filesystem::path folder = Utf8Path(TestHome()) / "work" / Utf8Path(name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return PathUtf8(folder);
}

std::string TestDocumentsFolder() {
    return TestHome() + "/Documents";
}

std::string TestLocalAppDataFolder() {
#ifdef _WIN32
    return TestHome() + "/AppData/Local";
#else
    return TestHome() + "/.local/share";
#endif
}

std::string NativePath(std::string path) {
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
}

}  // namespace zem::test
