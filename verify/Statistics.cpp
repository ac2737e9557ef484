#include "verify/Statistics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "engine/files/Companions.h"
#include "engine/history/Format.h"
#include "verify/Companion.h"
#include "verify/Verification.h"

namespace qfverify {

namespace h = modDB::history;

namespace {

const char* kHeading =
    "Time,User,Host,Program,Kind,Started,Added,Edited,Verified,Keystrokes,Seconds,Corrected,VerifierErrors";

std::string Per(int64_t n, int64_t by, int64_t times) {
  if (by <= 0) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(n) * static_cast<double>(times) / static_cast<double>(by));
  return buf;
}

}  // namespace

void KeyClock::Key(int64_t now) {
  ++keys;
  if (last_ >= 0 && now >= last_ && now - last_ <= 60000) ms += now - last_;
  last_ = now;
}

std::string StatisticsFileOf(const std::string& database) {
  return modDB::detail::Companions::Of(database).Statistics();
}

std::string LogSession(const std::string& database, const Session& s) {
  if (s.Empty()) return "";
  const std::string line =
      CsvLine({h::Now(), h::UserName(), h::HostName(), h::ProgramName(), "session", s.started,
               std::to_string(s.added), std::to_string(s.edited), std::to_string(s.verified),
               std::to_string(s.keystrokes), std::to_string(s.seconds), std::to_string(s.corrected),
               std::to_string(s.verifierErrors)});
  return AppendGroup(database, StatisticsFileOf(database), kHeading, line, VerificationOn(database));
}

std::string ReadStatistics(const std::string& database, std::vector<StatRow>& out) {
  out.clear();
  std::vector<std::vector<std::string>> rows;
  if (std::string e = ReadRows(StatisticsFileOf(database), rows); !e.empty()) return e;
  std::map<std::string, StatRow> clerks;
  auto num = [](const std::string& v) { return std::atoll(v.c_str()); };
  for (auto& row : rows) {
    row.resize(13);
    if (row[4] != "session") continue;
    StatRow r;
    r.scope = "session";
    r.s = {row[5], row[0], row[1], num(row[6]), num(row[7]), num(row[8]), num(row[9]), num(row[10]),
           num(row[11]), num(row[12])};
    out.push_back(r);
    StatRow& c = clerks[r.s.user];
    if (c.scope.empty()) {
      c.scope = "clerk";
      c.s.user = r.s.user;
      c.s.started = r.s.started;
      c.keyerErrors = 0;
    }
    c.s.ended = r.s.ended;
    c.s.added += r.s.added;
    c.s.edited += r.s.edited;
    c.s.verified += r.s.verified;
    c.s.keystrokes += r.s.keystrokes;
    c.s.seconds += r.s.seconds;
    c.s.corrected += r.s.corrected;
    c.s.verifierErrors += r.s.verifierErrors;
  }
  std::vector<FieldLine> lines;
  if (std::string e = ReadFieldLines(database, lines); !e.empty()) return e;
  for (const FieldLine& l : lines) {
    if (l.error != "first keyer" || l.keyer.empty()) continue;
    StatRow& c = clerks[l.keyer];
    if (c.scope.empty()) {
      c.scope = "clerk";
      c.s.user = l.keyer;
      c.keyerErrors = 0;
    }
    ++c.keyerErrors;
  }
  for (auto& [name, c] : clerks) out.push_back(c);
  return "";
}

std::vector<std::vector<std::string>> StatisticsTable(const std::vector<StatRow>& rows) {
  const std::vector<std::string> heading = {"Scope",      "User",    "Started", "Ended",
                                            "Added",      "Edited",  "Verified", "Keystrokes",
                                            "Seconds",    "KeystrokesPerHour", "Corrected", "KeyerErrors",
                                            "VerifierErrors", "KeyerErrorsPer1000", "VerifierErrorsPer1000"};
  std::vector<std::vector<std::string>> table{heading};
  for (const StatRow& r : rows) {
    const Session& s = r.s;
    table.push_back({r.scope, s.user, s.started, s.ended, std::to_string(s.added), std::to_string(s.edited),
                     std::to_string(s.verified), std::to_string(s.keystrokes), std::to_string(s.seconds),
                     Per(s.keystrokes, s.seconds, 3600), std::to_string(s.corrected),
                     r.keyerErrors < 0 ? "" : std::to_string(r.keyerErrors), std::to_string(s.verifierErrors),
                     r.keyerErrors < 0 ? "" : Per(r.keyerErrors, s.keystrokes, 1000),
                     Per(s.verifierErrors, s.keystrokes, 1000)});
  }
  return table;
}

std::string StatisticsText(const std::vector<StatRow>& rows, bool csv) {
  const auto table = StatisticsTable(rows);
  const auto& heading = table[0];
  std::string out;
  if (csv) {
    for (const auto& row : table) out += CsvLine(row);
    return out;
  }
  std::vector<size_t> width(heading.size(), 0);
  for (const auto& row : table)
    for (size_t i = 0; i < row.size(); ++i) width[i] = std::max(width[i], row[i].size());
  for (const auto& row : table) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(width[i] - row[i].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

}  // namespace qfverify
