// Date and time functions. A date-time is a real counting days from 30 December 1899 (day 0)
// in the proleptic Gregorian calendar, years 1 to 9999; its fraction is the time of day, and for
// a negative date-time the time of day is the absolute value of the fraction.
#include "functions/Function_Misc.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <sys/time.h>

namespace {

constexpr int64_t kMsPerDay = 86400000;

bool IsLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int64_t y, int64_t m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 0;
    return kDays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0);
}

// Day number (from 30 December 1899) of a date of the proleptic Gregorian calendar.
int64_t DayNumber(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569; // days from 1970-01-01, moved to 1899-12-30
}

const int64_t kFirstDay = DayNumber(1, 1, 1);
const int64_t kLastDay = DayNumber(9999, 12, 31);

// A decoded date-time; year, month and day 0 outside the years 1 to 9999.
struct RDate {
    int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    int64_t dayNumber = 0;
    bool valid = false;
};

RDate Decode(double x) {
    RDate r;
    // Whole milliseconds first; far outside the calendar nothing is decoded.
    if (!(std::fabs(x) < 4e6)) return r;
    const int64_t t = int64_t(std::nearbyint(x * double(kMsPerDay)));
    int64_t day, msOfDay;
    if (t >= 0) {
        day = t / kMsPerDay;
        msOfDay = t % kMsPerDay;
    } else {
        day = -((-t) / kMsPerDay);
        msOfDay = (-t) % kMsPerDay;
    }
    r.hour = msOfDay / 3600000;
    r.minute = msOfDay / 60000 % 60;
    r.second = msOfDay / 1000 % 60;
    r.ms = msOfDay % 1000;
    r.dayNumber = day;
    if (day < kFirstDay || day > kLastDay) return r;
    // Civil date from the day count (days from 1970-01-01).
    const int64_t z = day - 25569 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    r.day = doy - (153 * mp + 2) / 5 + 1;
    r.month = mp < 10 ? mp + 3 : mp - 9;
    r.year = yoe + era * 400 + (r.month <= 2);
    r.valid = true;
    return r;
}

// A date or time component from a game value: rounded, then taken modulo 65536.
int64_t Component(const RValue& v) {
    return int64_t(uint64_t(Arg_Int64(v)) & 0xFFFF);
}

bool ValidDate(int64_t y, int64_t m, int64_t d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

bool ValidTime(int64_t h, int64_t mi, int64_t s) {
    return (h <= 23 && mi <= 59 && s <= 59) || (h == 24 && mi == 0 && s == 0);
}

// The time of day as a fraction (24:00:00 is a whole day).
double TimeValue(int64_t h, int64_t mi, int64_t s, int64_t ms) {
    return double(h * 3600000 + mi * 60000 + s * 1000 + ms) / double(kMsPerDay);
}

// A date and a time of day together: added to a date of 0 or more, subtracted from a negative one.
double Combine(double date, double time) {
    return date >= 0 ? date + time : date - time;
}

// Now, local time, with milliseconds.
RDate Now() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    std::tm tm{};
    const time_t secs = tv.tv_sec;
    localtime_r(&secs, &tm);
    RDate r;
    r.year = tm.tm_year + 1900;
    r.month = tm.tm_mon + 1;
    r.day = tm.tm_mday;
    r.hour = tm.tm_hour;
    r.minute = tm.tm_min;
    r.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    r.ms = tv.tv_usec / 1000;
    r.valid = true;
    return r;
}

double Today() {
    const RDate n = Now();
    return double(DayNumber(n.year, n.month, n.day));
}

// ISO 8601 week of a date: weeks begin on Monday; week 1 holds the year's first Thursday.
int64_t IsoWeek(const RDate& d) {
    auto weekdayMon = [](int64_t dayNumber) { return ((dayNumber + 5) % 7 + 7) % 7; }; // 0 = Monday
    const int64_t dn = DayNumber(d.year, d.month, d.day);
    const int64_t thursday = dn - weekdayMon(dn) + 3;
    // The week belongs to the year of its Thursday.
    const RDate t = Decode(double(thursday));
    const int64_t jan1 = DayNumber(t.year, 1, 1);
    return (thursday - jan1) / 7 + 1;
}

// The date-time for a decoded date with the time of day of x kept.
double WithTimeOf(int64_t dayNumber, double x) {
    const double frac = std::fabs(x - std::trunc(x));
    return dayNumber >= 0 ? double(dayNumber) + frac : double(dayNumber) - frac;
}

double IncMonths(double x, int64_t n) {
    const RDate d = Decode(x);
    if (!d.valid) return 0.0;
    n = std::clamp<int64_t>(n, -1000000, 1000000);
    int64_t y = d.year + n / 12, m = d.month + n % 12;
    if (m <= 0 || m > 12) {
        if (n < 0) {
            --y;
            m += 12;
        } else {
            ++y;
            m -= 12;
        }
    }
    // Beyond the calendar there is no date to give.
    if (y < 1 || y > 9999) return 0.0;
    const int64_t day = std::min<int64_t>(d.day, DaysInMonth(y, m));
    return WithTimeOf(DayNumber(y, m, day), x);
}

// x moved by n units of which a day has perDay.
double IncUnits(double x, double n, double perDay) {
    return x > 0 ? (x * perDay + n) / perDay : (x * perDay - n) / perDay;
}

double Span(const RValue* args) {
    return std::fabs(Arg_Real(args[0]) - Arg_Real(args[1]));
}

double Sign(double d) {
    return d > 0 ? 1.0 : d < 0 ? -1.0 : 0.0;
}

// The user's date and time patterns (the LC_TIME settings of the environment).
locale_t UserTimeLocale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_TIME_MASK, "", locale_t(0));
        if (!l) l = newlocale(LC_TIME_MASK, "C", locale_t(0));
        return l;
    }();
    return loc;
}

std::string Format(const RDate& d, nl_item pattern) {
    if (!d.valid) return "";
    std::tm tm{};
    tm.tm_year = int(d.year) - 1900;
    tm.tm_mon = int(d.month) - 1;
    tm.tm_mday = int(d.day);
    tm.tm_hour = int(d.hour);
    tm.tm_min = int(d.minute);
    tm.tm_sec = int(d.second);
    const int64_t dn = DayNumber(d.year, d.month, d.day);
    tm.tm_wday = int(((dn + 6) % 7 + 7) % 7); // 0 = Sunday
    tm.tm_yday = int(dn - DayNumber(d.year, 1, 1));
    locale_t loc = UserTimeLocale();
    const char* fmt = loc ? nl_langinfo_l(pattern, loc) : nl_langinfo(pattern);
    if (!fmt || !*fmt) fmt = pattern == D_FMT ? "%m/%d/%y" : "%H:%M:%S";
    char buf[256];
    const size_t n = loc ? strftime_l(buf, sizeof buf, fmt, &tm, loc) : strftime(buf, sizeof buf, fmt, &tm);
    return std::string(buf, n);
}

} // namespace

QV_FUNCTION(F_DateCurrentDatetime) {
    const RDate n = Now();
    result.SetReal(
        Combine(double(DayNumber(n.year, n.month, n.day)), TimeValue(n.hour, n.minute, n.second, n.ms)));
}
QV_FUNCTION(F_DateCurrentDate) {
    result.SetReal(Today());
}
QV_FUNCTION(F_DateCurrentTime) {
    const RDate n = Now();
    result.SetReal(TimeValue(n.hour, n.minute, n.second, n.ms));
}

QV_FUNCTION(F_DateCreateDatetime) {
    const int64_t y = Component(args[0]), m = Component(args[1]), d = Component(args[2]);
    const int64_t h = Component(args[3]), mi = Component(args[4]), s = Component(args[5]);
    if (!ValidDate(y, m, d) || !ValidTime(h, mi, s)) return;
    result.SetReal(Combine(double(DayNumber(y, m, d)), TimeValue(h, mi, s, 0)));
}
QV_FUNCTION(F_DateCreateDate) {
    const int64_t y = Component(args[0]), m = Component(args[1]), d = Component(args[2]);
    if (ValidDate(y, m, d)) result.SetReal(double(DayNumber(y, m, d)));
}
QV_FUNCTION(F_DateCreateTime) {
    const int64_t h = Component(args[0]), mi = Component(args[1]), s = Component(args[2]);
    if (ValidTime(h, mi, s)) result.SetReal(TimeValue(h, mi, s, 0));
}
QV_FUNCTION(F_DateValidDatetime) {
    result.SetReal(ValidDate(Component(args[0]), Component(args[1]), Component(args[2])) &&
                           ValidTime(Component(args[3]), Component(args[4]), Component(args[5]))
                       ? 1.0
                       : 0.0);
}
QV_FUNCTION(F_DateValidDate) {
    result.SetReal(ValidDate(Component(args[0]), Component(args[1]), Component(args[2])) ? 1.0 : 0.0);
}
QV_FUNCTION(F_DateValidTime) {
    result.SetReal(ValidTime(Component(args[0]), Component(args[1]), Component(args[2])) ? 1.0 : 0.0);
}

QV_FUNCTION(F_DateIncYear) {
    const int64_t n = std::clamp<int64_t>(Arg_Int64(args[1]), -100000, 100000);
    result.SetReal(IncMonths(Arg_Real(args[0]), 12 * n));
}
QV_FUNCTION(F_DateIncMonth) {
    result.SetReal(IncMonths(Arg_Real(args[0]), Arg_Int64(args[1])));
}
QV_FUNCTION(F_DateIncWeek) {
    result.SetReal(Arg_Real(args[0]) + 7.0 * double(Arg_Int64(args[1])));
}
QV_FUNCTION(F_DateIncDay) {
    result.SetReal(Arg_Real(args[0]) + double(Arg_Int64(args[1])));
}
QV_FUNCTION(F_DateIncHour) {
    result.SetReal(IncUnits(Arg_Real(args[0]), double(Arg_Int64(args[1])), 24.0));
}
QV_FUNCTION(F_DateIncMinute) {
    result.SetReal(IncUnits(Arg_Real(args[0]), double(Arg_Int64(args[1])), 1440.0));
}
QV_FUNCTION(F_DateIncSecond) {
    result.SetReal(IncUnits(Arg_Real(args[0]), double(Arg_Int64(args[1])), 86400.0));
}

QV_FUNCTION(F_DateGetYear) {
    result.SetReal(double(Decode(Arg_Real(args[0])).year));
}
QV_FUNCTION(F_DateGetMonth) {
    result.SetReal(double(Decode(Arg_Real(args[0])).month));
}
QV_FUNCTION(F_DateGetWeek) {
    const RDate d = Decode(Arg_Real(args[0]));
    if (d.valid) result.SetReal(double(IsoWeek(d)));
}
QV_FUNCTION(F_DateGetDay) {
    result.SetReal(double(Decode(Arg_Real(args[0])).day));
}
QV_FUNCTION(F_DateGetHour) {
    result.SetReal(double(Decode(Arg_Real(args[0])).hour));
}
QV_FUNCTION(F_DateGetMinute) {
    result.SetReal(double(Decode(Arg_Real(args[0])).minute));
}
QV_FUNCTION(F_DateGetSecond) {
    result.SetReal(double(Decode(Arg_Real(args[0])).second));
}
QV_FUNCTION(F_DateGetWeekday) {
    const RDate d = Decode(Arg_Real(args[0]));
    if (d.valid) result.SetReal(double(((DayNumber(d.year, d.month, d.day) + 6) % 7 + 7) % 7 + 1));
}

// The day of the year of x (1 for 1 January); 0 outside the calendar.
double DayOfYear(double x, RDate& d) {
    d = Decode(x);
    if (!d.valid) return 0.0;
    return std::trunc(x - double(DayNumber(d.year, 1, 1))) + 1.0;
}

QV_FUNCTION(F_DateGetDayOfYear) {
    RDate d;
    result.SetReal(DayOfYear(Arg_Real(args[0]), d));
}
QV_FUNCTION(F_DateGetHourOfYear) {
    RDate d;
    const double doy = DayOfYear(Arg_Real(args[0]), d);
    if (d.valid) result.SetReal(double(d.hour) + (doy - 1) * 24);
}
QV_FUNCTION(F_DateGetMinuteOfYear) {
    RDate d;
    const double doy = DayOfYear(Arg_Real(args[0]), d);
    if (d.valid) result.SetReal(double(d.minute) + (double(d.hour) + (doy - 1) * 24) * 60);
}
QV_FUNCTION(F_DateGetSecondOfYear) {
    RDate d;
    const double doy = DayOfYear(Arg_Real(args[0]), d);
    if (d.valid)
        result.SetReal(double(d.second) + (double(d.minute) + (double(d.hour) + (doy - 1) * 24) * 60) * 60);
}

QV_FUNCTION(F_DateYearSpan) {
    result.SetReal(Span(args) / 365.25);
}
QV_FUNCTION(F_DateMonthSpan) {
    result.SetReal(Span(args) / 30.4375);
}
QV_FUNCTION(F_DateWeekSpan) {
    result.SetReal(Span(args) / 7);
}
QV_FUNCTION(F_DateDaySpan) {
    result.SetReal(Span(args));
}
QV_FUNCTION(F_DateHourSpan) {
    result.SetReal(Span(args) * 24);
}
QV_FUNCTION(F_DateMinuteSpan) {
    result.SetReal(Span(args) * 1440);
}
QV_FUNCTION(F_DateSecondSpan) {
    result.SetReal(Span(args) * 86400);
}

QV_FUNCTION(F_DateCompareDatetime) {
    const double d = Arg_Real(args[0]) - Arg_Real(args[1]);
    result.SetReal(std::fabs(d) < 1.0 / double(kMsPerDay) ? 0.0 : Sign(d));
}
QV_FUNCTION(F_DateCompareDate) {
    const double a = Arg_Real(args[0]), b = Arg_Real(args[1]);
    result.SetReal(std::trunc(a) == std::trunc(b) ? 0.0 : Sign(a - b));
}
QV_FUNCTION(F_DateCompareTime) {
    const double a = Arg_Real(args[0]), b = Arg_Real(args[1]);
    const double d = (a - std::trunc(a)) - (b - std::trunc(b));
    result.SetReal(std::fabs(d) < 1.0 / double(kMsPerDay) ? 0.0 : Sign(d));
}
QV_FUNCTION(F_DateDateOf) {
    result.SetReal(std::trunc(Arg_Real(args[0])));
}
QV_FUNCTION(F_DateTimeOf) {
    const double x = Arg_Real(args[0]);
    result.SetReal(x - std::trunc(x));
}

QV_FUNCTION(F_DateDatetimeString) {
    const RDate d = Decode(Arg_Real(args[0]));
    std::string s = Format(d, D_FMT);
    if (d.valid && (d.hour != 0 || d.minute != 0 || d.second != 0)) s.append(1, ' ').append(Format(d, T_FMT));
    result.SetString(TRefString(s));
}
QV_FUNCTION(F_DateDateString) {
    result.SetString(TRefString(Format(Decode(Arg_Real(args[0])), D_FMT)));
}
QV_FUNCTION(F_DateTimeString) {
    result.SetString(TRefString(Format(Decode(Arg_Real(args[0])), T_FMT)));
}

QV_FUNCTION(F_DateDaysInMonth) {
    const RDate d = Decode(Arg_Real(args[0]));
    if (d.valid) result.SetReal(DaysInMonth(d.year, d.month));
}
QV_FUNCTION(F_DateDaysInYear) {
    const RDate d = Decode(Arg_Real(args[0]));
    if (d.valid) result.SetReal(IsLeap(d.year) ? 366.0 : 365.0);
}
QV_FUNCTION(F_DateLeapYear) {
    const RDate d = Decode(Arg_Real(args[0]));
    if (d.valid) result.SetReal(IsLeap(d.year) ? 1.0 : 0.0);
}
QV_FUNCTION(F_DateIsToday) {
    const double x = Arg_Real(args[0]), today = std::trunc(Today());
    result.SetReal(today <= x && x < today + 1 ? 1.0 : 0.0);
}
