#include "util/log_channel.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace zem {

namespace {
std::atomic<LogLineWriter> g_writer{nullptr};
}

void ConnectLogChannel(LogLineWriter writer) {
    g_writer.store(writer);
}

void WriteLogLine(TextView line) {
    if (LogLineWriter writer = g_writer.load()) {
        writer(line);
        return;
    }
    const std::string bytes = ToUtf8(line) + "\n";
    std::fputs(bytes.c_str(), stderr);
}

}  // namespace zem
