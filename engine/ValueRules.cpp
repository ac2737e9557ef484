#include "ValueRules.h"

#include <cstring>

#include "modLIB.h"

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
  simple_ = !star_ && !email_ && !web_ && !yesNo_ && !date_ && !time_ && !dot_ && !minus_;
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    allowed_[c] = ch == '\r' || ch == '\n' ? multi_
                  : IsDigit(ch)             ? digits_
                  : IsLetter(ch)            ? letters_
                                            : ch == ' ' && space_;
  }
}

size_t FormatRules::Refused(std::string_view value) const {
  if (!any_) return std::string::npos;
  if (star_) {  // every character but a line break, which needs "M"
    if (multi_) return std::string::npos;
    return FirstLineBreak(value);
  }
  if (simple_) {
    for (size_t i = 0; i < value.size(); ++i)
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

std::string CasedValue(const std::string& format, std::string v) {
  if (Has(format, 'Y') || Has(format, 'U'))
    for (char& c : v)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (Has(format, 'L'))
    for (char& c : v)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (Has(format, 'F')) {
    bool start = true;
    for (char& c : v) {
      if (IsLetter(c)) {
        c = static_cast<char>(start ? (c & ~0x20) : (c | 0x20));
        start = false;
      } else {
        start = c == ' ' || c == '\t' || c == '\r' || c == '\n';
      }
    }
  }
  return v;
}

SaveCheck CheckForSave(const std::string& format, std::string_view v, int16_t dateOrder) {
  if (Has(format, 'D') && !v.empty() && !modLIB::IsValidDate(v, dateOrder)) return SaveCheck::Date;
  if (Has(format, 'T') && !v.empty() && !modLIB::IsValidTime(v)) return SaveCheck::Time;
  if (Has(format, '!') && v.empty()) return SaveCheck::Required;
  if (Has(format, 'Y') && !v.empty() && v != "Y" && v != "N") return SaveCheck::YesNo;
  return SaveCheck::Ok;
}

std::string SaveCheckText(SaveCheck check) {
  switch (check) {
    case SaveCheck::Date: return "Invalid date. (DD/MM/YYYY or MM/DD/YYYY)";
    case SaveCheck::Time: return "Invalid time. Format (hh:mm)";
    case SaveCheck::Required: return "Cannot be empty";
    case SaveCheck::YesNo: return "Y, N or nothing";
    case SaveCheck::Ok: break;
  }
  return "";
}

}  // namespace modDB
