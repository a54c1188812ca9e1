#include "storage_dates.h"

#include <cmath>
#include <cstdio>

#include "platform/date_time.h"

namespace zem::kmcore {

namespace {

std::string Format(const CalendarTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

}  // namespace

bool OleDateToStorageText(double date, std::string& text) {
    CalendarTime time;
    if (!std::isfinite(date) || !OleDateToCalendar(date, time))
        return false;
    text = Format(time);
    return true;
}

std::string CurrentStorageTime() {
    CalendarTime time;
    CurrentLocalCalendar(time);
    return Format(time);
}

}  // namespace zem::kmcore
