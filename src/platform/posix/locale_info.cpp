// The Windows locale the user's locale environment corresponds to, and the date and time
// texts Windows shows for it.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/system_info.h"

namespace zem {

namespace {

struct LocaleEntry {
    std::string_view name;  // "ll_CC", or "ll" for the language's usual country
    uint32_t lcid;
    uint32_t ansiCodePage;
};

constexpr LocaleEntry kLocales[] = {
    {"zh_CN", 2052, 936},   {"zh_TW", 1028, 950},   {"zh_HK", 3076, 950},   {"zh_SG", 4100, 936},
    {"zh_MO", 5124, 950},   {"zh", 2052, 936},      {"ja_JP", 1041, 932},   {"ja", 1041, 932},
    {"ko_KR", 1042, 949},   {"ko", 1042, 949},      {"en_US", 1033, 1252},  {"en_GB", 2057, 1252},
    {"en_AU", 3081, 1252},  {"en_CA", 4105, 1252},  {"en_NZ", 5129, 1252},  {"en_IE", 6153, 1252},
    {"en_ZA", 7177, 1252},  {"en_PH", 13321, 1252}, {"en_IN", 16393, 1252}, {"en_SG", 18441, 1252},
    {"en", 1033, 1252},     {"de_DE", 1031, 1252},  {"de_CH", 2055, 1252},  {"de_AT", 3079, 1252},
    {"de_LU", 4103, 1252},  {"de_LI", 5127, 1252},  {"de", 1031, 1252},     {"fr_FR", 1036, 1252},
    {"fr_BE", 2060, 1252},  {"fr_CA", 3084, 1252},  {"fr_CH", 4108, 1252},  {"fr_LU", 5132, 1252},
    {"fr", 1036, 1252},     {"es_ES", 3082, 1252},  {"es_MX", 2058, 1252},  {"es_VE", 8202, 1252},
    {"es_CO", 9226, 1252},  {"es_PE", 10250, 1252}, {"es_AR", 11274, 1252}, {"es_CL", 13322, 1252},
    {"es_US", 21514, 1252}, {"es", 3082, 1252},     {"it_IT", 1040, 1252},  {"it_CH", 2064, 1252},
    {"it", 1040, 1252},     {"pt_BR", 1046, 1252},  {"pt_PT", 2070, 1252},  {"pt", 1046, 1252},
    {"nl_NL", 1043, 1252},  {"nl_BE", 2067, 1252},  {"nl", 1043, 1252},     {"sv_SE", 1053, 1252},
    {"sv_FI", 2077, 1252},  {"sv", 1053, 1252},     {"da_DK", 1030, 1252},  {"da", 1030, 1252},
    {"nb_NO", 1044, 1252},  {"nb", 1044, 1252},     {"no_NO", 1044, 1252},  {"no", 1044, 1252},
    {"nn_NO", 2068, 1252},  {"nn", 2068, 1252},     {"fi_FI", 1035, 1252},  {"fi", 1035, 1252},
    {"is_IS", 1039, 1252},  {"is", 1039, 1252},     {"ca_ES", 1027, 1252},  {"ca", 1027, 1252},
    {"eu_ES", 1069, 1252},  {"eu", 1069, 1252},     {"gl_ES", 1110, 1252},  {"gl", 1110, 1252},
    {"af_ZA", 1078, 1252},  {"af", 1078, 1252},     {"id_ID", 1057, 1252},  {"id", 1057, 1252},
    {"ms_MY", 1086, 1252},  {"ms", 1086, 1252},     {"pl_PL", 1045, 1250},  {"pl", 1045, 1250},
    {"cs_CZ", 1029, 1250},  {"cs", 1029, 1250},     {"sk_SK", 1051, 1250},  {"sk", 1051, 1250},
    {"hu_HU", 1038, 1250},  {"hu", 1038, 1250},     {"sl_SI", 1060, 1250},  {"sl", 1060, 1250},
    {"hr_HR", 1050, 1250},  {"hr", 1050, 1250},     {"ro_RO", 1048, 1250},  {"ro", 1048, 1250},
    {"sq_AL", 1052, 1250},  {"sq", 1052, 1250},     {"ru_RU", 1049, 1251},  {"ru", 1049, 1251},
    {"uk_UA", 1058, 1251},  {"uk", 1058, 1251},     {"be_BY", 1059, 1251},  {"be", 1059, 1251},
    {"bg_BG", 1026, 1251},  {"bg", 1026, 1251},     {"sr_RS", 10266, 1251}, {"sr", 10266, 1251},
    {"mk_MK", 1071, 1251},  {"mk", 1071, 1251},     {"kk_KZ", 1087, 1251},  {"kk", 1087, 1251},
    {"el_GR", 1032, 1253},  {"el", 1032, 1253},     {"tr_TR", 1055, 1254},  {"tr", 1055, 1254},
    {"he_IL", 1037, 1255},  {"he", 1037, 1255},     {"ar_SA", 1025, 1256},  {"ar_EG", 3073, 1256},
    {"ar", 1025, 1256},     {"fa_IR", 1065, 1256},  {"fa", 1065, 1256},     {"ur_PK", 1056, 1256},
    {"ur", 1056, 1256},     {"lt_LT", 1063, 1257},  {"lt", 1063, 1257},     {"lv_LV", 1062, 1257},
    {"lv", 1062, 1257},     {"et_EE", 1061, 1257},  {"et", 1061, 1257},     {"vi_VN", 1066, 1258},
    {"vi", 1066, 1258},     {"th_TH", 1054, 874},   {"th", 1054, 874},
};

constexpr LocaleEntry kDefaultLocale = {"C", 1033, 1252};

const LocaleEntry& UserLocale() {
    std::string name;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(variable);
        if (value && *value) {
            name = value;
            break;
        }
    }
    // language[_territory][.codeset][@modifier]
    name = name.substr(0, name.find_first_of(".@"));
    const std::string language = name.substr(0, name.find('_'));
    for (const LocaleEntry& entry : kLocales)
        if (entry.name == name)
            return entry;
    for (const LocaleEntry& entry : kLocales)
        if (entry.name == language)
            return entry;
    return kDefaultLocale;
}

bool IsChineseOrJapanese(uint32_t lcid) {
    return lcid == 2052 || lcid == 1028 || lcid == 3076 || lcid == 4100 || lcid == 5124 ||
           lcid == 1041;
}

std::chrono::year_month_day CivilDate(const CalendarTime& t) {
    return {std::chrono::year{t.year}, std::chrono::month{static_cast<unsigned>(t.month)},
            std::chrono::day{static_cast<unsigned>(t.day)}};
}

bool IsValidDate(const CalendarTime& t) {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.day >= 1 && CivilDate(t).ok();
}

// Sunday = 0, from the date itself (the caller's dayOfWeek field is not trusted).
unsigned DayOfWeek(const CalendarTime& t) {
    return std::chrono::weekday{std::chrono::sys_days{CivilDate(t)}}.c_encoding();
}

bool IsValidTime(const CalendarTime& t) {
    return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
           t.second <= 59;
}

}  // namespace

uint32_t GetUserDefaultLCID() {
    return UserLocale().lcid;
}
uint32_t GetAnsiCodePage() {
    return UserLocale().ansiCodePage;
}

Text FormatLongDate(uint32_t lcid, const CalendarTime& time) {
    static constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    static constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};
    if (!IsValidDate(time))
        return {};
    char buffer[64];
    if (IsChineseOrJapanese(lcid)) {
        snprintf(buffer, sizeof buffer, "%d\xE5\xB9\xB4%d\xE6\x9C\x88%d\xE6\x97\xA5", time.year,
                 time.month, time.day);  // 年 月 日
    } else if (lcid == 1033) {
        snprintf(buffer, sizeof buffer, "%s, %s %d, %04d", kDays[DayOfWeek(time)],
                 kMonths[time.month - 1], time.day, time.year);
    } else {
        snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", time.year, time.month, time.day);
    }
    return FromUtf8(buffer);
}

Text FormatTimeOfDay(uint32_t lcid, const CalendarTime& time) {
    if (!IsValidTime(time))
        return {};
    char buffer[32];
    if (IsChineseOrJapanese(lcid)) {
        snprintf(buffer, sizeof buffer, "%d:%02d:%02d", time.hour, time.minute, time.second);
    } else if (lcid == 1033) {
        const int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
        snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", hour12, time.minute, time.second,
                 time.hour < 12 ? "AM" : "PM");
    } else {
        snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    }
    return FromUtf8(buffer);
}

}  // namespace zem
