#include "support/test_home.h"

#include <filesystem>

#include "support/test_files.h"

namespace zem::test {

std::string MakeTestFolder(const std::string& name) {
    const std::filesystem::path folder = Utf8Path(TestHome()) / "work" / Utf8Path(name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return PathUtf8(folder);
}

}  // namespace zem::test
