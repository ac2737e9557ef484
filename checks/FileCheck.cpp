// The whole-file check and the exceptions file (see FileCheck.h).
#include "checks/FileCheck.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "checks/Companion.h"
#include "engine/store/DirectFile.h"
#include "engine/history/History.h"
#include "engine/modDB.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace qfchecks {

namespace {

std::string Quoted(const std::string& utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string s = "\"";
  for (char c : utf8) s += c == '"' ? std::string("\"\"") : std::string(1, c);
  return s + "\"";
}

std::string Now() {
  const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string User() {
  if (const passwd* pw = getpwuid(geteuid())) return pw->pw_name;
  return std::to_string(geteuid());
}

std::string Host() {
  char buf[256] = {};
  gethostname(buf, sizeof buf - 1);
  return buf;
}

std::string Base(const std::string& database) {
  std::string name = database;
  return modDB::BaseFileName(name);
}

// The field a finding's rule concerns, by name, for the history.
std::string RuleField(const std::string& rule) {
  const size_t dot = rule.rfind('.');
  return dot == std::string::npos ? "(form)" : rule.substr(0, dot);
}

struct Lines : HistoryGuard {
  explicit Lines(modDB::detail::HistoryLines l) : lines(std::move(l)) {}
  modDB::detail::HistoryLines lines;
  void Done() override { lines.Done(); }
};

}  // namespace

std::string ExceptionsHeading() { return "Time,User,Host,Record,Number,Rule,Value,Note"; }

std::string ReadExceptions(const std::string& database, std::vector<Exception>& out) {
  out.clear();
  std::vector<std::vector<std::string>> rows;
  if (std::string fault = ReadExceptionRows(database, rows); !fault.empty()) return fault;
  for (auto& row : rows) {
    Exception e;
    e.Time = row[0];
    e.User = row[1];
    e.Host = row[2];
    e.Record = std::atoi(row[3].c_str());
    e.Number = modLIB::Utf8ToCp1252(row[4]);
    e.Rule = modLIB::Utf8ToCp1252(row[5]);
    e.Value = modLIB::Utf8ToCp1252(row[6]);
    e.Note = modLIB::Utf8ToCp1252(row[7]);
    out.push_back(std::move(e));
  }
  return "";
}

bool Excepted(const std::vector<Exception>& all, const Finding& f) {
  for (const Exception& e : all) {
    if (e.Rule != f.Rule || e.Value != f.Value) continue;
    if (!f.Number.empty() ? e.Number == f.Number : (e.Number.empty() && e.Record == f.Record)) return true;
  }
  return false;
}

std::string Accept(const std::string& database, const Finding& f, const std::string& note) {
  const std::string dbFile = Base(database) + ".Qfd";
  using modLIB::Cp1252ToUtf8;
  const std::string line = Quoted(Now()) + "," + Quoted(User()) + "," + Quoted(Host()) + "," +
                           std::to_string(f.Record) + "," + Quoted(Cp1252ToUtf8(f.Number)) + "," +
                           Quoted(Cp1252ToUtf8(f.Rule)) + "," + Quoted(Cp1252ToUtf8(f.Value)) + "," +
                           Quoted(Cp1252ToUtf8(note)) + "\n";
  try {
    return AppendExceptionLines(database, ExceptionsHeading(), line, [&]() -> std::unique_ptr<HistoryGuard> {
      return std::make_unique<Lines>(
          modDB::detail::LogAccept(dbFile, f.Record, f.Number, RuleField(f.Rule), f.Rule, note));
    });
  } catch (const std::exception& e) {
    return e.what();
  }
}

Values ValuesOf(const modDB::FormHeader& h, std::string_view text) {
  Values v(modDB::kMaxFields + 1);
  for (int k = 1; k <= modDB::kMaxFields; ++k) {
    const modDB::FieldDef& f = h.Fields[k];
    if (f.Page == 0 || f.Offset < 0 || static_cast<size_t>(f.Offset) >= text.size()) continue;
    v[static_cast<size_t>(k)] = text.substr(static_cast<size_t>(f.Offset), static_cast<size_t>(f.Length));
  }
  return v;
}

void CheckRecordText(Checker& c, const modDB::FormHeader& h, int32_t record, const std::string& text,
                     const std::vector<Exception>& exceptions, std::vector<Finding>& out) {
  const Values v = ValuesOf(h, text);
  std::vector<Finding> found;
  c.CheckRecord(v, found);
  const int16_t number = c.NumberSlot();
  const std::string num = number ? modLIB::Trim(v[static_cast<size_t>(number)]) : "";
  for (Finding& f : found) {
    f.Record = record;
    f.Number = num;
    if (!Excepted(exceptions, f)) out.push_back(std::move(f));
  }
}

std::string CheckRecordOf(const std::string& database, const Rules& r, int32_t n, std::vector<Finding>& out) {
  out.clear();
  const std::string dbFile = Base(database) + ".Qfd";
  std::string why;
  const int16_t handle = modDB::OpenOtherDatabase(dbFile, why);
  if (!handle) return "FILE:" + dbFile + ": " + why;
  modDB::FormHeader h;
  const bool read = modDB::ReadHeaderDirect(handle, h);
  const std::string text = read && n >= 1 && n <= h.RecordCount ? modDB::ReadRecordsDirect(handle, h, n, 1) : "";
  modDB::CloseOtherDatabase(handle);
  if (!read) return "FILE:" + dbFile + ": the header cannot be read";
  if (n < 1 || n > h.RecordCount) return "Record out of range";
  Checker c;
  if (std::string fault = c.Prepare(h, r); !fault.empty()) return fault;
  CheckRecordText(c, h, n, text, {}, out);
  return "";
}

std::string CheckFile(const std::string& database, const Rules& r, Report& out) {
  out = Report();
  const std::string dbFile = Base(database) + ".Qfd";
  std::string why;
  const int16_t handle = modDB::OpenOtherDatabase(dbFile, why);
  if (!handle) return "FILE:" + dbFile + ": " + why;
  struct Close {
    int16_t h;
    ~Close() { modDB::CloseOtherDatabase(h); }
  } close{handle};
  modDB::FormHeader h;
  if (!modDB::ReadHeaderDirect(handle, h)) return "FILE:" + dbFile + ": the header cannot be read";
  Checker c;
  if (std::string fault = c.Prepare(h, r); !fault.empty()) return fault;
  std::vector<Exception> exceptions;
  if (std::string fault = ReadExceptions(database, exceptions); !fault.empty()) return fault;
  const int32_t count = h.RecordCount;
  const int32_t len = std::max<int32_t>(1, h.RecordLength);
  const int32_t run = std::max<int32_t>(1, (1 << 20) / len);
  const int16_t number = c.NumberSlot();
  std::vector<Finding> found;
  for (int32_t first = 1; first <= count && c.Any(); first += run) {
    const int32_t n = std::min(run, count - first + 1);
    const std::string block = modDB::ReadRecordsDirect(handle, h, first, n);
    for (int32_t k = 0; k < n; ++k) {
      const size_t at = static_cast<size_t>(k) * static_cast<size_t>(len);
      if (at + static_cast<size_t>(len) > block.size()) break;  // the file ends early
      const std::string_view rec(block.data() + at, static_cast<size_t>(len));
      if (rec[0] == '*') continue;
      ++out.Records;
      const Values v = ValuesOf(h, rec);
      found.clear();
      c.CheckRecord(v, found);
      for (Finding& f : found) {
        f.Record = first + k;
        f.Number = number ? modLIB::Trim(v[static_cast<size_t>(number)]) : "";
        if (Excepted(exceptions, f)) {
          ++out.Excepted;
          continue;
        }
        out.HardBroken = out.HardBroken || f.Hard;
        auto it = std::find_if(out.Counts.begin(), out.Counts.end(), [&](auto& p) { return p.first == f.Rule; });
        if (it == out.Counts.end()) out.Counts.emplace_back(f.Rule, 1);
        else ++it->second;
        out.Findings.push_back(std::move(f));
      }
    }
  }
  return "";
}

}  // namespace qfchecks
