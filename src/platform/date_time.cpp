#include "platform/date_time.h"

#include <chrono>
#include <cmath>

namespace zem {

namespace {

using std::chrono::day;
using std::chrono::days;
using std::chrono::month;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr double kFirstDate = -657434.0;   // 0100-01-01
constexpr double kEndOfDates = 2958466.0;  // 10000-01-01
constexpr int64_t kSecondsPerDay = 86400;
constexpr sys_days kOleEpoch = year{1899} / 12 / 30;

}  // namespace

bool CalendarToOleDate(const CalendarTime& time, double& date) {
    const year_month_day civil{year{time.year}, month{static_cast<unsigned>(time.month)},
                               day{static_cast<unsigned>(time.day)}};
    if (time.year < 100 || time.year > 9999 || time.month < 1 || time.day < 1 || !civil.ok() ||
        time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 ||
        time.second > 59)
        return false;
    const int64_t dayCount = (sys_days{civil} - kOleEpoch).count();
    const double fraction =
        static_cast<double>(time.hour * 3600 + time.minute * 60 + time.second) / kSecondsPerDay;
    // Before the epoch the whole part counts days back and the fraction still counts the
    // time forward from that day's midnight: 1899-12-29 06:00 is -1.25.
    date = dayCount >= 0 ? static_cast<double>(dayCount) + fraction
                         : static_cast<double>(dayCount) - fraction;
    return true;
}

bool OleDateToCalendar(double date, CalendarTime& time) {
    if (!(date >= kFirstDate && date < kEndOfDates))
        return false;  // also refuses NaN
    const double whole = std::trunc(date);
    int64_t dayCount = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(std::fabs(date - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {  // rounded up into the next day
        seconds -= kSecondsPerDay;
        dayCount += 1;
    }
    const sys_days when = kOleEpoch + days{dayCount};
    const year_month_day civil{when};
    if (static_cast<int>(civil.year()) > 9999)
        return false;
    time.year = static_cast<int>(civil.year());
    time.month = static_cast<int>(static_cast<unsigned>(civil.month()));
    time.day = static_cast<int>(static_cast<unsigned>(civil.day()));
    time.dayOfWeek = static_cast<int>(std::chrono::weekday{when}.c_encoding());
    time.hour = static_cast<int>(seconds / 3600);
    time.minute = static_cast<int>(seconds / 60 % 60);
    time.second = static_cast<int>(seconds % 60);
    time.milliseconds = 0;
    return true;
}

}  // namespace zem
