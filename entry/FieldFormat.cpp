#include "entry/FieldFormat.h"

#include <algorithm>
#include <ctime>

#include "engine/modDB.h"
#include "lib/modLIB.h"

namespace FieldFormat {

namespace {
std::string LocalNow(const char* pattern) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, pattern, &local));
}
bool IsLetter(int k) { return modLIB::IsAlpha(static_cast<int16_t>(k)) != 0; }
bool IsDigitKey(int k) { return k >= '0' && k <= '9'; }
bool Contains(const std::string& s, char c) { return s.find(c) != std::string::npos; }
KeyAnswer Pass(int key) {
  KeyAnswer a;
  a.key = key;
  return a;
}
KeyAnswer Swallow() { return KeyAnswer{}; }
}  // namespace

namespace {
// The keys of a date are the format's, not an e-mail's, a web address's or a yes/no's.
bool IsDateField(const std::string& f) {
  return Has(f, 'D') && !Has(f, '*') && !Has(f, 'E') && !Has(f, 'W') && !Has(f, 'Y');
}
// "dd" or "dd/dd", and with `slash` a "/" after it.
bool DayOrMonthDone(const std::string& t, bool slash) {
  const size_t n = t.size() - (slash ? 1 : 0);
  if (t.empty() || (slash && t.back() != '/') || (n != 2 && n != 5)) return false;
  for (size_t i = 0; i < n; ++i)
    if (i == 2 ? t[i] != '/' : !IsDigitKey(t[i])) return false;
  return true;
}
}  // namespace

std::string DateSeparatorAfter(const std::string& format, const std::string& text) {
  return IsDateField(format) && DayOrMonthDone(text, false) ? "/" : "";
}

bool SlashPutIn(const std::string& format, const std::string& text) {
  return IsDateField(format) && DayOrMonthDone(text, true);
}

KeyAnswer FilterFieldKey(const std::string& format, int key, const std::string& text, int caret) {
  if (format.empty() || Has(format, '=') || Has(format, '#')) return Swallow();
  if (key == 8) return Pass(key);
  if (key == 13) {
    if (Has(format, 'M')) return Pass(key);
    KeyAnswer a;
    a.nextField = true;
    return a;
  }
  if (Has(format, '*')) return Pass(key);

  if (Has(format, 'E')) {
    if (IsLetter(key) || IsDigitKey(key)) return Pass(key);
    if (key == '@') return Contains(text, '@') ? Swallow() : Pass(key);
    if (key == '.' || key == '-' || key == '_') return Pass(key);
    return Swallow();
  }
  if (Has(format, 'W')) {
    if (IsLetter(key) || IsDigitKey(key)) return Pass(key);
    if (key == ':') return Contains(text, ':') ? Swallow() : Pass(key);
    if (key == '.' || key == '-' || key == '_' || key == '/') return Pass(key);
    return Swallow();
  }
  if (Has(format, 'Y')) {
    if (key == 'y') key = 'Y';
    if (key == 'n') key = 'N';
    KeyAnswer a;  // the key itself is always swallowed
    if (key == 'Y' || key == 'N') {
      a.replaceText = true;
      a.text = std::string(1, static_cast<char>(key));
    }
    return a;
  }
  if (Has(format, 'D')) return (IsDigitKey(key) || key == '/') ? Pass(key) : Swallow();
  if (Has(format, 'T')) return (IsDigitKey(key) || key == ':') ? Pass(key) : Swallow();

  const bool numeric = Has(format, 'N');
  if (IsDigitKey(key)) return numeric ? Pass(key) : Swallow();
  if (IsLetter(key)) return Has(format, 'A') ? Pass(key) : Swallow();
  if (key == ' ') return Has(format, 'S') ? Pass(key) : Swallow();
  if (key == '.') {
    if (!Has(format, '.')) return Swallow();
    return numeric && Contains(text, '.') ? Swallow() : Pass(key);
  }
  if (key == '-') {
    if (!Has(format, '-')) return Swallow();
    if (numeric && (caret != 0 || (!text.empty() && text[0] == '-'))) return Swallow();
    return Pass(key);
  }
  return Swallow();
}

TextAnswer FilterArrivingText(const std::string& format, const std::string& arriving, const std::string& text,
                              int caret, int maxLength) {
  std::string before = text.substr(0, std::clamp<size_t>(static_cast<size_t>(std::max(caret, 0)), 0, text.size()));
  const std::string after = text.substr(before.size());
  TextAnswer out;
  std::string inserted;
  for (size_t i = 0; i < arriving.size(); ++i) {
    int key = static_cast<unsigned char>(arriving[i]);
    if (key == '\r' && i + 1 < arriving.size() && arriving[i + 1] == '\n') continue;  // the LF stands for both
    if (key == '\n' || key == '\r') key = 13;
    else if (key < 32 || key == 127) continue;
    const std::string now = out.replaceText ? out.text : before + inserted + after;
    const KeyAnswer a = FilterFieldKey(format, key, now, static_cast<int>(before.size() + inserted.size()));
    if (a.replaceText) {
      out.replaceText = true;
      out.text = a.text;
      continue;
    }
    if (a.nextField || a.key == 0 || a.key == 8 || out.replaceText) continue;
    const std::string piece = a.key == 13 ? std::string("\r\n") : std::string(1, static_cast<char>(a.key));
    if (maxLength > 0 && static_cast<int>(now.size() + piece.size()) > maxLength) continue;
    inserted += piece;
  }
  if (!out.replaceText) out.text = inserted;
  return out;
}

std::string ProperCase(const std::string& text) {
  std::string r = text;
  bool start = true;
  for (char& c : r) {
    const int16_t k = static_cast<int16_t>(static_cast<unsigned char>(c));
    if (modLIB::IsAlpha(k)) {
      c = static_cast<char>(start ? modLIB::ToUpper(k) : modLIB::ToLower(k));
      start = false;
    } else {
      // Words are separated by blanks, tabs and line breaks; "o'neil" stays one word.
      start = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    }
  }
  return r;
}

std::string ApplyCase(const std::string& format, const std::string& text) {
  std::string r = text;
  auto each = [&r](int16_t (*f)(int16_t)) {
    for (char& c : r) c = static_cast<char>(f(static_cast<int16_t>(static_cast<unsigned char>(c))));
  };
  if (Has(format, 'U')) each(modLIB::ToUpper);
  if (Has(format, 'L')) each(modLIB::ToLower);
  if (Has(format, 'F')) r = ProperCase(r);
  return r;
}

int Alignment(const std::string& format) {
  int a = 0;
  if (Has(format, '<')) a = 0;
  if (Has(format, '>')) a = 1;
  if (Has(format, '^')) a = 2;
  return a;
}

std::string LinkAddress(char kind, const std::string& caption) {
  const std::string t = modLIB::Trim(caption);
  if (t.empty() || kind == 0) return "";
  if (kind == 'E') return "mailto:" + t;
  // An address that already names its scheme opens as it is; "https://" too, which
  // would otherwise become the broken "Http://https://...".
  const std::string head = modLIB::UCase(t.substr(0, 8));
  if (head.rfind("HTTP://", 0) == 0 || head == "HTTPS://") return t;
  return "Http://" + t;
}

std::string DateNow() { return LocalNow(modDB::GetDateOrder() == 2 ? "%m/%d/%Y" : "%d/%m/%Y"); }

std::string TimeNow() { return LocalNow("%H:%M:%S"); }

}  // namespace FieldFormat
