// Settings files for the style tests, written the way the host settings component keeps
// them, with a write time later than anything read before.
#pragma once

#include <chrono>
#include <string>

#include "host/host_test_support.h"
#include "support/test_files.h"

namespace zem::test {

// `sections` is the XML inside <settings>.
inline void WriteSettingsFile(const std::string& path, const std::string& sections) {
    WriteFileBytes(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<settings>" + sections +
                             "</settings>\n");
    // File times are compared in whole seconds: step each rewrite clearly ahead.
    static int step = 0;
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() +
                                               std::chrono::seconds(10 + 5 * ++step));
}

inline std::string Section(const std::string& name, const std::string& values) {
    return "<section name=\"" + name + "\">" + values + "</section>";
}

inline std::string Value(const std::string& key, const std::string& text) {
    return "<value name=\"" + key + "\">" + text + "</value>";
}

}  // namespace zem::test
