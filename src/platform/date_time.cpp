#include "platform/date_time.h"

#include <cmath>

namespace zem {

namespace {

constexpr double kFirstDate = -657434.0;   // 0100-01-01
constexpr double kEndOfDates = 2958466.0;  // 10000-01-01
constexpr int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

const int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int year, int month) {
    return static_cast<int>(DaysFromCivil(month == 12 ? year + 1 : year, month % 12 + 1, 1) -
                            DaysFromCivil(year, month, 1));
}

}  // namespace

bool CalendarToOleDate(const CalendarTime& time, double& date) {
    if (time.year < 100 || time.year > 9999 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > DaysInMonth(time.year, time.month) || time.hour < 0 || time.hour > 23 ||
        time.minute < 0 || time.minute > 59 || time.second < 0 || time.second > 59)
        return false;
    const int64_t days = DaysFromCivil(time.year, time.month, time.day) - kOleEpoch;
    const double fraction =
        static_cast<double>(time.hour * 3600 + time.minute * 60 + time.second) / kSecondsPerDay;
    // Before the epoch the whole part counts days back and the fraction still counts the
    // time forward from that day's midnight: 1899-12-29 06:00 is -1.25.
    date = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return true;
}

bool OleDateToCalendar(double date, CalendarTime& time) {
    if (!(date >= kFirstDate && date < kEndOfDates))
        return false;  // also refuses NaN
    const double whole = std::trunc(date);
    int64_t days = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(std::fabs(date - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {  // rounded up into the next day
        seconds -= kSecondsPerDay;
        days += 1;
    }
    int year, month, day;
    CivilFromDays(days + kOleEpoch, year, month, day);
    if (year > 9999)
        return false;
    time.year = year;
    time.month = month;
    time.day = day;
    time.dayOfWeek = static_cast<int>(((days + kOleEpoch) % 7 + 7 + 4) % 7);  // 1970-01-01: Thu
    time.hour = static_cast<int>(seconds / 3600);
    time.minute = static_cast<int>(seconds / 60 % 60);
    time.second = static_cast<int>(seconds % 60);
    time.milliseconds = 0;
    return true;
}

}  // namespace zem
