#include "lib/modLIB.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace modLIB {

namespace {
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;
inline int16_t B(bool v) { return v ? kTrue : kFalse; }

double g_tppX = 15.0;
double g_tppY = 15.0;

int TwoDigits(std::string_view s, size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }
}  // namespace

int16_t IsUpper(int16_t c) { return B(c >= 'A' && c <= 'Z'); }
int16_t IsLower(int16_t c) { return B(c >= 'a' && c <= 'z'); }
int16_t IsDigit(int16_t c) { return B(c >= '0' && c <= '9'); }
int16_t IsAlpha(int16_t c) { return B(IsUpper(c) || IsLower(c)); }
int16_t IsAlnum(int16_t c) { return B(IsAlpha(c) || IsDigit(c)); }
int16_t IsHexDigit(int16_t c) {
  return B(IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'));
}
int16_t ToUpper(int16_t c) { return IsLower(c) ? static_cast<int16_t>(c - 32) : c; }
int16_t ToLower(int16_t c) { return IsUpper(c) ? static_cast<int16_t>(c + 32) : c; }

static int16_t Code(char ch) { return static_cast<int16_t>(static_cast<unsigned char>(ch)); }

int16_t IsValidName(std::string_view s) {
  if (s.empty() || !IsAlpha(Code(s[0]))) return kFalse;
  for (size_t i = 1; i < s.size(); ++i)
    if (!IsAlnum(Code(s[i])) && s[i] != '_') return kFalse;
  return B(s.back() != '_');
}

int16_t IsNumber(std::string_view s) {
  if (s.empty() || !IsDigit(Code(s[0]))) return kFalse;
  int points = 0;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] == '.') {
      if (++points > 1) return kFalse;
    } else if (!IsDigit(Code(s[i]))) {
      return kFalse;
    }
  }
  return B(s.back() != '.');
}

int16_t IsNumberInRange(std::string_view s, int32_t low, int32_t high) {
  if (!IsNumber(s)) return kFalse;
  const double v = std::strtod(std::string(s).c_str(), nullptr);
  // Very long digit runs overflow any integer: compare the rounded double.
  const double r = std::nearbyint(v);
  return B(r >= low && r <= high);
}

int16_t IsValidDate(std::string_view s, int order) {
  if (s.size() != 10 || s[2] != '/' || s[5] != '/') return kFalse;
  for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9})
    if (!IsDigit(Code(s[i]))) return kFalse;
  const int first = TwoDigits(s, 0), second = TwoDigits(s, 3);
  const int year = TwoDigits(s, 6) * 100 + TwoDigits(s, 8);
  const int month = order == 2 ? first : second;
  const int day = order == 2 ? second : first;
  if (month < 1 || month > 12 || year < 1 || year > 9999) return kFalse;
  return B(day >= 1 && day <= DaysInMonth(static_cast<int16_t>(month), static_cast<int16_t>(year)));
}

bool IsValidTime(std::string_view s) {
  if (s.size() != 8 || s[2] != ':' || s[5] != ':') return false;
  for (size_t i : {0, 1, 3, 4, 6, 7})
    if (!IsDigit(Code(s[i]))) return false;
  return TwoDigits(s, 0) < 24 && TwoDigits(s, 3) < 60 && TwoDigits(s, 6) < 60;
}

// Rules, in order: Backspace and Enter always pass; the space needs "S"; digits need
// "N" or "X"; letters need "A", "U", "L" or "X" ("X" admits only A-F), and come back
// upper-cased by "U", then lower-cased by "L"; any other character passes when it
// stands in the set itself. Letters and digits in the set are only control letters.
int16_t FilterKey(int16_t key, std::string_view allowed) {
  if (key == 8 || key == 13) return key;
  const std::string set = UCase(Trim(allowed));
  auto has = [&](char c) { return set.find(c) != std::string::npos; };
  if (key == 32) return has('S') ? key : 0;
  if (IsDigit(key)) return (has('N') || has('X')) ? key : 0;
  if (IsAlpha(key)) {
    if (has('X') && !IsHexDigit(key)) return 0;
    if (!(has('A') || has('U') || has('L') || has('X'))) return 0;
    if (has('U')) key = ToUpper(key);
    if (has('L')) key = ToLower(key);
    return key;
  }
  if (key > 0 && key < 256 && has(static_cast<char>(key))) return key;
  return 0;
}

int16_t IsLeapYear(int16_t year) {
  return B(year % 4 == 0 && (year % 100 != 0 || year % 400 == 0));
}

int16_t DaysInMonth(int16_t month, int16_t year) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return 0;
  static const int16_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return days[month - 1];
}

int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string MonthName(int16_t month) {
  static const char* names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (month < 1 || month > 12) return "";
  return names[month - 1];
}

void SetTwipsPerPixel(double x, double y) {
  if (x > 0) g_tppX = x;
  if (y > 0) g_tppY = y;
}
double TwipsPerPixelX() { return g_tppX; }
double TwipsPerPixelY() { return g_tppY; }

int32_t TwipsToPixelsX(int32_t twips) { return static_cast<int32_t>(RoundHalfEven(twips / g_tppX)); }
int32_t TwipsToPixelsY(int32_t twips) { return static_cast<int32_t>(RoundHalfEven(twips / g_tppY)); }
int32_t PixelsToTwipsX(int32_t pixels) { return static_cast<int32_t>(RoundHalfEven(pixels * g_tppX)); }
int32_t PixelsToTwipsY(int32_t pixels) { return static_cast<int32_t>(RoundHalfEven(pixels * g_tppY)); }

std::string FileTitle(std::string_view path) {
  const size_t at = path.find_last_of("\\/:");
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

int64_t RoundHalfEven(double v) {
  // nearbyint honours the current rounding mode; round-to-nearest is ties-to-even.
  const int saved = std::fegetround();
  if (saved != FE_TONEAREST) std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(v);
  if (saved != FE_TONEAREST) std::fesetround(saved);
  return static_cast<int64_t>(r);
}

std::string_view TrimView(std::string_view s) {
  s = TrimRightView(s);
  const size_t b = s.find_first_not_of(' ');
  return b == std::string_view::npos ? std::string_view() : s.substr(b);
}

std::string_view TrimRightView(std::string_view s) {
  constexpr uint64_t kBlanks = 0x2020202020202020ULL;  // a field's padding goes 8 bytes at a time
  for (uint64_t w; s.size() >= 8; s.remove_suffix(8)) {
    std::memcpy(&w, s.data() + s.size() - 8, 8);
    if (w != kBlanks) break;
  }
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string UCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string PadRight(std::string_view s, size_t width) {
  std::string r(s.substr(0, std::min(s.size(), width)));
  r.resize(width, ' ');
  return r;
}

}  // namespace modLIB
