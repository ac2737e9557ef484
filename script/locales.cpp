#include "script/locales.h"

#include <cctype>
#include <map>

#include "script/variant.h"

namespace qfscript {

namespace {

// Separators are Windows-1252 bytes ('\xA0' is the no-break space); currency
// symbols are UTF-8.
const LocaleInfo kLocales[] = {
    {1033, "en-us", '.', ',', "M/d/yyyy", true, false, "$", 2, 0, 0},
    {2057, "en-gb", '.', ',', "dd/MM/yyyy", false, true, "\u00A3", 2, 0, 1},
    {3081, "en-au", '.', ',', "d/MM/yyyy", true, false, "$", 2, 0, 1},
    {4105, "en-ca", '.', ',', "dd/MM/yyyy", true, false, "$", 2, 0, 1},
    {5129, "en-nz", '.', ',', "d/MM/yyyy", true, false, "$", 2, 0, 1},
    {6153, "en-ie", '.', ',', "dd/MM/yyyy", false, true, "\u20AC", 2, 0, 1},
    {7177, "en-za", '.', ',', "yyyy/MM/dd", false, true, "R", 2, 2, 9},
    {16393, "en-in", '.', ',', "dd-MM-yyyy", false, true, "Rs.", 2, 2, 12},
    {1031, "de-de", ',', '.', "dd.MM.yyyy", false, true, "\u20AC", 2, 3, 8},
    {3079, "de-at", ',', '.', "dd.MM.yyyy", false, true, "\u20AC", 2, 2, 9},
    {2055, "de-ch", '.', '\'', "dd.MM.yyyy", false, true, "Fr.", 2, 2, 2},
    {4103, "de-lu", ',', '.', "dd.MM.yyyy", false, true, "\u20AC", 2, 3, 8},
    {1036, "fr-fr", ',', '\xA0', "dd/MM/yyyy", false, true, "\u20AC", 2, 3, 8},
    {2060, "fr-be", ',', '.', "dd/MM/yyyy", false, true, "\u20AC", 2, 3, 8},
    {3084, "fr-ca", ',', '\xA0', "yyyy-MM-dd", false, true, "$", 2, 3, 15},
    {4108, "fr-ch", '.', '\'', "dd.MM.yyyy", false, true, "fr.", 2, 2, 2},
    {5132, "fr-lu", ',', '.', "dd/MM/yyyy", false, true, "\u20AC", 2, 3, 8},
    {1040, "it-it", ',', '.', "dd/MM/yyyy", false, true, "\u20AC", 2, 2, 9},
    {2064, "it-ch", '.', '\'', "dd.MM.yyyy", false, true, "fr.", 2, 2, 2},
    {3082, "es-es", ',', '.', "dd/MM/yyyy", false, false, "\u20AC", 2, 3, 8},
    {1034, "es-es_tradnl", ',', '.', "dd/MM/yyyy", false, false, "\u20AC", 2, 3, 8},
    {2058, "es-mx", '.', ',', "dd/MM/yyyy", true, false, "$", 2, 0, 1},
    {11274, "es-ar", ',', '.', "dd/MM/yyyy", false, false, "$", 2, 2, 9},
    {1043, "nl-nl", ',', '.', "d-M-yyyy", false, false, "\u20AC", 2, 2, 12},
    {2067, "nl-be", ',', '.', "d/MM/yyyy", false, false, "\u20AC", 2, 2, 12},
    {1046, "pt-br", ',', '.', "dd/MM/yyyy", false, false, "R$", 2, 2, 9},
    {2070, "pt-pt", ',', '\xA0', "dd/MM/yyyy", false, false, "\u20AC", 2, 3, 8},
    {1053, "sv-se", ',', '\xA0', "yyyy-MM-dd", false, true, "kr", 2, 3, 8},
    {1044, "nb-no", ',', '\xA0', "dd.MM.yyyy", false, true, "kr", 2, 2, 12},
    {2068, "nn-no", ',', '\xA0', "dd.MM.yyyy", false, true, "kr", 2, 2, 12},
    {1030, "da-dk", ',', '.', "dd-MM-yyyy", false, true, "kr.", 2, 2, 12},
    {1035, "fi-fi", ',', '\xA0', "d.M.yyyy", false, false, "\u20AC", 2, 3, 8},
    {1039, "is-is", ',', '.', "d.M.yyyy", false, true, "kr.", 0, 3, 8},
    {1057, "id-id", ',', '.', "dd/MM/yyyy", false, false, "Rp", 0, 0, 1},
    {1086, "ms-my", '.', ',', "d/MM/yyyy", true, false, "RM", 2, 0, 1},
    {1041, "ja-jp", '.', ',', "yyyy/MM/dd", false, false, "\u00A5", 0, 0, 1},
    {2052, "zh-cn", '.', ',', "yyyy/M/d", false, false, "\u00A5", 2, 0, 2},
    {1028, "zh-tw", '.', ',', "yyyy/M/d", true, false, "NT$", 2, 0, 1},
    {3076, "zh-hk", '.', ',', "d/M/yyyy", true, false, "HK$", 2, 0, 0},
    {1042, "ko-kr", '.', ',', "yyyy-MM-dd", true, false, "\u20A9", 0, 0, 1},
    {1049, "ru-ru", ',', '\xA0', "dd.MM.yyyy", false, false, "\u20BD", 2, 3, 8},
    {1045, "pl-pl", ',', '\xA0', "dd.MM.yyyy", false, true, "z\u0142", 2, 3, 8},
    {1029, "cs-cz", ',', '\xA0', "dd.MM.yyyy", false, false, "K\u010D", 2, 3, 8},
    {1038, "hu-hu", ',', '\xA0', "yyyy.MM.dd", false, false, "Ft", 2, 3, 8},
    {1051, "sk-sk", ',', '\xA0', "d.M.yyyy", false, false, "\u20AC", 2, 3, 8},
    {1060, "sl-si", ',', '.', "d.MM.yyyy", false, false, "\u20AC", 2, 3, 8},
    {1050, "hr-hr", ',', '.', "dd.MM.yyyy", false, false, "kn", 2, 3, 8},
    {1048, "ro-ro", ',', '.', "dd.MM.yyyy", false, false, "RON", 2, 3, 8},
    {1026, "bg-bg", ',', '\xA0', "d.M.yyyy", false, false, "\u043B\u0432.", 2, 3, 8},
    {1058, "uk-ua", ',', '\xA0', "dd.MM.yyyy", false, false, "\u20B4", 2, 1, 5},
    {1055, "tr-tr", ',', '.', "d.MM.yyyy", false, true, "\u20BA", 2, 0, 1},
    {1032, "el-gr", ',', '.', "d/M/yyyy", true, false, "\u20AC", 2, 3, 8},
    {1061, "et-ee", ',', '\xA0', "d.MM.yyyy", false, false, "\u20AC", 2, 3, 8},
    {1062, "lv-lv", ',', '\xA0', "dd.MM.yyyy", false, false, "\u20AC", 2, 3, 8},
    {1063, "lt-lt", ',', '\xA0', "yyyy-MM-dd", false, true, "\u20AC", 2, 3, 8},
    {1037, "he-il", '.', ',', "dd/MM/yyyy", false, false, "\u20AA", 2, 2, 2},
    {1025, "ar-sa", '.', ',', "dd/MM/yyyy", true, false, "\u0631.\u0633.\u200F", 2, 2, 2},
    {1054, "th-th", '.', ',', "d/M/yyyy", false, false, "\u0E3F", 2, 0, 1},
    {1066, "vi-vn", ',', '.', "dd/MM/yyyy", true, false, "\u20AB", 0, 3, 8},
    {1081, "hi-in", '.', ',', "dd-MM-yyyy", false, true, "\u20B9", 2, 0, 12},
    {1027, "ca-es", ',', '.', "dd/MM/yyyy", false, false, "\u20AC", 2, 3, 8},
    {1069, "eu-es", ',', '.', "yyyy/MM/dd", false, false, "\u20AC", 2, 3, 8},
    {1110, "gl-es", ',', '.', "dd/MM/yyyy", false, false, "\u20AC", 2, 3, 8},
    {9225, "es-co", ',', '.', "d/MM/yyyy", true, false, "$", 2, 2, 9},
    {13322, "es-cl", ',', '.', "dd-MM-yyyy", false, false, "$", 0, 2, 9},
    {10250, "es-pe", '.', ',', "d/MM/yyyy", true, false, "S/", 2, 2, 9},
    {8202, "es-ve", ',', '.', "d/M/yyyy", true, false, "Bs.", 2, 2, 12},
    {1047, "rm-ch", '.', '\'', "dd.MM.yyyy", false, true, "CHF", 2, 2, 2},
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
  // A language alone ("de") stands for its first locale in the table.
  if (key.size() == 2)
    for (const LocaleInfo& l : kLocales)
      if (key.compare(0, 2, l.name, 2) == 0 && l.name[2] == '-') return &l;
  return nullptr;
}

const LocaleInfo& CurrentLocale() { return tCurrent ? *tCurrent : kLocales[0]; }

void SetCurrentLocale(const LocaleInfo& locale) { tCurrent = &locale; }

LocaleScope::LocaleScope(int32_t lcid) : previous_(tCurrent) {
  const LocaleInfo* l = FindLocale(lcid);
  tCurrent = l ? l : &kLocales[0];
}

LocaleScope::~LocaleScope() { tCurrent = previous_; }

namespace {

// Names in UTF-8, one language a line: months, short months, days from
// Sunday, short days, each list separated by '|'.
struct LanguageText {
  int language;  // the primary language of an LCID (lcid & 0x3FF)
  const char* months;
  const char* monthsShort;
  const char* days;
  const char* daysShort;
  const char* longDate;
};

const LanguageText kLanguages[] = {
    {0x09, "January|February|March|April|May|June|July|August|September|October|November|December",
     "Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec", "Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday",
     "Sun|Mon|Tue|Wed|Thu|Fri|Sat", "dddd, MMMM d, yyyy"},
    {0x07, "Januar|Februar|März|April|Mai|Juni|Juli|August|September|Oktober|November|Dezember",
     "Jan|Feb|Mär|Apr|Mai|Jun|Jul|Aug|Sep|Okt|Nov|Dez", "Sonntag|Montag|Dienstag|Mittwoch|Donnerstag|Freitag|Samstag",
     "So|Mo|Di|Mi|Do|Fr|Sa", "dddd, d. MMMM yyyy"},
    {0x0C, "janvier|février|mars|avril|mai|juin|juillet|août|septembre|octobre|novembre|décembre",
     "janv.|févr.|mars|avr.|mai|juin|juil.|août|sept.|oct.|nov.|déc.",
     "dimanche|lundi|mardi|mercredi|jeudi|vendredi|samedi", "dim.|lun.|mar.|mer.|jeu.|ven.|sam.",
     "dddd d MMMM yyyy"},
    {0x0A, "enero|febrero|marzo|abril|mayo|junio|julio|agosto|septiembre|octubre|noviembre|diciembre",
     "ene.|feb.|mar.|abr.|may.|jun.|jul.|ago.|sept.|oct.|nov.|dic.",
     "domingo|lunes|martes|miércoles|jueves|viernes|sábado", "dom.|lun.|mar.|mié.|jue.|vie.|sáb.",
     "dddd, d' de 'MMMM' de 'yyyy"},
    {0x10, "gennaio|febbraio|marzo|aprile|maggio|giugno|luglio|agosto|settembre|ottobre|novembre|dicembre",
     "gen|feb|mar|apr|mag|giu|lug|ago|set|ott|nov|dic",
     "domenica|lunedì|martedì|mercoledì|giovedì|venerdì|sabato", "dom|lun|mar|mer|gio|ven|sab", "dddd d MMMM yyyy"},
    {0x13, "januari|februari|maart|april|mei|juni|juli|augustus|september|oktober|november|december",
     "jan|feb|mrt|apr|mei|jun|jul|aug|sep|okt|nov|dec", "zondag|maandag|dinsdag|woensdag|donderdag|vrijdag|zaterdag",
     "zo|ma|di|wo|do|vr|za", "dddd d MMMM yyyy"},
    {0x16, "janeiro|fevereiro|março|abril|maio|junho|julho|agosto|setembro|outubro|novembro|dezembro",
     "jan|fev|mar|abr|mai|jun|jul|ago|set|out|nov|dez",
     "domingo|segunda-feira|terça-feira|quarta-feira|quinta-feira|sexta-feira|sábado", "dom|seg|ter|qua|qui|sex|sáb",
     "dddd, d' de 'MMMM' de 'yyyy"},
};

// UTF-8 to Windows-1252 ('?' for what it cannot hold).
std::string ToCp1252(const char* utf8) {
  std::string out;
  for (char16_t u : Utf8ToUnits(utf8)) {
    int b = UnicodeToCp1252(u);
    out += static_cast<char>(b < 0 ? '?' : b);
  }
  return out;
}

template <size_t N>
void SplitNames(const char* list, std::string (&out)[N]) {
  std::string all = ToCp1252(list);
  size_t k = 0, from = 0;
  for (size_t i = 0; i <= all.size() && k < N; ++i) {
    if (i == all.size() || all[i] == '|') {
      out[k++] = all.substr(from, i - from);
      from = i + 1;
    }
  }
}

const LocaleNames& NamesFor(const LanguageText& t) {
  static std::map<int, LocaleNames> cache;
  auto it = cache.find(t.language);
  if (it != cache.end()) return it->second;
  LocaleNames& n = cache[t.language];
  SplitNames(t.months, n.months);
  SplitNames(t.monthsShort, n.monthsShort);
  SplitNames(t.days, n.days);
  SplitNames(t.daysShort, n.daysShort);
  n.longDate = t.longDate;
  return n;
}

}  // namespace

std::u16string Utf8ToUnits(const char* p) {
  std::u16string out;
  while (*p) {
    unsigned char c = static_cast<unsigned char>(*p++);
    char32_t u = c;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (more) u = c & (0x3F >> more);
    for (; more > 0 && (*p & 0xC0) == 0x80; --more) u = u << 6 | (static_cast<unsigned char>(*p++) & 0x3F);
    if (u > 0xFFFF) {
      u -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (u >> 10));
      out += static_cast<char16_t>(0xDC00 + (u & 0x3FF));
    } else {
      out += static_cast<char16_t>(u);
    }
  }
  return out;
}

const LocaleNames& NamesOf(const LocaleInfo& locale) {
  int language = locale.lcid & 0x3FF;
  const LanguageText* text = &kLanguages[0];
  for (const LanguageText& t : kLanguages)
    if (t.language == language) text = &t;
  const LocaleNames& names = NamesFor(*text);
  if (language != 0x09 || locale.lcid == kDefaultLcid) return names;
  // The other English locales write the day first: "15 March 2026".
  static std::map<int32_t, LocaleNames> english;
  auto it = english.find(locale.lcid);
  if (it != english.end()) return it->second;
  LocaleNames& n = english[locale.lcid] = names;
  n.longDate = OrderOf(locale) == DateOrder::DMY ? "d MMMM yyyy" : names.longDate;
  if (locale.lcid == 2057 || locale.lcid == 6153) n.longDate = "dd MMMM yyyy";
  return n;
}

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
