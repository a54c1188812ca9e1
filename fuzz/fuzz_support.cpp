#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zem::fuzz {

namespace fs = std::filesystem;

void Fail(std::string_view what, std::string_view detail) {
    fprintf(stderr, "\n*** broken promise: %.*s\n", static_cast<int>(what.size()), what.data());
    if (!detail.empty())
        fprintf(stderr, "%.*s\n", static_cast<int>(detail.size()), detail.data());
    abort();
}

const std::string& ScratchRoot() {
    static const std::string root = [] {
        const std::string base =
            fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
        std::string folder = base + "/zem-fuzz-" + std::to_string(getpid()) + "/";
        fs::remove_all(folder);
        fs::create_directories(folder);
        // The folder goes with the process; a crash leaves it for the report to name.
        static const std::string removed = folder;
        atexit([] {
            std::error_code ignored;
            fs::remove_all(removed, ignored);
        });
        return folder;
    }();
    return root;
}

std::string FreshFolder(const std::string& name) {
    const std::string folder = ScratchRoot() + name + "/";
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    return folder;
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(out), "the scratch file can be written", path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool IsValidUtf16(TextView text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

std::string Shown(TextView text) {
    std::string shown;
    for (const char16_t c : text) {
        char unit[8];
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(c));
            shown += unit;
        }
    }
    return shown;
}

}  // namespace zem::fuzz
