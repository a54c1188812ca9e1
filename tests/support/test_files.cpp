#include "support/test_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zem::test {

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadFileBytesIfAny(const std::string& path) {
    return std::filesystem::exists(path) ? ReadFileBytes(path) : std::string();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    const std::filesystem::path file(path);
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace zem::test
