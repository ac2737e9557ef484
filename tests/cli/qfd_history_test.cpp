// The change history through qfd: starting it, printing it, and several qfd
// processes changing one database at once, every line whole and the lines of a
// record in the order of its writes.
#include <string>
#include <vector>

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
  auto r = Qfd({"history", base, "--start"});
  EXPECT_EQ(r.status, 0) << r.err;
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
  r = Qfd({"history", base, "2"});
  EXPECT_EQ(r.status, 0) << r.err;
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
  for (int p = 1; p <= 4; ++p) {
    const std::string rec = std::to_string(p <= 2 ? 1 : 2);
    const std::string script = "for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15; do \"" + ToolPath("qfd") + "\" set \"" + base +
                               "\" " + rec + " A=p" + std::to_string(p) + "i$i || exit 1; done";
    pids.push_back(Start({"/bin/sh", "-c", script}));
  }
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
  std::string name = base;
  ASSERT_EQ(modDB::OpenDatabase(name), 1);
  std::string v;
  modDB::ReadField(1, v);
  EXPECT_EQ(v, last[1]);
  modDB::SetRecordNo(2);
  modDB::ReadField(1, v);
  EXPECT_EQ(v, last[2]);
}

}  // namespace
