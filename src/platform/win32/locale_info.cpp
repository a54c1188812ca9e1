// The user's locale and the date and time texts the system shows for a locale.
#include "platform/system_info.h"
#include "platform/win32/windows_api.h"

namespace zem {

namespace {

bool ToSystemTime(const CalendarTime& time, SYSTEMTIME& system) {
    if (time.year < 1601 || time.year > 30827 || time.month < 1 || time.month > 12 ||
        time.day < 1 || time.day > 31 || time.hour < 0 || time.hour > 23 || time.minute < 0 ||
        time.minute > 59 || time.second < 0 || time.second > 59)
        return false;
    system = {};
    system.wYear = static_cast<WORD>(time.year);
    system.wMonth = static_cast<WORD>(time.month);
    system.wDay = static_cast<WORD>(time.day);
    system.wHour = static_cast<WORD>(time.hour);
    system.wMinute = static_cast<WORD>(time.minute);
    system.wSecond = static_cast<WORD>(time.second);
    // The day of the week comes from the date, not from the caller's field.
    FILETIME checked;
    return SystemTimeToFileTime(&system, &checked) && FileTimeToSystemTime(&checked, &system);
}

// The text `format` (GetDateFormatW or GetTimeFormatW) writes; empty when it fails.
template <class Format>
Text Formatted(Format format) {
    wchar_t buffer[128];
    const int length = format(buffer, static_cast<int>(sizeof buffer / sizeof buffer[0]));
    return length > 1 ? win32::FromWide(buffer, static_cast<size_t>(length - 1)) : Text();
}

}  // namespace

uint32_t GetUserDefaultLCID() {
    return ::GetUserDefaultLCID();
}

uint32_t GetAnsiCodePage() {
    return GetACP();
}

Text FormatLongDate(uint32_t lcid, const CalendarTime& time) {
    SYSTEMTIME system;
    if (!ToSystemTime(time, system))
        return {};
    return Formatted([&](wchar_t* buffer, int size) {
        return GetDateFormatW(lcid, DATE_LONGDATE, &system, nullptr, buffer, size);
    });
}

Text FormatTimeOfDay(uint32_t lcid, const CalendarTime& time) {
    SYSTEMTIME system;
    if (!ToSystemTime(time, system))
        return {};
    return Formatted([&](wchar_t* buffer, int size) {
        return GetTimeFormatW(lcid, 0, &system, nullptr, buffer, size);
    });
}

}  // namespace zem
