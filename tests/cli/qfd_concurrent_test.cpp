// Several programs on one file: four processes append 250 records each with
// `qfd add` at the same time. Every record must arrive whole, exactly once, and the
// count must agree with the file.
#include <map>

#include "tests/cli/QfdFixture.h"
#include "tests/cli/Spawn.h"

using namespace clitest;

namespace {

constexpr int kProcesses = 4, kEach = 250, kPad = 300;
// Who 2 at 1, Seq 4 at 3, Pad 300 at 7: record length 307.
constexpr int kLength = 1 + 2 + 4 + kPad;

std::string PadOf(int p) { return std::string(kPad, static_cast<char>('A' + p)); }

}  // namespace

class QfdConcurrent : public QfdTest {};

TEST_F(QfdConcurrent, FourProcessesAppendAThousandRecords) {
  const std::string db = Create(R"({"Fields": [{"Name": "Who", "Length": 2}, {"Name": "Seq", "Length": 4},
                                             {"Name": "Pad", "Length": 300}]})", "shared");

  // Each process is a shell running `qfd add` 250 times in a row.
  const std::string loop =
      "i=1; while [ $i -le " + std::to_string(kEach) +
      " ]; do \"$0\" add \"$1\" Who=$2 Seq=$i Pad=$3 >/dev/null || exit 1; i=$((i+1)); done";
  std::vector<pid_t> pids;
  for (int p = 0; p < kProcesses; ++p)
    pids.push_back(Start({"/bin/sh", "-c", loop, ToolPath("qfd"), db, "P" + std::to_string(p), PadOf(p)}));
  for (pid_t pid : pids) EXPECT_EQ(Wait(pid), 0);

  const std::string bytes = ReadFile(db + ".Qfd");
  const int count = I32At(bytes, 0);
  ASSERT_EQ(count, kProcesses * kEach);
  ASSERT_EQ(bytes.size(), kHead + static_cast<size_t>(count) * kLength);

  std::map<int, int> lastSeq;  // per process: each appends in its own order
  std::map<std::string, int> seen;
  for (int n = 1; n <= count; ++n) {
    const std::string rec = RecordAt(bytes, n, kLength);
    ASSERT_EQ(rec[0], ' ') << "record " << n;
    ASSERT_EQ(rec[1], 'P') << "record " << n;
    const int p = rec[2] - '0';
    ASSERT_TRUE(p >= 0 && p < kProcesses) << "record " << n;
    const int seq = std::stoi(rec.substr(3, 4));
    EXPECT_EQ(rec.substr(7), PadOf(p)) << "record " << n << " is torn";
    EXPECT_GT(seq, lastSeq[p]) << "record " << n;
    lastSeq[p] = seq;
    EXPECT_EQ(++seen[rec.substr(1, 6)], 1) << "record " << n << " twice";
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kProcesses * kEach));
  for (int p = 0; p < kProcesses; ++p) EXPECT_EQ(lastSeq[p], kEach);

  const auto checked = Qfd({"check", db});
  EXPECT_EQ(checked.status, 0) << checked.err;
}
