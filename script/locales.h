// The script locale: what SetLocale chooses and what the conversions between
// numbers, dates and text follow (decimal and thousands separators, the order
// of day and month, the currency form).
//
// The locale in force is per thread: an Interp applies its own for the length
// of each run (LocaleScope) and SetLocale changes it. The default is English
// (United States).
#pragma once

#include <cstdint>
#include <string>

namespace qfscript {

struct LocaleInfo {
  int32_t lcid;
  const char* name;       // lower case, "en-us"
  char decimal;           // decimal separator
  char thousands;         // thousands separator (Windows-1252 byte)
  const char* shortDate;  // d, dd, M, MM, yyyy and one separator: "M/d/yyyy", "dd.MM.yyyy"
  bool hour12;            // "1:05:09 PM" rather than "13:05:09"
  bool hourZero;          // 24-hour times with a leading zero ("09:05:00")
  const char* currency;   // the currency symbol, UTF-8
  int currencyDigits;
  int currencyPositive;   // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  int currencyNegative;   // the sixteen Windows forms, 0 "($1)" ... 15 "(1 $)"
};

inline constexpr int32_t kDefaultLcid = 1033;

// nullptr when the engine does not know the locale.
const LocaleInfo* FindLocale(int32_t lcid);
const LocaleInfo* FindLocale(const std::string& name);  // "de-de", case-insensitive

const LocaleInfo& CurrentLocale();
void SetCurrentLocale(const LocaleInfo& locale);

// Makes a locale current for a run and puts the previous one back after it.
class LocaleScope {
 public:
  explicit LocaleScope(int32_t lcid);
  ~LocaleScope();
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;

 private:
  const LocaleInfo* previous_;
};

// Names of months and days in the locale's language (Windows-1252 text),
// and its long date pattern (dddd, d, dd, MMMM, M, MM, yyyy; text between
// single quotes is literal). English for languages the engine lacks.
struct LocaleNames {
  std::string months[12], monthsShort[12], days[7], daysShort[7];  // days[0] is Sunday
  std::string longDate;
};
const LocaleNames& NamesOf(const LocaleInfo& locale);

// The order of day, month and year in the locale's short date.
enum class DateOrder { MDY, DMY, YMD };
DateOrder OrderOf(const LocaleInfo& locale);
char DateSeparatorOf(const LocaleInfo& locale);

// UTF-8 text (the names and currency symbols of the tables) as UTF-16 code units.
std::u16string Utf8ToUnits(const char* utf8);

}  // namespace qfscript
