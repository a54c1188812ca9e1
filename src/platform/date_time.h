// OLE automation dates: days since 1899-12-30 00:00 as a double, the time of day as the
// fraction, and the date-time value the program passes around with its validity.
#pragma once

#include "platform/system_info.h"

namespace zem {

struct DateTime {
    double value = 0.0;
    bool valid = true;
};

// SystemTimeToVariantTime: false for fields out of range. Milliseconds are ignored.
bool CalendarToOleDate(const CalendarTime& time, double& date);
// VariantTimeToSystemTime: rounded to the second; false outside years 100-9999.
bool OleDateToCalendar(double date, CalendarTime& time);

}  // namespace zem
