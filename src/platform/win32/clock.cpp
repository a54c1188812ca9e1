// Clocks and calendars, sleeping, and the process and thread ids.
#include "platform/system_info.h"
#include "platform/win32/windows_api.h"

namespace zem {

namespace {

constexpr int kLastSupportedYear = 3000;
constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

void FromSystemTime(const SYSTEMTIME& system, CalendarTime& time) {
    time.year = system.wYear;
    time.month = system.wMonth;
    time.day = system.wDay;
    time.dayOfWeek = system.wDayOfWeek;
    time.hour = system.wHour;
    time.minute = system.wMinute;
    time.second = system.wSecond;
    time.milliseconds = system.wMilliseconds;
}

}  // namespace

int64_t CurrentUnixTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return win32::UnixTimeOf(now);
}

bool UnixTimeToLocalCalendar(int64_t seconds, CalendarTime& time) {
    if (seconds < 0)
        return false;
    const uint64_t ticks =
        static_cast<uint64_t>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond;
    const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local) ||
        local.wYear > kLastSupportedYear)
        return false;
    FromSystemTime(local, time);
    time.milliseconds = 0;
    return true;
}

bool CurrentLocalCalendar(CalendarTime& time) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    FromSystemTime(local, time);
    return true;
}

uint32_t GetTickCount() {
    return ::GetTickCount();
}

void Sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

uint32_t GetCurrentProcessId() {
    return ::GetCurrentProcessId();
}

uint32_t GetCurrentThreadId() {
    return ::GetCurrentThreadId();
}

}  // namespace zem
