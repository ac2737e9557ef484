// Several qfd processes on one database, and the change history through qfd:
// appends at the same time all arrive whole, exactly once; the history is started
// and printed, and of processes changing records at once every line is whole and
// the lines of a record come in the order of its writes.

#include "engine/history/History.h"
#include "tests/cli/Spawn.h"
#include "tests/cli/QfdFixture.h"
#include "tests/support/StoreFixture.h"

using namespace clitest;

namespace {

class QfdHistory : public storetest::StoreTest {};

TEST_F(QfdHistory, StartsAndPrints) {
  const std::string base = MakeDb("db", {{"A", 5}, {"B", 5}}, {{"a1", "b1"}});
  QfdFails({"history", base}, "qfd: " + base + ".Qfd keeps no history (qfd history " + base + " --start starts it)\n");
  auto r = QfdOk({"history", base, "--start"});
  EXPECT_EQ(r.out, "the history of " + base + ".Qfd is kept in " + base + ".Qfh from now on\n");
  r = Qfd({"history", base, "--start"});
  EXPECT_EQ(r.err, "qfd: the history of " + base + ".Qfd is kept already, in " + base + ".Qfh\n");

  ASSERT_EQ(Qfd({"set", base, "1", "A=caf\xC3\xA9"}).status, 0);
  ASSERT_EQ(Qfd({"add", base, "A=x", "B=y,z"}).status, 0);
  ASSERT_EQ(Qfd({"delete", base, "2"}).status, 0);

  std::vector<modDB::HistoryEntry> all;
  ASSERT_EQ(modDB::ReadHistory(base, all), "");
  ASSERT_EQ(all.size(), 4u);
  const modDB::HistoryEntry& e = all[0];
  const std::string who = e.user + "@" + e.host;
  r = QfdOk({"history", base, "2"});
  EXPECT_EQ(r.out, all[3].time + "  " + who + "  qfd  delete  record 2  *: \"\" -> \"*\"\n" + all[2].time + "  " +
                       who + "  qfd  add  record 2  B: \"\" -> \"y,z\"\n" + all[1].time + "  " + who +
                       "  qfd  add  record 2  A: \"\" -> \"x\"\n");
  r = Qfd({"history", base, "--csv"});
  EXPECT_EQ(r.out, "Time,User,Host,Program,Operation,Record,Number,Field,Before,After\n" +
                       modDB::HistoryLineText(all[3]) + "\n" + HistoryLineText(all[2]) + "\n" +
                       HistoryLineText(all[1]) + "\n" + HistoryLineText(all[0]) + "\n");
  EXPECT_EQ(modDB::HistoryLineText(all[0]), e.time + "," + e.user + "," + e.host + ",qfd,edit,1,,A,a1,caf\xC3\xA9");
  EXPECT_EQ(modDB::HistoryLineText(all[2]), all[2].time + "," + e.user + "," + e.host + ",qfd,add,2,,B,,\"y,z\"");
}

// Four processes, two on each of two records, each setting its record 15 times.
TEST_F(QfdHistory, SeveralProcessesKeepEveryLineWholeAndInOrder) {
  const std::string base = MakeDb("db", {{"A", 5}, {"B", 5}}, {{"a1", "b1"}, {"a2", "b2"}});
  ASSERT_EQ(modDB::StartHistory(base), "");
  std::vector<pid_t> pids;
  for (int p = 1; p <= 4; ++p)
    pids.push_back(StartQfdLoop(15, {"set", base, std::to_string(p <= 2 ? 1 : 2), "A=p" + std::to_string(p) + "i$i"}));
  for (const pid_t pid : pids) EXPECT_EQ(Wait(pid), 0);

  const std::string text = ReadFile(base + ".Qfh");
  std::vector<modDB::HistoryEntry> all;
  ASSERT_EQ(modDB::ReadHistory(base, all), "");
  ASSERT_EQ(all.size(), 60u) << text;
  size_t lines = 0;
  for (const char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 122u);  // the heading and each change, each followed by its mark
  std::string last[3] = {"", "a1", "a2"};
  int perProcess[5] = {};
  for (const modDB::HistoryEntry& e : all) {
    ASSERT_EQ(e.operation, "edit") << HistoryLineText(e);
    ASSERT_EQ(e.field, "A");
    const int rec = std::stoi(e.record);
    // Each line starts where the record's previous line ended: no change unseen.
    EXPECT_EQ(e.before, last[rec]) << HistoryLineText(e);
    last[rec] = e.after;
    // A process's own values in the order it wrote them.
    const int p = e.after[1] - '0';
    EXPECT_EQ(e.after, "p" + std::to_string(p) + "i" + std::to_string(++perProcess[p]));
  }
  Open(base);
  EXPECT_EQ(Field1(1), last[1]);
  modDB::SetRecordNo(2);
  EXPECT_EQ(Field1(1), last[2]);
}

// Four processes append 250 records each with `qfd add` at the same time.
TEST_F(QfdHistory, FourProcessesAppendAThousandRecords) {
  constexpr int kProcesses = 4, kEach = 250, kPad = 300;
  constexpr int kLength = 1 + 2 + 4 + kPad;  // Who 2 at 1, Seq 4 at 3, Pad 300 at 7
  auto padOf = [](int p) { return std::string(kPad, static_cast<char>('A' + p)); };
  const std::string db = QfdCreate(dir, "shared", R"({"Fields": [{"Name": "Who", "Length": 2},
    {"Name": "Seq", "Length": 4}, {"Name": "Pad", "Length": 300}]})");
  std::vector<pid_t> pids;
  for (int p = 0; p < kProcesses; ++p)
    pids.push_back(StartQfdLoop(kEach, {"add", db, "Who=P" + std::to_string(p), "Seq=$i", "Pad=" + padOf(p)}));
  for (pid_t pid : pids) EXPECT_EQ(Wait(pid), 0);

  const std::string bytes = ReadFile(db + ".Qfd");
  const int count = I32At(bytes, 0);
  ASSERT_EQ(count, kProcesses * kEach);
  ASSERT_EQ(bytes.size(), kHead + static_cast<size_t>(count) * kLength);
  std::map<int, int> lastSeq;  // per process: each appends in its own order
  std::map<std::string, int> seen;
  for (int n = 1; n <= count; ++n) {
    const std::string rec = RecordAt(bytes, n, kLength);
    ASSERT_EQ(rec.substr(0, 2), " P") << "record " << n;
    const int p = rec[2] - '0';
    ASSERT_TRUE(p >= 0 && p < kProcesses) << "record " << n;
    const int seq = std::stoi(rec.substr(3, 4));
    EXPECT_EQ(rec.substr(7), padOf(p)) << "record " << n << " is torn";
    EXPECT_GT(seq, lastSeq[p]) << "record " << n;
    lastSeq[p] = seq;
    EXPECT_EQ(++seen[rec.substr(1, 6)], 1) << "record " << n << " twice";
  }
  for (int p = 0; p < kProcesses; ++p) EXPECT_EQ(lastSeq[p], kEach);
  EXPECT_EQ(Qfd({"check", db}).status, 0);
}

}  // namespace
