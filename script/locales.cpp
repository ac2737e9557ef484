#include "locales.h"

#include <cctype>

namespace qfscript {

namespace {

// "\xA0" is the no-break space, "\x80" the euro sign, "\xA3" the pound and
// "\xA5" the yen in Windows-1252.
const LocaleInfo kLocales[] = {
    {1033, "en-us", '.', ',', "M/d/yyyy", true, false, "$", 2, 0, 0},
    {2057, "en-gb", '.', ',', "dd/MM/yyyy", false, true, "\xA3", 2, 0, 1},
    {3081, "en-au", '.', ',', "d/MM/yyyy", true, false, "$", 2, 0, 1},
    {4105, "en-ca", '.', ',', "dd/MM/yyyy", true, false, "$", 2, 0, 1},
    {5129, "en-nz", '.', ',', "d/MM/yyyy", true, false, "$", 2, 0, 1},
    {6153, "en-ie", '.', ',', "dd/MM/yyyy", false, true, "\x80", 2, 0, 1},
    {7177, "en-za", '.', ',', "yyyy/MM/dd", false, true, "R", 2, 2, 9},
    {16393, "en-in", '.', ',', "dd-MM-yyyy", false, true, "Rs.", 2, 2, 12},
    {1031, "de-de", ',', '.', "dd.MM.yyyy", false, true, "\x80", 2, 3, 8},
    {3079, "de-at", ',', '.', "dd.MM.yyyy", false, true, "\x80", 2, 2, 9},
    {2055, "de-ch", '.', '\'', "dd.MM.yyyy", false, true, "Fr.", 2, 2, 2},
    {4103, "de-lu", ',', '.', "dd.MM.yyyy", false, true, "\x80", 2, 3, 8},
    {1036, "fr-fr", ',', '\xA0', "dd/MM/yyyy", false, true, "\x80", 2, 3, 8},
    {2060, "fr-be", ',', '.', "dd/MM/yyyy", false, true, "\x80", 2, 3, 8},
    {3084, "fr-ca", ',', '\xA0', "yyyy-MM-dd", false, true, "$", 2, 3, 15},
    {4108, "fr-ch", '.', '\'', "dd.MM.yyyy", false, true, "fr.", 2, 2, 2},
    {5132, "fr-lu", ',', '.', "dd/MM/yyyy", false, true, "\x80", 2, 3, 8},
    {1040, "it-it", ',', '.', "dd/MM/yyyy", false, true, "\x80", 2, 2, 9},
    {2064, "it-ch", '.', '\'', "dd.MM.yyyy", false, true, "fr.", 2, 2, 2},
    {3082, "es-es", ',', '.', "dd/MM/yyyy", false, false, "\x80", 2, 3, 8},
    {1034, "es-es_tradnl", ',', '.', "dd/MM/yyyy", false, false, "\x80", 2, 3, 8},
    {2058, "es-mx", '.', ',', "dd/MM/yyyy", true, false, "$", 2, 0, 1},
    {11274, "es-ar", ',', '.', "dd/MM/yyyy", false, false, "$", 2, 2, 9},
    {1043, "nl-nl", ',', '.', "d-M-yyyy", false, false, "\x80", 2, 2, 12},
    {2067, "nl-be", ',', '.', "d/MM/yyyy", false, false, "\x80", 2, 2, 12},
    {1046, "pt-br", ',', '.', "dd/MM/yyyy", false, false, "R$", 2, 2, 9},
    {2070, "pt-pt", ',', '\xA0', "dd/MM/yyyy", false, false, "\x80", 2, 3, 8},
    {1053, "sv-se", ',', '\xA0', "yyyy-MM-dd", false, true, "kr", 2, 3, 8},
    {1044, "nb-no", ',', '\xA0', "dd.MM.yyyy", false, true, "kr", 2, 2, 12},
    {2068, "nn-no", ',', '\xA0', "dd.MM.yyyy", false, true, "kr", 2, 2, 12},
    {1030, "da-dk", ',', '.', "dd-MM-yyyy", false, true, "kr.", 2, 2, 12},
    {1035, "fi-fi", ',', '\xA0', "d.M.yyyy", false, false, "\x80", 2, 3, 8},
    {1039, "is-is", ',', '.', "d.M.yyyy", false, true, "kr.", 0, 3, 8},
    {1057, "id-id", ',', '.', "dd/MM/yyyy", false, false, "Rp", 0, 0, 1},
    {1086, "ms-my", '.', ',', "d/MM/yyyy", true, false, "RM", 2, 0, 1},
    {1041, "ja-jp", '.', ',', "yyyy/MM/dd", false, false, "\xA5", 0, 0, 1},
    {2052, "zh-cn", '.', ',', "yyyy/M/d", false, false, "\xA5", 2, 0, 2},
    {1028, "zh-tw", '.', ',', "yyyy/M/d", true, false, "NT$", 2, 0, 1},
    {3076, "zh-hk", '.', ',', "d/M/yyyy", true, false, "HK$", 2, 0, 0},
};

thread_local const LocaleInfo* tCurrent = nullptr;

}  // namespace

const LocaleInfo* FindLocale(int32_t lcid) {
  for (const LocaleInfo& l : kLocales)
    if (l.lcid == lcid) return &l;
  return nullptr;
}

const LocaleInfo* FindLocale(const std::string& name) {
  std::string key;
  for (char c : name) key += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const LocaleInfo& l : kLocales)
    if (key == l.name) return &l;
  return nullptr;
}

const LocaleInfo& CurrentLocale() { return tCurrent ? *tCurrent : kLocales[0]; }

void SetCurrentLocale(const LocaleInfo& locale) { tCurrent = &locale; }

LocaleScope::LocaleScope(int32_t lcid) : previous_(tCurrent) {
  const LocaleInfo* l = FindLocale(lcid);
  tCurrent = l ? l : &kLocales[0];
}

LocaleScope::~LocaleScope() { tCurrent = previous_; }

DateOrder OrderOf(const LocaleInfo& locale) {
  for (const char* p = locale.shortDate; *p; ++p) {
    if (*p == 'M') return DateOrder::MDY;
    if (*p == 'd') return DateOrder::DMY;
    if (*p == 'y') return DateOrder::YMD;
  }
  return DateOrder::MDY;
}

char DateSeparatorOf(const LocaleInfo& locale) {
  for (const char* p = locale.shortDate; *p; ++p)
    if (*p != 'M' && *p != 'd' && *p != 'y') return *p;
  return '/';
}

}  // namespace qfscript
