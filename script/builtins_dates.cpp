// The date functions: Now, Date, Time, Timer, the parts of a date, Weekday and the
// names, DateAdd, DateDiff, DatePart, DateSerial, TimeSerial, DateValue, TimeValue.
#include "script/builtins_common.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>
#include <sys/time.h>

#include "script/datetime.h"

namespace qfscript {

namespace {

using namespace builtin;

Variant FnNow(Interp&, Variant*, int) { return Variant::Date(NowSerial()); }
Variant FnDate(Interp&, Variant*, int) { return Variant::Date(std::floor(NowSerial())); }
Variant FnTime(Interp&, Variant*, int) {
  double now = NowSerial();
  return Variant::Date(now - std::floor(now));
}
Variant FnTimer(Interp&, Variant*, int) {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  time_t t = tv.tv_sec;
  struct tm lt;
  localtime_r(&t, &lt);
  double secs = lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec + tv.tv_usec / 1e6;
  return Variant::Single(static_cast<float>(secs));
}

// The date argument of Year, Month ...; false for Null.
bool DateArg(Variant* a, int n, int i, DateParts& p, double* serial = nullptr) {
  const Variant& v = Arg(a, n, i);
  if (v.IsNull()) return false;
  double d = ToDate(v);
  if (serial) *serial = d;
  p = SplitDate(d);
  return true;
}

template <int DateParts::*Field>
Variant PartOf(Interp&, Variant* a, int n) {
  DateParts p;
  if (!DateArg(a, n, 0, p)) return Variant::Null();
  return Variant::Int(static_cast<int16_t>(p.*Field));
}

int FirstDay(Variant* a, int n, int i) {
  int32_t f = LongArg(a, n, i, 1);
  if (f < 0 || f > 7) Fail(kErrInvalidCall);
  return f == 0 ? 1 : f;
}

int WeekdayFrom(int weekday, int first) { return (weekday - first + 7) % 7 + 1; }

Variant FnWeekday(Interp&, Variant* a, int n) {
  DateParts p;
  int first = FirstDay(a, n, 1);
  if (!DateArg(a, n, 0, p)) return Variant::Null();
  return Variant::Int(static_cast<int16_t>(WeekdayFrom(p.weekday, first)));
}

Variant FnWeekdayName(Interp&, Variant* a, int n) {
  int32_t day = LongArg(a, n, 0, 1);
  bool abbr = Has(a, n, 1) && ToBool(Arg(a, n, 1));
  int first = FirstDay(a, n, 2);
  if (day < 1 || day > 7) Fail(kErrInvalidCall);
  return Str(DayName((day + first - 2) % 7 + 1, abbr));
}

Variant FnMonthName(Interp&, Variant* a, int n) {
  NotNullIfGiven(a, n, 1);
  int32_t m = LongArg(a, n, 0, 1);
  bool abbr = Has(a, n, 1) && ToBool(Arg(a, n, 1));
  if (m < 1 || m > 12) Fail(kErrInvalidCall);
  return Str(MonthName(m, abbr));
}

Variant DateResult(double serial) {
  if (serial < DaySerial(100, 1, 1) || serial >= DaySerial(10000, 1, 1)) Fail(kErrInvalidCall);
  return Variant::Date(serial);
}

double AddMonths(double serial, long long months) {
  DateParts p = SplitDate(serial);
  long long total = static_cast<long long>(p.year) * 12 + (p.month - 1) + months;
  long long y = total / 12, m = total % 12 + 1;
  if (y < 100 || y > 9999) Fail(kErrInvalidCall);
  static const int kLen[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int len = kLen[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) len = 29;
  int d = std::min(p.day, len);
  double day = DaySerial(static_cast<int>(y), static_cast<int>(m), d);
  double time = std::fabs(serial - std::trunc(serial));
  return Combine(day, time);
}

std::string Interval(Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  return Lower(ToStr(v));
}

Variant FnDateAdd(Interp&, Variant* a, int n) {
  std::string iv = Interval(a, n);
  if (Arg(a, n, 1).IsNull()) Fail(kErrInvalidNull);
  double k = ToDouble(Arg(a, n, 1));
  if (Arg(a, n, 2).IsNull()) return Variant::Null();
  double d = ToDate(Arg(a, n, 2));
  double whole = std::trunc(k);
  if (std::fabs(whole) > 1e9) Fail(kErrInvalidCall);  // far beyond year 9999 whatever the interval
  if (iv == "yyyy") return DateResult(AddMonths(d, static_cast<long long>(whole) * 12));
  if (iv == "q") return DateResult(AddMonths(d, static_cast<long long>(whole) * 3));
  if (iv == "m") return DateResult(AddMonths(d, static_cast<long long>(whole)));
  double days;
  if (iv == "d" || iv == "y" || iv == "w") days = whole;
  else if (iv == "ww") days = whole * 7;
  else if (iv == "h") days = whole / 24;
  else if (iv == "n") days = whole / 1440;
  else if (iv == "s") days = whole / 86400;
  else Fail(kErrInvalidCall);
  // Work on a linear time line (negative serials count the time forwards from their day).
  double t = std::trunc(d);
  double r = t + std::fabs(d - t) + days;
  double rd = std::floor(r + 1e-12);
  double rf = r - rd;
  if (rf < 1e-10) rf = 0;
  return DateResult(Combine(rd, rf));
}

// Days and seconds of a date on a linear time line.
double Linear(double serial) {
  double t = std::trunc(serial);
  double f = std::fabs(serial - t);
  return t + f;
}

long long FloorDiv(double a, double unit) { return static_cast<long long>(std::floor(a / unit + 1e-9)); }

// The firstweekofyear argument: 0 (the system's, January 1st) to 3.
int FirstWeek(Variant* a, int n, int i) {
  int32_t f = LongArg(a, n, i, 1);
  if (f < 0 || f > 3) Fail(kErrInvalidCall);
  return f == 0 ? 1 : f;
}

Variant FnDateDiff(Interp&, Variant* a, int n) {
  std::string iv = Interval(a, n);
  int first = FirstDay(a, n, 3);
  FirstWeek(a, n, 4);
  if (Arg(a, n, 1).IsNull() || Arg(a, n, 2).IsNull()) return Variant::Null();
  double d1 = ToDate(Arg(a, n, 1)), d2 = ToDate(Arg(a, n, 2));
  DateParts p1 = SplitDate(d1), p2 = SplitDate(d2);
  double l1 = Linear(d1), l2 = Linear(d2);
  long long r;
  if (iv == "yyyy") r = p2.year - p1.year;
  else if (iv == "q") r = (p2.year * 4 + (p2.month - 1) / 3) - (p1.year * 4 + (p1.month - 1) / 3);
  else if (iv == "m") r = (p2.year * 12 + p2.month) - (p1.year * 12 + p1.month);
  else if (iv == "d" || iv == "y") r = static_cast<long long>(std::floor(l2)) - static_cast<long long>(std::floor(l1));
  else if (iv == "w") r = (static_cast<long long>(std::floor(l2)) - static_cast<long long>(std::floor(l1))) / 7;
  else if (iv == "ww") {
    long long a1 = static_cast<long long>(std::floor(l1)), a2 = static_cast<long long>(std::floor(l2));
    // Count the first-days-of-week passed: shift both to the start of their week.
    auto weekStart = [&](long long day) {
      long long wd = ((day + 6) % 7 + 7) % 7 + 1;  // serial 1 (12/31/1899) was a Sunday
      long long off = (wd - first + 7) % 7;
      return day - off;
    };
    r = (weekStart(a2) - weekStart(a1)) / 7;
  } else if (iv == "h") r = FloorDiv(l2, 1.0 / 24) - FloorDiv(l1, 1.0 / 24);
  else if (iv == "n") r = FloorDiv(l2, 1.0 / 1440) - FloorDiv(l1, 1.0 / 1440);
  else if (iv == "s") r = std::llround(l2 * 86400) - std::llround(l1 * 86400);
  else Fail(kErrInvalidCall);
  if (r < INT32_MIN || r > INT32_MAX) Fail(kErrOverflow);
  return Variant::Long(static_cast<int32_t>(r));
}

// The first day of week 1 of a year: the week holding January 1st, the
// first week with four days of the year, or the first whole week.
double WeekOneStart(int year, int first, int firstWeek) {
  double jan1 = DaySerial(year, 1, 1);
  int before = WeekdayFrom(SplitDate(jan1).weekday, first) - 1;  // days of its week before Jan 1
  double start = jan1 - before;
  if ((firstWeek == 2 && before > 3) || (firstWeek == 3 && before > 0)) start += 7;
  return start;
}

Variant FnDatePart(Interp&, Variant* a, int n) {
  std::string iv = Interval(a, n);
  int first = FirstDay(a, n, 2);
  int firstWeek = FirstWeek(a, n, 3);
  DateParts p;
  double serial;
  if (!DateArg(a, n, 1, p, &serial)) return Variant::Null();
  int r;
  if (iv == "yyyy") r = p.year;
  else if (iv == "q") r = (p.month - 1) / 3 + 1;
  else if (iv == "m") r = p.month;
  else if (iv == "y") r = static_cast<int>(DaySerial(p.year, p.month, p.day) - DaySerial(p.year, 1, 1)) + 1;
  else if (iv == "d") r = p.day;
  else if (iv == "w") r = WeekdayFrom(p.weekday, first);
  else if (iv == "ww") {
    // Days before week 1 belong to the last week of the year before.
    double day = DaySerial(p.year, p.month, p.day);
    double start = WeekOneStart(p.year, first, firstWeek);
    if (day < start) start = WeekOneStart(p.year - 1, first, firstWeek);
    r = static_cast<int>((day - start) / 7) + 1;
  } else if (iv == "h") r = p.hour;
  else if (iv == "n") r = p.minute;
  else if (iv == "s") r = p.second;
  else Fail(kErrInvalidCall);
  return Variant::Int(static_cast<int16_t>(r));
}

Variant FnDateSerial(Interp&, Variant* a, int n) {
  for (int i = 0; i < 3; ++i)
    if (Arg(a, n, i).IsNull()) Fail(kErrInvalidNull);
  double out;
  if (!MakeDate(ToLong(Arg(a, n, 0)), ToLong(Arg(a, n, 1)), ToLong(Arg(a, n, 2)), out)) Fail(kErrInvalidCall);
  return Variant::Date(out);
}

Variant FnTimeSerial(Interp&, Variant* a, int n) {
  for (int i = 0; i < 3; ++i)
    if (Arg(a, n, i).IsNull()) Fail(kErrInvalidNull);
  double secs = static_cast<double>(ToLong(Arg(a, n, 0))) * 3600 + ToLong(Arg(a, n, 1)) * 60.0 + ToLong(Arg(a, n, 2));
  double days = secs / 86400.0;
  if (days < 0) {
    // Before midnight: a day serial below zero with a positive time of day.
    double whole = std::floor(days);
    double frac = days - whole;
    return Variant::Date(Combine(whole, frac));
  }
  return Variant::Date(days);
}

// DateValue and TimeValue read text (or take a date); a number is no date text.
const Variant& DateText(Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  if (v.IsNumeric() && v.vt != vtDate) Fail(kErrTypeMismatch);
  return v;
}

Variant FnDateValue(Interp&, Variant* a, int n) {
  const Variant& v = DateText(a, n);
  double d = ToDate(v);
  return Variant::Date(std::trunc(d));
}

Variant FnTimeValue(Interp&, Variant* a, int n) {
  const Variant& v = DateText(a, n);
  double d = ToDate(v);
  return Variant::Date(std::fabs(d - std::trunc(d)));
}

const Builtin kDateBuiltins[] = {
    {"now", 0, 0, FnNow},
    {"date", 0, 0, FnDate},
    {"time", 0, 0, FnTime},
    {"timer", 0, 0, FnTimer},
    {"year", 1, 1, PartOf<&DateParts::year>},
    {"month", 1, 1, PartOf<&DateParts::month>},
    {"day", 1, 1, PartOf<&DateParts::day>},
    {"hour", 1, 1, PartOf<&DateParts::hour>},
    {"minute", 1, 1, PartOf<&DateParts::minute>},
    {"second", 1, 1, PartOf<&DateParts::second>},
    {"weekday", 1, 2, FnWeekday},
    {"weekdayname", 1, 3, FnWeekdayName},
    {"monthname", 1, 2, FnMonthName},
    {"dateadd", 3, 3, FnDateAdd},
    {"datediff", 3, 5, FnDateDiff},
    {"datepart", 2, 4, FnDatePart},
    {"dateserial", 3, 3, FnDateSerial},
    {"datevalue", 1, 1, FnDateValue},
    {"timeserial", 3, 3, FnTimeSerial},
    {"timevalue", 1, 1, FnTimeValue},
};

}  // namespace

std::span<const Builtin> DateBuiltins() { return kDateBuiltins; }

}  // namespace qfscript
