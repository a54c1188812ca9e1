// The knowledge base's stored form of a moment: "YYYY-MM-DD HH:MM:SS" in local time.
#pragma once

#include <time.h>

#include <cstdint>
#include <string>

namespace zem::test {

inline std::string LocalStorageTime(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm local;
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace zem::test
