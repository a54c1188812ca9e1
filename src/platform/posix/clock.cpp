// Clocks and calendars, sleeping, and the process and thread ids.
#include <errno.h>
#include <time.h>
#include <unistd.h>

#include "platform/system_info.h"

namespace zem {

namespace {

constexpr int kLastSupportedYear = 3000;

void FromTm(const tm& fields, CalendarTime& time) {
    time.year = fields.tm_year + 1900;
    time.month = fields.tm_mon + 1;
    time.day = fields.tm_mday;
    time.dayOfWeek = fields.tm_wday;
    time.hour = fields.tm_hour;
    time.minute = fields.tm_min;
    time.second = fields.tm_sec;
    time.milliseconds = 0;
}

}  // namespace

int64_t CurrentUnixTime() {
    return static_cast<int64_t>(time(nullptr));
}

bool UnixTimeToLocalCalendar(int64_t seconds, CalendarTime& time) {
    if (seconds < 0)
        return false;
    const time_t value = static_cast<time_t>(seconds);
    tm fields;
    if (!localtime_r(&value, &fields) || fields.tm_year + 1900 > kLastSupportedYear)
        return false;
    FromTm(fields, time);
    return true;
}

bool CurrentLocalCalendar(CalendarTime& time) {
    timespec now;
    tm fields;
    if (clock_gettime(CLOCK_REALTIME, &now) != 0 || !localtime_r(&now.tv_sec, &fields))
        return false;
    FromTm(fields, time);
    time.milliseconds = static_cast<int>(now.tv_nsec / 1000000);
    return true;
}

uint32_t GetTickCount() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
    return static_cast<uint32_t>(milliseconds);  // wraps like the Windows count
}

void Sleep(uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

uint32_t GetCurrentProcessId() {
    return static_cast<uint32_t>(getpid());
}
uint32_t GetCurrentThreadId() {
    return static_cast<uint32_t>(gettid());
}

}  // namespace zem
