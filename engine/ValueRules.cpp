#include "ValueRules.h"

#include "modLIB.h"

namespace modDB {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool Has(const std::string& format, char c) { return format.find(c) != std::string::npos; }

}  // namespace

size_t RefusedChar(const std::string& format, const std::string& value) {
  auto has = [&](char c) { return Has(format, c); };
  if (format.find_first_of("*NAS.-EWYDT") == std::string::npos) return std::string::npos;
  bool at = false, colon = false, dot = false;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    bool ok;
    if (c == '\r' || c == '\n') ok = has('M');
    else if (has('*')) ok = true;
    else if (has('E')) ok = IsLetter(c) || IsDigit(c) || (c == '@' && !at) || c == '.' || c == '-' || c == '_';
    else if (has('W')) ok = IsLetter(c) || IsDigit(c) || (c == ':' && !colon) || c == '.' || c == '-' || c == '_' || c == '/';
    else if (has('Y')) ok = i == 0 && (c == 'y' || c == 'Y' || c == 'n' || c == 'N');
    else if (has('D')) ok = IsDigit(c) || c == '/';
    else if (has('T')) ok = IsDigit(c) || c == ':';
    else if (IsDigit(c)) ok = has('N');
    else if (IsLetter(c)) ok = has('A');
    else if (c == ' ') ok = has('S');
    else if (c == '.') ok = has('.') && !(has('N') && dot);
    else if (c == '-') ok = has('-') && !(has('N') && i != 0);
    else ok = false;
    if (!ok) return i;
    at = at || c == '@';
    colon = colon || c == ':';
    dot = dot || c == '.';
  }
  return std::string::npos;
}

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

SaveCheck CheckForSave(const std::string& format, const std::string& v, int16_t dateOrder) {
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
