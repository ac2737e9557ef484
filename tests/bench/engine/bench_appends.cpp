// Appends at scale: 16 processes append 4,000 records each to one form database at
// the same time, through the engine's AddRecord (the writers' lock, the count re-read
// under it). Each record carries its writer, its sequence number and a body of the
// writer's own letter. Afterwards every record is checked: none lost, none doubled,
// none torn, each writer's records in its own order, and the file length agrees with
// the count. Prints the time and the records kept; exits 1 on any fault.
#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "tests/bench/engine/BenchTiming.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWriters = 16, kEach = 4000, kBody = 100;
// Who 2 at 1, Seq 5 at 3, Body 100 at 8: record length 108.
constexpr int kLength = 1 + 2 + 5 + kBody;

std::string Body(int w) { return std::string(kBody, static_cast<char>('A' + w)); }

std::string Num(int n, int width) {
  std::string s = std::to_string(n);
  return std::string(static_cast<size_t>(width) - s.size(), '0') + s;
}

// One writer: its own open database, kEach appends.
int Writer(const std::string& base, int w) {
  const bench::QuietHost host;
  bench::Open(base);
  for (int i = 1; i <= kEach; ++i) {
    modDB::ClearRecord();
    modDB::WriteField(1, Num(w, 2));
    modDB::WriteField(2, Num(i, 5));
    modDB::WriteField(3, Body(w));
    if (modDB::AddRecord() != 1) return 1;
  }
  modDB::CloseDatabase();
  return 0;
}

}  // namespace

int main() {
  const bench::QuietHost host;
  modLIB::SetTwipsPerPixel(15, 15);
  const bench::Folder folder("qf-bench-appends");
  const std::string base = folder / "shared";
  bench::SaveForm(base, {{"Who", 2}, {"Seq", 5}, {"Body", kBody}});
  modDB::InitHeader();

  const auto t0 = bench::Clock::now();
  int failedWriters = 0;
  for (const bench::ChildRun& r : bench::InChildren(kWriters, [&](int w) { return Writer(base, w); }))
    failedWriters += r.code != 0;
  const double seconds = bench::Since(t0);

  const std::string bytes = qftest::ReadFile(base + ".Qfd");
  const int32_t count = qftest::I32At(bytes, 0);

  int torn = 0, doubled = 0, outOfOrder = 0;
  std::map<std::pair<int, int>, int> seen;
  std::vector<int> last(kWriters, 0);
  for (int32_t n = 1; n <= count && qftest::kHead + static_cast<size_t>(n) * kLength <= bytes.size(); ++n) {
    const std::string rec = qftest::RecordAt(bytes, n, kLength);
    const int w = std::atoi(rec.substr(1, 2).c_str()), seq = std::atoi(rec.substr(3, 5).c_str());
    if (rec[0] != ' ' || w < 0 || w >= kWriters || seq < 1 || seq > kEach || rec.substr(8) != Body(w) ||
        rec.substr(1, 2) != Num(w, 2)) {
      ++torn;
      continue;
    }
    if (++seen[{w, seq}] > 1) ++doubled;
    if (seq <= last[static_cast<size_t>(w)]) ++outOfOrder;
    last[static_cast<size_t>(w)] = seq;
  }
  const int expected = kWriters * kEach;
  const int kept = static_cast<int>(seen.size());
  const bool lengthAgrees = bytes.size() == qftest::kHead + static_cast<size_t>(count) * kLength;

  std::printf("appends: %d processes x %d records on one file (record length %d)\n", kWriters, kEach, kLength);
  std::printf("  time          %.2f s (%.0f appends/s)\n", seconds, expected / seconds);
  std::printf("  kept          %d of %d (count %d, file length %s)\n", kept, expected, count,
              lengthAgrees ? "agrees" : "does NOT agree");
  std::printf("  lost %d, doubled %d, torn %d, out of order %d, failed writers %d\n", expected - kept, doubled, torn,
              outOfOrder, failedWriters);
  const bool ok = kept == expected && count == expected && doubled == 0 && torn == 0 && outOfOrder == 0 &&
                  failedWriters == 0 && lengthAgrees;
  return ok ? 0 : 1;
}
