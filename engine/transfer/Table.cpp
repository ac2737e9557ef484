#include "engine/transfer/Table.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "engine/State.h"
#include "engine/StoreCommon.h"
#include "engine/modDB.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB::transfer {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// A whole number or (with point) a decimal one that reads back the same: an optional
// minus, digits without leading zeros, at most 15 of them, and for decimals one
// point with a digit on either side at least.
bool ParseNumber(std::string_view v, bool point, int64_t& integer, double& number) {
  size_t i = v.starts_with('-') ? 1 : 0;
  size_t digits = 0, points = 0, at = i;
  for (; i < v.size(); ++i) {
    if (Digit(v[i])) ++digits;
    else if (v[i] == '.' && point && ++points == 1) continue;
    else return false;
  }
  if (digits == 0 || digits > 15) return false;
  const std::string_view body = v.substr(at);
  if (body.size() > 1 && body[0] == '0' && body[1] != '.') return false;  // a leading zero would be lost
  const std::string s(v);
  if (points == 0) integer = std::strtoll(s.c_str(), nullptr, 10);
  number = std::strtod(s.c_str(), nullptr);
  return true;
}

int Two(std::string_view s, size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }

Kind KindOf(const std::string& format) {
  auto has = [&](char c) { return format.find(c) != std::string::npos; };
  if (has('*') || has('E') || has('W') || has('Y') || has('M')) return Kind::Text;
  if (has('#')) return Kind::Integer;  // numbered by the store
  if (has('D')) return Kind::Date;
  if (has('T')) return Kind::Time;
  if (has('N') && !has('A') && !has('S')) return has('.') ? Kind::Decimal : Kind::Integer;
  return Kind::Text;
}

}  // namespace

Kind KindOfSqlType(const std::string& type) {
  std::string t = type;
  for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (t.find("int") != std::string::npos) return Kind::Integer;
  if (t.find("double") != std::string::npos || t.find("real") != std::string::npos ||
      t.find("float") != std::string::npos || t.find("numeric") != std::string::npos)
    return Kind::Decimal;
  if (t.starts_with("date")) return Kind::Date;
  if (t.starts_with("time")) return Kind::Time;
  return Kind::Text;
}

std::string IsoDate(int32_t days) {
  const int32_t z = days + 719468;
  const int32_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int32_t doe = z - era * 146097;
  const int32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int32_t mp = (5 * doy + 2) / 153;
  const int32_t d = doy - (153 * mp + 2) / 5 + 1;
  const int32_t m = mp + (mp < 10 ? 3 : -9);
  const int32_t y = yoe + era * 400 + (m <= 2);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
  return buf;
}

std::string IsoTime(int32_t seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return buf;
}

std::string CanonicalText(Kind kind, const Cell& cell) {
  if (cell.missing) return "";
  switch (kind) {
    case Kind::Integer: return std::to_string(cell.integer);
    case Kind::Decimal: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", cell.number);
      return buf;
    }
    case Kind::Date: return IsoDate(cell.days);
    case Kind::Time: return IsoTime(cell.seconds);
    case Kind::Text: break;
  }
  return cell.text;
}

Cell CellOf(const Column& c, std::string_view raw, int16_t dateOrder) {
  Cell cell;
  const std::string_view v = modLIB::TrimView(raw);
  if (v.empty()) return cell;
  cell.missing = false;
  switch (c.kind) {
    case Kind::Integer:
    case Kind::Decimal:
      if (!ParseNumber(v, c.kind == Kind::Decimal, cell.integer, cell.number)) cell.missing = true;
      break;
    case Kind::Date:
      if (modLIB::IsValidDate(v, dateOrder) == 0) cell.missing = true;
      else
        cell.days = static_cast<int32_t>(modLIB::DaysFromCivil(
            Two(v, 6) * 100 + Two(v, 8), dateOrder == 2 ? Two(v, 0) : Two(v, 3), dateOrder == 2 ? Two(v, 3) : Two(v, 0)));
      break;
    case Kind::Time:
      if (!modLIB::IsValidTime(v)) cell.missing = true;
      else cell.seconds = Two(v, 0) * 3600 + Two(v, 3) * 60 + Two(v, 6);
      break;
    case Kind::Text: cell.text = modLIB::Cp1252ToUtf8(v); break;
  }
  cell.bad = cell.missing;
  if (c.kind != Kind::Text) cell.text = cell.missing ? std::string() : CanonicalText(c.kind, cell);
  return cell;
}

Cell CodeCell(const Column& c, const std::string& code, int16_t dateOrder) {
  return CellOf(c, modLIB::Utf8ToCp1252(code), dateOrder);
}

Table Prepare(const std::vector<bool>& selected, const ExportLabels& labels) {
  auto& s = detail::S();
  Table t;
  t.name = modLIB::Cp1252ToUtf8(s.DatabaseName.substr(s.DatabaseName.find_last_of('/') + 1));
  t.dateOrder = GetDateOrder();
  t.count = GetRecordCount();
  const FormHeader h = GetHeader();
  for (int16_t i = 1; i <= h.FieldCount && i <= kMaxFields; ++i) {
    if (static_cast<size_t>(i) >= selected.size() || !selected[static_cast<size_t>(i)]) continue;
    const FieldDef& f = h.Fields[static_cast<size_t>(i)];
    Column c;
    c.slot = i;
    c.name = f.Name.Trimmed();
    c.label = modLIB::Cp1252ToUtf8(FieldLabel(h, i));
    c.kind = KindOf(modLIB::UCase(f.Format.Trimmed()));
    c.offset = static_cast<size_t>(f.Offset);
    c.length = static_cast<size_t>(f.Length);
    c.width = c.length;
    if (auto it = labels.values.find(i); it != labels.values.end())
      for (const ValueLabel& v : it->second)
        c.values.push_back({modLIB::Cp1252ToUtf8(v.code), modLIB::Cp1252ToUtf8(v.label)});
    t.columns.push_back(std::move(c));
  }
  // A look at every value: a typed column that holds a value of another kind is
  // text, and a text column is as wide as its longest value in UTF-8.
  const size_t len = static_cast<size_t>(h.RecordLength);
  detail::ReadRecordBlocks(
      s.fd, len, t.count, detail::RecordsPerBlock(len),
      [&](int32_t, const char* bytes) {
        for (Column& c : t.columns) {
          const std::string_view raw(bytes + c.offset, c.length);
          if (c.kind != Kind::Text && CellOf(c, raw, t.dateOrder).bad) c.kind = Kind::Text;
          size_t n = 0;
          for (const char ch : modLIB::TrimView(raw)) {
            const auto u = static_cast<unsigned char>(ch);
            n += u < 0x80 ? 1 : u < 0xA0 ? 3 : 2;
          }
          c.width = std::max(c.width, n);
        }
      },
      [] {});
  // A code that is not a value of the column's kind makes the column text as well.
  for (Column& c : t.columns)
    for (const ValueLabel& v : c.values)
      if (c.kind != Kind::Text && CodeCell(c, v.code, t.dateOrder).missing) c.kind = Kind::Text;
  return t;
}

void ForEachRecord(const Table& t, const std::function<void(int32_t, bool, const std::vector<Cell>&)>& onRecord) {
  auto& s = detail::S();
  const size_t len = static_cast<size_t>(s.header.RecordLength);
  std::vector<Cell> cells(t.columns.size());
  Host& host = GetHost();
  detail::ReadRecordBlocks(
      s.fd, len, t.count, detail::RecordsPerBlock(len),
      [&](int32_t r, const char* bytes) {
        host.ShowPer(r, t.count);
        for (size_t k = 0; k < t.columns.size(); ++k)
          cells[k] = CellOf(t.columns[k], std::string_view(bytes + t.columns[k].offset, t.columns[k].length),
                            t.dateOrder);
        onRecord(r, bytes[0] == '*', cells);
      },
      [] {});
}

}  // namespace modDB::transfer
