#include "script/datetime.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>
#include <sys/time.h>
#include <vector>

#include "script/errors.h"
#include "script/locales.h"

namespace qfscript {

namespace {

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kMonthsShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kDaysShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Days from 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

const long long kEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

double DaySerial(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch);
}

bool MakeDate(int year, int month, int day, double& out) {
  if (year >= 0 && year < 30) year += 2000;
  else if (year >= 30 && year < 100) year += 1900;
  long long m0 = static_cast<long long>(month) - 1;
  long long y = year + (m0 >= 0 ? m0 / 12 : -((11 - m0) / 12));
  long long m = m0 - (y - year) * 12 + 1;
  if (y < 100 || y > 9999) return false;
  double serial = DaySerial(static_cast<int>(y), static_cast<int>(m), 1) + day - 1;
  if (serial < DaySerial(100, 1, 1) || serial > DaySerial(9999, 12, 31)) return false;
  out = serial;
  return true;
}

double Combine(double dayPart, double timePart) {
  return dayPart < 0 ? dayPart - timePart : dayPart + timePart;
}

DateParts SplitDate(double serial) {
  // Dates outside years 100..9999 only come from arithmetic; refuse them here too.
  if (!(serial > -700000.0 && serial < 3000000.0)) ThrowError(kErrOverflow);
  DateParts p;
  double whole = std::trunc(serial);
  double frac = std::fabs(serial - whole);
  long long secs = std::llround(frac * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    whole += serial < 0 ? -1 : 1;
  }
  long long days = static_cast<long long>(whole);
  CivilFromDays(days + kEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(secs / 3600);
  p.minute = static_cast<int>(secs / 60 % 60);
  p.second = static_cast<int>(secs % 60);
  long long w = (days + kEpoch + 4) % 7;  // 1970-01-01 was a Thursday
  if (w < 0) w += 7;
  p.weekday = static_cast<int>(w) + 1;
  return p;
}

namespace {

// A date written after a pattern: d, dd, M, MM and yyyy as numbers, ddd,
// dddd, MMM and MMMM as the locale's names; text between single quotes
// stands as it is.
std::string WritePattern(std::string_view f, const DateParts& p) {
  std::string out;
  for (size_t i = 0; i < f.size();) {
    char c = f[i];
    if (c == '\'') {
      size_t end = f.find('\'', i + 1);
      if (end == std::string_view::npos) end = f.size();
      out += f.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    size_t run = 1;
    while (i + run < f.size() && f[i + run] == c) ++run;
    char buf[16];
    if ((c == 'd' || c == 'M') && run >= 3) {
      const LocaleNames& names = NamesOf(CurrentLocale());
      if (c == 'd') out += run == 3 ? names.daysShort[p.weekday - 1] : names.days[p.weekday - 1];
      else out += run == 3 ? names.monthsShort[p.month - 1] : names.months[p.month - 1];
    } else if (c == 'd' || c == 'M') {
      snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", c == 'd' ? p.day : p.month);
      out += buf;
    } else if (c == 'y') {
      snprintf(buf, sizeof buf, "%d", p.year);
      out += buf;
    } else {
      out.append(run, c);
    }
    i += run;
  }
  return out;
}

// The locale's short date: "3/15/2026", "15.03.2026", "2026/03/15".
std::string DatePart(const DateParts& p) { return WritePattern(CurrentLocale().shortDate, p); }

std::string TimePart(const DateParts& p) {
  char buf[32];
  const LocaleInfo& loc = CurrentLocale();
  if (!loc.hour12) {
    snprintf(buf, sizeof buf, loc.hourZero ? "%02d:%02d:%02d" : "%d:%02d:%02d", p.hour, p.minute, p.second);
    return buf;
  }
  int h = p.hour % 12;
  if (h == 0) h = 12;
  snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h, p.minute, p.second, p.hour < 12 ? "AM" : "PM");
  return buf;
}

bool HasTime(const DateParts& p) { return p.hour || p.minute || p.second; }

// The locale's long date: "Sunday, March 15, 2026", "Sonntag, 15. März 2026".
std::string LongDate(const DateParts& p) { return WritePattern(NamesOf(CurrentLocale()).longDate, p); }

}  // namespace

std::string DateToStr(double serial) {
  DateParts p = SplitDate(serial);
  bool isDay = std::trunc(serial) != 0;
  if (!isDay) {
    if (HasTime(p)) return TimePart(p);
    return DatePart(p);
  }
  if (!HasTime(p)) return DatePart(p);
  return DatePart(p) + " " + TimePart(p);
}

std::string FormatDate(double serial, int namedFormat) {
  DateParts p = SplitDate(serial);
  char buf[80];
  switch (namedFormat) {
    case 1: return LongDate(p);
    case 2: return DatePart(p);
    case 3: return TimePart(p);
    case 4:
      snprintf(buf, sizeof buf, "%02d:%02d", p.hour, p.minute);
      return buf;
    default: return DateToStr(serial);
  }
}

std::string MonthName(int month, bool abbreviate) {
  const LocaleNames& n = NamesOf(CurrentLocale());
  return abbreviate ? n.monthsShort[month - 1] : n.months[month - 1];
}
std::string DayName(int weekday, bool abbreviate) {
  const LocaleNames& n = NamesOf(CurrentLocale());
  return abbreviate ? n.daysShort[weekday - 1] : n.days[weekday - 1];
}

double NowSerial() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  time_t t = tv.tv_sec;
  struct tm lt;
  localtime_r(&t, &lt);
  double day = DaySerial(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday);
  return day + (lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec) / 86400.0;
}

// ---- Parsing ---------------------------------------------------------------

namespace {

struct DateToken {
  enum Kind { Number, Word, Sep } kind = Number;
  long value = 0;
  int digits = 0;
  std::string word;
  char sep = 0;
};

// Letters of Windows-1252 and their lower case, for month names such as "März".
bool IsLetter(unsigned char c) {
  return std::isalpha(c) || (c >= 0xC0 && c != 0xD7 && c != 0xF7) || c == 0x8A || c == 0x8C || c == 0x8E ||
         c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F;
}

int Lower1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 16;
  if (c == 0x9F) return 0xFF;
  return c;
}

int MonthFromWord(const std::string& w, const LocaleInfo& locale) {
  if (w.size() < 3) return 0;
  for (int i = 0; i < 12; ++i) {
    std::string full = kMonths[i];
    for (auto& c : full) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (full.compare(0, w.size(), w) == 0) return i + 1;
  }
  if (w == "sept") return 9;
  // The locale's own names, whole or as their abbreviation ("März", "mär", "févr").
  const LocaleNames& n = NamesOf(locale);
  for (int i = 0; i < 12; ++i) {
    std::string full = n.months[i];
    for (auto& c : full) c = static_cast<char>(Lower1252(static_cast<unsigned char>(c)));
    if (full.compare(0, w.size(), w) == 0) return i + 1;
  }
  return 0;
}

bool IsDayWord(const std::string& w, const LocaleInfo& locale) {
  if (w.size() < 2) return false;
  const LocaleNames& n = NamesOf(locale);
  for (int i = 0; i < 7; ++i) {
    for (const std::string& name : {std::string(kDays[i]), n.days[i]}) {
      if (w.size() < 3 && name != n.days[i]) continue;
      std::string full = name;
      for (auto& c : full) c = static_cast<char>(Lower1252(static_cast<unsigned char>(c)));
      if (full.compare(0, w.size(), w) == 0) return true;
    }
  }
  return false;
}

}  // namespace

namespace {

bool ParseDateIn(const std::string& text, double& out, const LocaleInfo& locale) {
  // A '.' between numbers separates the parts of a date only where the
  // locale writes dates that way ("15.03.2026" in German).
  bool dotDates = DateSeparatorOf(locale) == '.';
  DateOrder order = OrderOf(locale);
  std::vector<DateToken> toks;
  size_t i = 0, n = text.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isdigit(c)) {
      DateToken t;
      t.kind = DateToken::Number;
      while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (t.digits < 9) t.value = t.value * 10 + (text[i] - '0');
        ++t.digits;
        ++i;
      }
      if (t.digits > 4) return false;
      toks.push_back(t);
    } else if (IsLetter(c)) {
      DateToken t;
      t.kind = DateToken::Word;
      while (i < n && IsLetter(static_cast<unsigned char>(text[i])))
        t.word += static_cast<char>(Lower1252(static_cast<unsigned char>(text[i++])));
      toks.push_back(t);
    } else if (c == '.' && !dotDates && !toks.empty() && toks.back().kind == DateToken::Number && i + 1 < n &&
               std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
      return false;
    } else if (c == '/' || c == '-' || c == ':' || c == '.' || c == ',') {
      DateToken t;
      t.kind = DateToken::Sep;
      t.sep = static_cast<char>(c);
      toks.push_back(t);
      ++i;
    } else if (c == ' ' || c == '\t') {
      ++i;
    } else {
      return false;
    }
  }
  if (toks.empty()) return false;

  // Time: numbers joined by ':' (and an optional AM/PM word after them).
  int hour = -1, minute = 0, second = 0;
  bool sawTime = false;
  std::vector<DateToken> rest;
  for (size_t k = 0; k < toks.size(); ++k) {
    if (toks[k].kind == DateToken::Number && k + 2 < toks.size() && toks[k + 1].kind == DateToken::Sep &&
        toks[k + 1].sep == ':' && toks[k + 2].kind == DateToken::Number) {
      if (sawTime) return false;
      sawTime = true;
      hour = static_cast<int>(toks[k].value);
      minute = static_cast<int>(toks[k + 2].value);
      k += 2;
      if (k + 2 < toks.size() && toks[k + 1].kind == DateToken::Sep && toks[k + 1].sep == ':' &&
          toks[k + 2].kind == DateToken::Number) {
        second = static_cast<int>(toks[k + 2].value);
        k += 2;
      }
      if (k + 1 < toks.size() && toks[k + 1].kind == DateToken::Word &&
          (toks[k + 1].word == "am" || toks[k + 1].word == "pm" || toks[k + 1].word == "a" ||
           toks[k + 1].word == "p")) {
        bool pm = toks[k + 1].word[0] == 'p';
        if (hour < 1 || hour > 12) return false;
        if (hour == 12) hour = 0;
        if (pm) hour += 12;
        ++k;
      }
      continue;
    }
    if (toks[k].kind == DateToken::Number && k + 1 < toks.size() && toks[k + 1].kind == DateToken::Word &&
        (toks[k + 1].word == "am" || toks[k + 1].word == "pm")) {
      if (sawTime) return false;
      sawTime = true;
      hour = static_cast<int>(toks[k].value);
      if (hour < 1 || hour > 12) return false;
      if (hour == 12) hour = 0;
      if (toks[k + 1].word == "pm") hour += 12;
      ++k;
      continue;
    }
    rest.push_back(toks[k]);
  }
  double timePart = 0;
  if (sawTime) {
    if (hour > 23 || minute > 59 || second > 59) return false;
    timePart = (hour * 3600 + minute * 60 + second) / 86400.0;
  }

  // Date: numbers and at most one month name, separated by / - . , or blanks.
  std::vector<long> nums;
  std::vector<int> numDigits;
  int monthWord = 0;
  int monthWordPos = -1;
  for (auto& t : rest) {
    if (t.kind == DateToken::Number) {
      nums.push_back(t.value);
      numDigits.push_back(t.digits);
    } else if (t.kind == DateToken::Word) {
      int m = MonthFromWord(t.word, locale);
      if (m) {
        if (monthWord) return false;
        monthWord = m;
        monthWordPos = static_cast<int>(nums.size());
      } else if (!IsDayWord(t.word, locale)) {
        return false;
      }
    }
  }
  if (nums.empty() && !monthWord) {
    if (!sawTime) return false;
    out = timePart;
    return true;
  }
  int y = 0, m = 0, d = 0;
  bool haveYear = true;
  if (monthWord) {
    m = monthWord;
    if (nums.size() == 2) {
      // "March 5, 2021", "5 March 2021", "2021 March 5"
      if (numDigits[0] >= 3 || nums[0] > 31) { y = static_cast<int>(nums[0]); d = static_cast<int>(nums[1]); }
      else { d = static_cast<int>(nums[0]); y = static_cast<int>(nums[1]); }
    } else if (nums.size() == 1) {
      if (nums[0] > 31 || numDigits[0] >= 3) { y = static_cast<int>(nums[0]); d = 1; }
      else { d = static_cast<int>(nums[0]); haveYear = false; }
    } else {
      return false;
    }
    (void)monthWordPos;
  } else if (nums.size() == 3) {
    if (numDigits[0] >= 3 || nums[0] > 31) {
      y = static_cast<int>(nums[0]); m = static_cast<int>(nums[1]); d = static_cast<int>(nums[2]);
    } else {
      m = static_cast<int>(nums[0]); d = static_cast<int>(nums[1]); y = static_cast<int>(nums[2]);
      if (order == DateOrder::DMY) std::swap(m, d);
      if (m > 12 && d <= 12) std::swap(m, d);
    }
  } else if (nums.size() == 2) {
    m = static_cast<int>(nums[0]); d = static_cast<int>(nums[1]);
    if (order == DateOrder::DMY && numDigits[1] < 3 && nums[1] <= 31) std::swap(m, d);
    if (m > 12 && d <= 12) std::swap(m, d);
    if (d > 31 || numDigits[1] >= 3) { y = d; d = 1; }
    else haveYear = false;
  } else {
    return false;
  }
  if (!haveYear) {
    time_t t = time(nullptr);
    struct tm lt;
    localtime_r(&t, &lt);
    y = lt.tm_year + 1900;
  }
  if (y < 100 && y >= 0) y += y < 30 ? 2000 : 1900;
  if (m < 1 || m > 12 || d < 1 || y < 100 || y > 9999) return false;
  static const int kLen[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d > kLen[m - 1]) return false;
  if (m == 2 && d == 29 && !((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return false;
  out = Combine(DaySerial(y, m, d), timePart);
  return true;
}

}  // namespace

bool ParseDate(const std::string& text, double& out) {
  static const LocaleInfo& us = *FindLocale(kDefaultLcid);
  return ParseDateIn(text, out, us);
}

bool ParseLocalDate(const std::string& text, double& out) { return ParseDateIn(text, out, CurrentLocale()); }

}  // namespace qfscript
