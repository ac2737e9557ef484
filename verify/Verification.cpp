#include "verify/Verification.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "engine/files/AppendLog.h"
#include "engine/files/Companions.h"
#include "engine/files/FileIo.h"
#include "engine/history/Format.h"
#include "engine/history/History.h"
#include "engine/store/DirectFile.h"
#include "lib/Codepage.h"
#include "verify/Companion.h"

namespace qfverify {

namespace d = modDB::detail;
namespace h = modDB::history;

namespace {

const char* kHeading = "Time,User,Host,Program,Kind,Record,Number,Field,Stored,Keyed,Error,Keyer,Print";

std::string Line(const char* kind, int32_t record, const std::string& number, const std::string& field,
                 const std::string& stored, const std::string& keyed, const std::string& error,
                 const std::string& keyer, const std::string& print) {
  return CsvLine({h::Now(), h::UserName(), h::HostName(), h::ProgramName(), kind, std::to_string(record), number,
                  field, stored, keyed, error, keyer, print});
}

// The first keyer of each record as the history tells: who last added, imported or
// edited it, followed through packs.
std::map<int32_t, std::string> Keyers(const std::string& database) {
  std::map<int32_t, std::string> keyers;
  std::vector<modDB::HistoryEntry> all;
  if (!modDB::ReadHistory(database, all).empty()) return keyers;
  for (const auto& e : all) {
    const int32_t r = std::atoi(e.record.c_str());
    if (e.operation == "add" || e.operation == "import" || e.operation == "edit") {
      keyers[r] = e.user;
    } else if (e.operation == "pack") {
      std::map<int32_t, std::string> moved;
      for (const h::Run& run : h::ParseMap(e.after))
        for (int32_t o = run.oldFirst; o <= run.oldLast; ++o)
          if (auto it = keyers.find(o); it != keyers.end()) moved[run.newFirst + (o - run.oldFirst)] = it->second;
      keyers = std::move(moved);
    }
  }
  return keyers;
}

}  // namespace

std::string VerificationFileOf(const std::string& database) {
  return d::Companions::Of(database).Verification();
}

bool VerificationOn(const std::string& database) {
  return d::AppendLog::Look(VerificationFileOf(database)).kept;
}

std::string StartVerification(const std::string& database) {
  if (std::string why = modDB::StartHistory(database); !why.empty()) return why;
  return AppendGroup(database, VerificationFileOf(database), kHeading, "", true);
}

std::string Print(std::string_view record) {
  uint64_t x = 1469598103934665603ull;
  for (size_t i = 1; i < record.size(); ++i) {
    x ^= static_cast<unsigned char>(record[i]);
    x *= 1099511628211ull;
  }
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(x));
  return buf;
}

std::vector<int16_t> KeyedFields(const modDB::FormHeader& hd) {
  std::vector<int16_t> out;
  for (int16_t s = 1; s <= modDB::kMaxFields; ++s) {
    const modDB::FieldDef& f = hd.Fields[s];
    if (f.Page == 0) continue;
    const std::string format = f.Format.Trimmed();
    if (format.find('=') != std::string::npos || format.find('#') != std::string::npos) continue;
    out.push_back(s);
  }
  return out;
}

std::string ErrorOf(const std::string& stored, const std::vector<std::string>& keyings) {
  if (keyings.empty()) return "";
  if (keyings.back() != stored) return "first keyer";
  return keyings.size() > 1 ? "verifier" : "";
}

int32_t Progress::Next(const std::string& user) const {
  for (size_t r = 1; r < records.size(); ++r)
    if (records[r].live && records[r].state != 1 && !records[r].taken.empty() && records[r].takenBy == user)
      return static_cast<int32_t>(r);
  for (size_t r = 1; r < records.size(); ++r)
    if (records[r].live && records[r].state != 1 && records[r].keyer != user &&
        (records[r].taken.empty() || records[r].takenBy == user))
      return static_cast<int32_t>(r);
  return 0;
}

std::string Progress::Text() const {
  return std::to_string(verified) + " verified, " + std::to_string(notVerified) + " not yet verified, " +
         std::to_string(changed) + " changed since verification";
}

std::string ReadProgress(const std::string& database, Progress& out, KeyerCache* cache) {
  out = Progress();
  const std::string file = d::Companions::Of(database).Named();
  std::string why;
  const int16_t handle = modDB::OpenOtherDatabase(file, why);
  if (!handle) return why.empty() ? "FILE:" + file + " not found!" : why;
  modDB::FormHeader hd;
  std::string records;
  const bool ok = modDB::ReadHeaderDirect(handle, hd);
  if (ok) records = modDB::ReadRecordsDirect(handle, hd, 1, hd.RecordCount);
  modDB::CloseOtherDatabase(handle);
  if (!ok) return "FILE:" + file + " cannot be read";
  const size_t len = static_cast<size_t>(hd.RecordLength);
  const int32_t count = len ? static_cast<int32_t>(records.size() / len) : 0;

  std::vector<std::vector<std::string>> rows;
  if (std::string e = ReadRows(VerificationFileOf(database), rows); !e.empty()) return e;
  // Per record: the print of its last "verified" line, and the field lines after it.
  struct Seen {
    std::string verifiedPrint, lastPrint, by, keyer;
    std::set<std::string> taken;
  };
  std::map<int32_t, Seen> seen;
  for (auto& row : rows) {
    row.resize(13);
    const int32_t r = std::atoi(row[5].c_str());
    Seen& s = seen[r];
    if (row[4] == "verified") {
      s.verifiedPrint = row[12];
      s.taken.clear();
    } else if (row[4] == "field") {
      s.taken.insert(row[7]);
      s.lastPrint = row[12];
      s.by = row[1];
      s.keyer = row[11];
    }
  }
  KeyerCache own;
  KeyerCache& known = cache ? *cache : own;
  struct stat st {};
  const int64_t size = modDB::detail::StatPath(modDB::HistoryFileOf(database), st) ? st.st_size : -1;
  if (size < 0 || size != known.historySize) {
    known.keyers = Keyers(database);
    known.historySize = size;
  }
  const auto& keyers = known.keyers;
  out.records.resize(static_cast<size_t>(count) + 1);
  for (int32_t r = 1; r <= count; ++r) {
    const std::string_view rec(records.data() + static_cast<size_t>(r - 1) * len, len);
    Progress::Record& pr = out.records[static_cast<size_t>(r)];
    pr.live = rec[0] != '*';
    if (auto k = keyers.find(r); k != keyers.end()) pr.keyer = k->second;
    auto it = seen.find(r);
    if (it != seen.end()) {
      const std::string print = Print(rec);
      if (!it->second.verifiedPrint.empty()) pr.state = it->second.verifiedPrint == print ? 1 : 2;
      if (pr.state != 1 && !it->second.taken.empty() && it->second.lastPrint == print) {
        pr.taken = it->second.taken;
        pr.takenBy = it->second.by;
        pr.keyer = it->second.keyer;  // the keyer as the verification began
      }
    }
    if (!pr.live) continue;
    (pr.state == 1 ? out.verified : pr.state == 2 ? out.changed : out.notVerified)++;
  }
  return "";
}

std::string LogField(const std::string& database, int32_t record, const std::string& number,
                     const std::string& keyer, const FieldTaken& f, const std::string& print) {
  return AppendGroup(database, VerificationFileOf(database), kHeading,
                     Line("field", record, number, f.field, f.stored, f.keyed, f.error, keyer, print), false);
}

std::string LogVerified(const std::string& database, int32_t record, const std::string& number,
                        const std::string& keyer, const std::string& print) {
  return AppendGroup(database, VerificationFileOf(database), kHeading,
                     Line("verified", record, number, "(record)", "", "", "", keyer, print), false);
}

std::string ReadFieldLines(const std::string& database, std::vector<FieldLine>& out) {
  out.clear();
  std::vector<std::vector<std::string>> rows;
  if (std::string e = ReadRows(VerificationFileOf(database), rows); !e.empty()) return e;
  for (auto& row : rows) {
    row.resize(13);
    if (row[4] == "field") out.push_back({row[0], row[1], row[5], row[7], row[10], row[11]});
  }
  return "";
}

}  // namespace qfverify
