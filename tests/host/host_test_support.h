// Helpers shared by the host and style tests: reading the messages of the program's log
// file, small file helpers, and running the probe program from a folder of the test's own.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/data_store.h"
#include "platform/text.h"
#include "support/child_process.h"
#include "support/test_files.h"

namespace zem::test {

inline std::string U8(TextView text) {
    return ToUtf8(text);
}
inline Text U16(const std::string& text) {
    return FromUtf8(text);
}

// The lines of a UTF-16LE file with a byte-order mark, as UTF-8, without line ends; none for
// a file that is not there (a log nothing was written to).
inline std::vector<std::string> ReadUtf16Lines(const std::string& path) {
    const std::string bytes = ReadFileBytesIfAny(path);
    Text text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    std::vector<std::string> lines;
    std::istringstream in(ToUtf8(text));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The messages of the log lines written since construction (each line's text after the
// program name, date, time and process ids).
class LogWatch {
  public:
    LogWatch() : start_(All().size()) {}
    std::vector<std::string> NewMessages() const {
        std::vector<std::string> all = All();
        return {all.begin() + std::min(start_, all.size()), all.end()};
    }

  private:
    static std::vector<std::string> All() {
        std::vector<std::string> messages;
        for (const std::string& line : ReadUtf16Lines(U8(GetLogFilePath()))) {
            const size_t start = line.find("): ");
            messages.push_back(start == std::string::npos ? line : line.substr(start + 3));
        }
        return messages;
    }
    size_t start_;
};

#ifdef ZEM_HOST_PROBE
// Copies the probe program into `folder` and runs it there with `command`. Its standard
// output, lines split (a carriage return before a line end dropped).
inline std::vector<std::string> RunProbe(const std::string& folder, const std::string& command) {
    const std::filesystem::path source(ZEM_HOST_PROBE);
    const std::string probe = folder + "/" + source.filename().string();
    std::filesystem::copy_file(source, probe, std::filesystem::copy_options::overwrite_existing);
    std::istringstream in(RunProgram(probe, {command}).output);
    std::vector<std::string> output;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        output.push_back(line);
    }
    return output;
}
#endif

}  // namespace zem::test
