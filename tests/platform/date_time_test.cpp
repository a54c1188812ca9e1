#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/system_info.h"
#include "support/wine.h"

namespace zem {
namespace {

CalendarTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    CalendarTime t;
    t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s;
    return t;
}

TEST(OleDateTest, CalendarToOleDateMatchesTheAutomationDates) {
    double date = 0;
    ASSERT_TRUE(CalendarToOleDate(At(1899, 12, 30), date));
    EXPECT_EQ(date, 0.0);
    ASSERT_TRUE(CalendarToOleDate(At(2000, 1, 1, 12), date));
    EXPECT_DOUBLE_EQ(date, 36526.5);
    ASSERT_TRUE(CalendarToOleDate(At(1899, 12, 29, 6), date));
    EXPECT_DOUBLE_EQ(date, -1.25);  // the fraction counts forward from the day
    ASSERT_TRUE(CalendarToOleDate(At(100, 1, 1), date));
    EXPECT_EQ(date, -657434.0);
    ASSERT_TRUE(CalendarToOleDate(At(9999, 12, 31, 23, 59, 59), date));
    EXPECT_NEAR(date, 2958465.99998843, 1e-8);

    for (const CalendarTime& bad :
         {At(99, 12, 31), At(10000, 1, 1), At(2023, 2, 29), At(2024, 13, 1), At(2024, 1, 0),
          At(2024, 1, 1, 24), At(2024, 1, 1, 0, 60), At(2024, 1, 1, 0, 0, 60)})
        EXPECT_FALSE(CalendarToOleDate(bad, date)) << bad.year << "-" << bad.month;
    ASSERT_TRUE(CalendarToOleDate(At(2024, 2, 29), date));
}

TEST(OleDateTest, OleDateToCalendarRoundsToTheSecondAndChecksRange) {
    CalendarTime t;
    ASSERT_TRUE(OleDateToCalendar(36526.5, t));
    EXPECT_EQ(t.year, 2000);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 12);
    EXPECT_EQ(t.dayOfWeek, 6);  // Saturday
    ASSERT_TRUE(OleDateToCalendar(-1.25, t));
    EXPECT_EQ(t.day, 29);
    EXPECT_EQ(t.hour, 6);
    ASSERT_TRUE(OleDateToCalendar(-0.5, t));  // the epoch day, at noon
    EXPECT_EQ(t.year, 1899);
    EXPECT_EQ(t.day, 30);
    EXPECT_EQ(t.hour, 12);

    // 23:59:59.6 rounds into the next day, also before the epoch.
    ASSERT_TRUE(OleDateToCalendar(1.0 + 86399.6 / 86400, t));
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.year, 1900);
    EXPECT_EQ(t.hour, 0);
    ASSERT_TRUE(OleDateToCalendar(-2.0 - 86399.6 / 86400, t));
    EXPECT_EQ(t.day, 29);
    EXPECT_EQ(t.hour, 0);

    EXPECT_TRUE(OleDateToCalendar(-657434.0, t));
    EXPECT_FALSE(OleDateToCalendar(-657434.5, t));
    EXPECT_FALSE(OleDateToCalendar(2958466.0, t));
    EXPECT_FALSE(OleDateToCalendar(std::nan(""), t));

    // Every second of a day survives the round trip.
    for (int s = 0; s < 86400; s += 7) {
        double date;
        ASSERT_TRUE(CalendarToOleDate(At(2026, 12, 7, s / 3600, s / 60 % 60, s % 60), date));
        ASSERT_TRUE(OleDateToCalendar(date, t));
        ASSERT_EQ(t.hour * 3600 + t.minute * 60 + t.second, s);
        ASSERT_EQ(t.day, 7);
    }
}

TEST(OleDateTest, CenturyLeapYearsAndWeekdays) {
    double date = 0;
    EXPECT_FALSE(CalendarToOleDate(At(1900, 2, 29), date));  // a century, not leap
    EXPECT_FALSE(CalendarToOleDate(At(2100, 2, 29), date));
    ASSERT_TRUE(CalendarToOleDate(At(2000, 2, 29), date));  // every 400 years leap
    EXPECT_EQ(date, 36585.0);
    ASSERT_TRUE(CalendarToOleDate(At(1900, 3, 1), date));
    EXPECT_EQ(date, 61.0);
    ASSERT_TRUE(CalendarToOleDate(At(1600, 2, 29), date));
    EXPECT_FALSE(CalendarToOleDate(At(2024, 4, 31), date));

    CalendarTime t;
    struct Case {
        double date;
        int year, month, day, dayOfWeek;
    };
    for (const Case& c : {Case{61.0, 1900, 3, 1, 4}, Case{36585.0, 2000, 2, 29, 2},
                          Case{-657434.0, 100, 1, 1, 5}, Case{2958465.0, 9999, 12, 31, 5},
                          Case{-1.0, 1899, 12, 29, 5}, Case{25569.0, 1970, 1, 1, 4}}) {
        ASSERT_TRUE(OleDateToCalendar(c.date, t)) << c.date;
        EXPECT_EQ(t.year, c.year) << c.date;
        EXPECT_EQ(t.month, c.month) << c.date;
        EXPECT_EQ(t.day, c.day) << c.date;
        EXPECT_EQ(t.dayOfWeek, c.dayOfWeek) << c.date;
        ASSERT_TRUE(CalendarToOleDate(t, date));
        EXPECT_EQ(date, c.date);
    }
}

TEST(LocaleTest, EnglishLongDateAndTimeAsWindowsShowsThem) {
    CalendarTime t{2026, 12, 7, 0, 7, 21, 17, 0};
    EXPECT_EQ(FormatLongDate(1033, t), u"Monday, December 7, 2026");  // weekday from the date
    EXPECT_EQ(FormatTimeOfDay(1033, t), u"7:21:17 AM");
    t.hour = 0;
    EXPECT_EQ(FormatTimeOfDay(1033, t), u"12:21:17 AM");
    t.hour = 12;
    EXPECT_EQ(FormatTimeOfDay(1033, t), u"12:21:17 PM");
    t.hour = 23;
    EXPECT_EQ(FormatTimeOfDay(1033, t), u"11:21:17 PM");
    t.month = 13;
    EXPECT_EQ(FormatLongDate(1033, t), u"");
    t = {2024, 2, 29, 0, 0, 0, 0, 0};
    EXPECT_EQ(FormatLongDate(1033, t), u"Thursday, February 29, 2024");
}

TEST(LocaleTest, ChineseLongDateAndTimeAsWindowsShowsThem) {
    ZEM_WINE_LIMIT(
        "Wine's Chinese long date adds the weekday (2026年12月7日星期一) and its time "
        "has two-digit hours (07:21:17)");
    const CalendarTime t{2026, 12, 7, 0, 7, 21, 17, 0};
    EXPECT_EQ(FormatLongDate(2052, t), u"2026年12月7日");
    EXPECT_EQ(FormatTimeOfDay(2052, t), u"7:21:17");
    EXPECT_EQ(FormatLongDate(1028, t), u"2026年12月7日");
}

}  // namespace
}  // namespace zem
