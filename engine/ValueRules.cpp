#include "engine/ValueRules.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "lib/modLIB.h"

namespace modDB {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool Has(const std::string& format, char c) { return format.find(c) != std::string::npos; }

}  // namespace

size_t FirstLineBreak(std::string_view value) {
  const void* lf = std::memchr(value.data(), '\n', value.size());
  const size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - value.data()) : value.size();
  const void* cr = std::memchr(value.data(), '\r', end);
  if (cr) return static_cast<size_t>(static_cast<const char*>(cr) - value.data());
  return lf ? end : std::string_view::npos;
}

FormatRules::FormatRules(const std::string& format) {
  auto has = [&](char c) { return Has(format, c); };
  any_ = format.find_first_of("*NAS.-EWYDT") != std::string::npos;
  star_ = has('*');
  multi_ = has('M');
  email_ = has('E');
  web_ = has('W');
  yesNo_ = has('Y');
  date_ = has('D');
  time_ = has('T');
  digits_ = has('N');
  letters_ = has('A');
  space_ = has('S');
  dot_ = has('.');
  minus_ = has('-');
  upper_ = has('U') || yesNo_;
  lower_ = has('L');
  proper_ = has('F');
  required_ = has('!');
  // A date or a time takes digits and its separator whatever else the format says;
  // otherwise "." and "-" depend on where they stand.
  simple_ = !star_ && !email_ && !web_ && !yesNo_ && (date_ || time_ || (!dot_ && !minus_));
  inDigits_ = digits_ || date_ || time_;
  inLetters_ = letters_ && !date_ && !time_;
  inSpace_ = space_ && !date_ && !time_;
  inSlash_ = date_;
  inColon_ = time_ && !date_;
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    allowed_[c] = ch == '\r' || ch == '\n' ? multi_
                  : IsDigit(ch)             ? inDigits_
                  : IsLetter(ch)            ? inLetters_
                  : ch == ' '               ? inSpace_
                  : ch == '/'               ? inSlash_
                                            : ch == ':' && inColon_;
  }
}

size_t FormatRules::Refused(std::string_view value, bool breaks) const {
  if (!any_) return std::string::npos;
  if (star_) {  // every character but a line break, which needs "M"
    if (multi_ || !breaks) return std::string::npos;
    return FirstLineBreak(value);
  }
  if (simple_) {
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen characters at a time: each class the format lets in is a range of bytes.
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));  // unsigned ranges as signed compares
    auto in = [&](__m128i b, char lo, char hi) {
      const __m128i x = _mm_xor_si128(b, bias);
      return _mm_andnot_si128(_mm_or_si128(_mm_cmplt_epi8(x, _mm_set1_epi8(static_cast<char>(lo ^ 0x80))),
                                           _mm_cmpgt_epi8(x, _mm_set1_epi8(static_cast<char>(hi ^ 0x80)))),
                              _mm_set1_epi8(-1));
    };
    // A last part shorter than sixteen is taken as the last sixteen: the characters
    // seen twice passed the first time.
    for (; i < value.size() && value.size() >= 16; i += 16) {
      if (i + 16 > value.size()) i = value.size() - 16;
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value.data() + i));
      __m128i ok = _mm_setzero_si128();
      if (inDigits_) ok = _mm_or_si128(ok, in(b, '0', '9'));
      if (inLetters_) ok = _mm_or_si128(ok, _mm_or_si128(in(b, 'a', 'z'), in(b, 'A', 'Z')));
      if (inSpace_) ok = _mm_or_si128(ok, _mm_cmpeq_epi8(b, _mm_set1_epi8(' ')));
      if (inSlash_) ok = _mm_or_si128(ok, _mm_cmpeq_epi8(b, _mm_set1_epi8('/')));
      if (inColon_) ok = _mm_or_si128(ok, _mm_cmpeq_epi8(b, _mm_set1_epi8(':')));
      if (multi_) ok = _mm_or_si128(ok, _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8('\r')),
                                                     _mm_cmpeq_epi8(b, _mm_set1_epi8('\n'))));
      if (const int bad = ~_mm_movemask_epi8(ok) & 0xFFFF; bad != 0) return i + static_cast<size_t>(__builtin_ctz(bad));
    }
#endif
    for (; i < value.size(); ++i)
      if (!allowed_[static_cast<unsigned char>(value[i])]) return i;
    return std::string::npos;
  }
  bool at = false, colon = false, dot = false;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    bool ok;
    if (c == '\r' || c == '\n') ok = multi_;
    else if (email_) ok = IsLetter(c) || IsDigit(c) || (c == '@' && !at) || c == '.' || c == '-' || c == '_';
    else if (web_) ok = IsLetter(c) || IsDigit(c) || (c == ':' && !colon) || c == '.' || c == '-' || c == '_' || c == '/';
    else if (yesNo_) ok = i == 0 && (c == 'y' || c == 'Y' || c == 'n' || c == 'N');
    else if (date_) ok = IsDigit(c) || c == '/';
    else if (time_) ok = IsDigit(c) || c == ':';
    else if (IsDigit(c)) ok = digits_;
    else if (IsLetter(c)) ok = letters_;
    else if (c == ' ') ok = space_;
    else if (c == '.') ok = dot_ && !(digits_ && dot);
    else if (c == '-') ok = minus_ && !(digits_ && i != 0);
    else ok = false;
    if (!ok) return i;
    at = at || c == '@';
    colon = colon || c == ':';
    dot = dot || c == '.';
  }
  return std::string::npos;
}

size_t RefusedChar(const std::string& format, std::string_view value) { return FormatRules(format).Refused(value); }

namespace {

// Flips bit 0x20 of the ASCII letters from `from` to `to` (both upper or both lower case).
void FlipLetters(char* text, size_t size, char from, char to) {
  size_t i = 0;
#if defined(__SSE2__)
  // Letters lie between from and from + 25: sixteen characters at a time, by signed compares.
  const __m128i below = _mm_set1_epi8(static_cast<char>(from - 1)), above = _mm_set1_epi8(static_cast<char>(from + 26));
  const __m128i flip = _mm_set1_epi8(static_cast<char>(from ^ to));
  for (; i < size && size >= 16; i += 16) {
    if (i + 16 > size) i = size - 16;  // the last sixteen again: flipping twice changes nothing
    auto* p = reinterpret_cast<__m128i*>(text + i);
    const __m128i b = _mm_loadu_si128(p);
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(b, below), _mm_cmplt_epi8(b, above));
    _mm_storeu_si128(p, _mm_xor_si128(b, _mm_and_si128(letter, flip)));
  }
#endif
  for (; i < size; ++i)
    if (text[i] >= from && text[i] <= from + 25) text[i] = static_cast<char>(text[i] - from + to);
}

}  // namespace

void FormatRules::ApplyCase(char* text, size_t size) const {
  char* const end = text + size;
  if (upper_) FlipLetters(text, size, 'a', 'A');
  if (lower_) FlipLetters(text, size, 'A', 'a');
  if (proper_) {
    bool start = true;
    for (char* c = text; c != end; ++c) {
      if (IsLetter(*c)) {
        *c = static_cast<char>(start ? (*c & ~0x20) : (*c | 0x20));
        start = false;
      } else {
        start = *c == ' ' || *c == '\t' || *c == '\r' || *c == '\n';
      }
    }
  }
}

std::string CasedValue(const std::string& format, std::string v) {
  FormatRules(format).ApplyCase(v.data(), v.size());
  return v;
}

SaveCheck FormatRules::CheckForSave(std::string_view v, int16_t dateOrder) const {
  if (date_ && !v.empty() && !modLIB::IsValidDate(v, dateOrder)) return SaveCheck::Date;
  if (time_ && !v.empty() && !modLIB::IsValidTime(v)) return SaveCheck::Time;
  if (required_ && v.empty()) return SaveCheck::Required;
  if (yesNo_ && !v.empty() && v != "Y" && v != "N") return SaveCheck::YesNo;
  return SaveCheck::Ok;
}

SaveCheck CheckForSave(const std::string& format, std::string_view v, int16_t dateOrder) {
  return FormatRules(format).CheckForSave(v, dateOrder);
}

std::string TimeAsStored(std::string_view v) {
  // Hours of one or two digits, then ":mm", then ":ss" or nothing.
  const size_t colon = v.find(':');
  if (colon != 1 && colon != 2) return std::string(v);
  const size_t rest = v.size() - colon;  // ":mm" or ":mm:ss"
  if (rest != 3 && rest != 6) return std::string(v);
  for (size_t i = 0; i < v.size(); ++i)
    if (i != colon && i != colon + 3 && !IsDigit(v[i])) return std::string(v);
  if (rest == 6 && v[colon + 3] != ':') return std::string(v);
  std::string t = colon == 1 ? "0" + std::string(v) : std::string(v);
  if (rest == 3) t += ":00";
  return t;
}

std::string SaveCheckText(SaveCheck check, int16_t dateOrder) {
  switch (check) {
    case SaveCheck::Date: return dateOrder == 2 ? "Invalid date. Format (MM/DD/YYYY)" : "Invalid date. Format (DD/MM/YYYY)";
    case SaveCheck::Time: return "Invalid time. Format (hh:mm or hh:mm:ss)";
    case SaveCheck::Required: return "Cannot be empty";
    case SaveCheck::YesNo: return "Y, N or nothing";
    case SaveCheck::Ok: break;
  }
  return "";
}

}  // namespace modDB
