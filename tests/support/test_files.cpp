#include "support/test_files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zem::test {

std::filesystem::path Utf8Path(const std::string& path) {
    std::filesystem::path result(std::u8string(path.begin(), path.end()));
#ifdef _WIN32
    // Past the classic limit of 260 characters Windows reads only the "\\?\" form, which
    // takes "\" alone and no "." or "..".
    if (path.size() >= 248 && result.is_absolute() && !path.starts_with("\\\\"))
        result = L"\\\\?\\" + result.lexically_normal().make_preferred().wstring();
#endif
    return result;
}

std::string PathUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadFileBytesIfAny(const std::string& path) {
    return std::filesystem::exists(Utf8Path(path)) ? ReadFileBytes(path) : std::string();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    const std::filesystem::path file = Utf8Path(path);
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace zem::test
