// qfd killed (SIGKILL) just before each of its writes, renames, links and
// truncations in turn, by strace's fault injection: set, delete, add, import, pack
// and resave, on a database that keeps its history. After every kill, and again
// after a next change: `qfd check` passes, a set's record is all old or all new, and
// replaying the history from its first line gives the file's values. A killed pack or
// design save leaves the old database or the finished one as the file, never a torn
// one, and the old one whole in the file or in the backup.
#include <nlohmann/json.hpp>

#include "engine/history/History.h"
#include "tests/cli/QfdFixture.h"

using namespace clitest;

namespace {

using Values = std::map<std::string, std::string>;  // field ("*" the mark) -> value

// The records as the file holds them, values without their padding at the end.
std::vector<Values> FileRecords(const std::string& base) {
  const std::string bytes = ReadFile(base + ".Qfd");
  const int32_t count = I32At(bytes, 0);
  std::vector<Values> out;
  const std::pair<const char*, int> fields[] = {{"No", 5}, {"A", 8}, {"B", 8}, {"C", 8}};
  for (int32_t n = 0; n < count; ++n) {
    const std::string rec = RecordAt(bytes, n + 1, 30);
    Values v;
    if (rec[0] == '*') v["*"] = "*";
    size_t at = 1;
    for (const auto& [name, len] : fields) {
      std::string s = rec.substr(at, static_cast<size_t>(len));
      s.erase(s.find_last_not_of(' ') + 1);
      if (!s.empty()) v[name] = s;
      at += static_cast<size_t>(len);
    }
    out.push_back(v);
  }
  return out;
}

// The records as replaying the history from its first line makes them.
std::vector<Values> Replayed(const std::string& base) {
  std::vector<modDB::HistoryEntry> all;
  EXPECT_EQ(modDB::ReadHistory(base, all), "");
  std::map<int, Values> recs;
  for (const modDB::HistoryEntry& e : all) {
    const int n = std::atoi(e.record.c_str());
    if (e.operation == "pack") {
      std::map<int, Values> moved;
      std::istringstream runs(e.after);
      for (std::string run; runs >> run;) {
        int a = 0, b = 0, c = 0;
        if (std::sscanf(run.c_str(), "%d-%d>%d", &a, &b, &c) != 3) {
          std::sscanf(run.c_str(), "%d>%d", &a, &c);
          b = a;
        }
        for (int i = a; i <= b; ++i) moved[c + i - a] = recs[i];
      }
      recs.swap(moved);
    } else if (e.operation == "import") {
      recs[n].clear();
      const nlohmann::json j = nlohmann::json::parse(e.after);
      for (auto item = j.begin(); item != j.end(); ++item)
        recs[n][item.key()] = item.value().get<std::string>();
    } else if (e.operation != "design save") {
      recs[n][e.field] = e.after;
    }
  }
  std::vector<Values> out;
  for (auto& [n, v] : recs) {
    for (auto it = v.begin(); it != v.end();) it = it->second.empty() ? v.erase(it) : std::next(it);
    if (n >= 1) {
      out.resize(std::max(out.size(), static_cast<size_t>(n)));
      out[static_cast<size_t>(n) - 1] = v;
    }
  }
  return out;
}

// After a pack or design save stopped anywhere: the file is the old database or the
// finished one, and the old one is whole in the file or in the backup.
bool Keeps(const std::string& base, const std::string& old, const std::string& finished) {
  const std::string now = ReadFile(base + ".Qfd");
  return now == old || (now == finished && fs::exists(base + ".Bak") && ReadFile(base + ".Bak") == old);
}

bool HasStrace() { return std::system("strace -f -o /dev/null true >/dev/null 2>&1") == 0; }

class QfdKill : public QfdTest {};

}  // namespace

TEST_F(QfdKill, EveryKillPointLeavesFileAndHistoryAgreeing) {
  if (!HasStrace()) GTEST_SKIP() << "strace cannot trace here";
  const std::string tmpl = Create(R"({"Fields": [{"Name": "No", "Format": "#"}, {"Name": "A", "Length": 8},
                              {"Name": "B", "Length": 8}, {"Name": "C", "Length": 8}]})", "t");
  ASSERT_EQ(Qfd({"history", tmpl, "--start"}).status, 0);
  for (const char* v : {"A=a1", "A=a2", "A=a3"}) ASSERT_EQ(Qfd({"add", tmpl, v, "B=b", "C=c"}).status, 0);
  ASSERT_EQ(Qfd({"delete", tmpl, "3"}).status, 0);
  WriteFile(dir / "in.csv", "A,B\r\nia,ib\r\nja,jb\r\n");
  WriteFile(dir / "own.json", QfdOk({"dump", "--json", tmpl}).out);

  const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
      {"set", {"set", "@", "1", "A=KA", "B=KB", "C=KC"}},
      {"delete", {"delete", "@", "2"}},
      {"add", {"add", "@", "A=na", "B=nb"}},
      {"import", {"import", "@", dir / "in.csv"}},
      {"pack", {"pack", "@", "--yes"}},
      {"resave", {"resave", "@", "--from", dir / "own.json", "--recover", "yes"}},
  };
  const char* const calls[] = {"pwrite64", "rename", "renameat2", "link", "linkat", "ftruncate"};
  int run = 0, points = 0, faults = 0;
  const std::string old = ReadFile(tmpl + ".Qfd"), oldHistory = ReadFile(tmpl + ".Qfh");
  const std::vector<Values> before = FileRecords(tmpl);
  for (const auto& [name, args] : commands) {
    const bool replaces = name == "pack" || name == "resave";
    // A fresh copy of the template at `base`, and the command's arguments on it.
    const auto copyOn = [&](const std::string& base) {
      WriteFile(base + ".Qfd", old);
      WriteFile(base + ".Qfh", oldHistory);
      std::vector<std::string> on;
      for (const std::string& a : args) on.push_back(a == "@" ? base : a);
      return on;
    };
    const std::string done = dir / ("done-" + name);
    ASSERT_EQ(Qfd(copyOn(done)).status, 0) << name;
    const std::string finished = ReadFile(done + ".Qfd");
    for (const char* call : calls) {
      for (int k = 1;; ++k) {
        const std::string base = dir / ("r" + std::to_string(++run));
        std::vector<std::string> argv = {"/usr/bin/strace", "-f", "-qq", "-o", base + ".trace", "-e",
                                         std::string("trace=") + call, "-e",
                                         std::string("inject=") + call + ":signal=KILL:when=" + std::to_string(k),
                                         ToolPath("qfd")};
        for (const std::string& a : copyOn(base)) argv.push_back(a);
        RunProgram(argv);
        // The trace ends with the kill, or the command ran out of such calls.
        if (ReadFile(base + ".trace").find("killed by SIGKILL") == std::string::npos) break;
        ++points;
        for (const std::string when : {"after the kill", "after a next change"}) {
          std::string why;
          const auto check = Qfd({"check", base});
          const std::vector<Values> file = FileRecords(base);
          if (check.status != 0) why = "check fails: " + check.out + check.err;
          else if (Replayed(base) != file) why = "replaying the history does not give the file";
          else if (name == "set" && when == "after the kill" &&
                   (file[0].at("A") == "KA" ? file[0].at("C") != "KC" : file[0] != before[0]))
            why = "record 1 is torn";
          else if (replaces && when == "after the kill" && !Keeps(base, old, finished))
            why = "the file is torn, or the old database is in neither the file nor the backup";
          if (!why.empty()) {
            ++faults;
            ADD_FAILURE() << name << " killed at " << call << " " << k << ", " << when << ": " << why;
          }
          ASSERT_EQ(Qfd({"set", base, "1", "C=next"}).status, 0) << name << " " << call << " " << k;
        }
      }
    }
  }
  std::printf("[ kill points ] %d, faults %d\n", points, faults);
  EXPECT_GT(points, 20);
}
