// bench_history: the change history's cost when it has grown large.
//   save     open the database, change one field of a record, save, close (as one
//            `qfd set` does), beside a 200 MB history and beside an empty one;
//            goal: at most 1.2 x
//            (the first save beside the 200 MB history builds its index, untimed
//            but shown)
//   record   one record's history out of the 200 MB file, in a process of its own:
//            time and peak memory; goal: under 2 s and 100 MB (shown without the
//            index too)
// The database: 65,530 records of ten fields; the history: their import, then edits of
// random fields of random records, each followed by its mark, up to 200 MB.

#include <random>

#include "engine/history/History.h"
#include "engine/modDB.h"
#include "tests/bench/engine/BenchTiming.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kRecords = 65530;
constexpr int kFields = 10, kLength = 10;
constexpr int64_t kHistoryBytes = int64_t{200} << 20;

using bench::Check;

std::string Name(int f) { return "F" + std::to_string(f); }

// The database with its records, and its history as described above.
void Make(const std::string& base, bool bigHistory) {
  bench::SaveForm(base, bench::Fields(kFields, kLength, "F", 0));
  std::vector<std::string> values(static_cast<size_t>(kRecords) * kFields, "v0");
  std::string hist = modDB::HistoryHeading() + "\n\n";
  if (bigHistory) {
    const std::string start = "2026-12-07T10:00:00Z,ann,desk,qfd,";
    for (int32_t r = 1; r <= kRecords; ++r) {
      hist += start + "import," + std::to_string(r) + ",,(record),,\"{";
      for (int f = 0; f < kFields; ++f) hist += (f ? "," : "") + std::string("\"\"") + Name(f) + "\"\":\"\"v0\"\"";
      hist += "}\"\n";
    }
    hist += "\n";
    std::mt19937 rng(7);
    for (int64_t i = 1; static_cast<int64_t>(hist.size()) < kHistoryBytes; ++i) {
      const int32_t r = static_cast<int32_t>(rng() % kRecords) + 1;
      const int f = static_cast<int>(rng() % kFields);
      std::string& v = values[static_cast<size_t>(r - 1) * kFields + static_cast<size_t>(f)];
      const std::string now = "v" + std::to_string(i % 100000000);
      hist += start + "edit," + std::to_string(r) + ",," + Name(f) + "," + v + "," + now + "\n\n";
      v = now;
    }
  }
  bench::AppendRecords(base, kRecords, {}, [&](int32_t r, std::string& rec, const modDB::FormHeader&) {
    for (int f = 0; f < kFields; ++f) {
      const std::string& v = values[static_cast<size_t>(r - 1) * kFields + static_cast<size_t>(f)];
      rec.replace(1 + static_cast<size_t>(f) * kLength, v.size(), v);
    }
  });
  std::ofstream(modDB::HistoryFileOf(base), std::ios::binary) << hist;
}

// One save of a random record as a program of its own would make it (the history
// opened afresh).
void Save(const std::string& base, std::mt19937& rng, int i) {
  bench::Open(base);
  modDB::SetRecordNo(static_cast<int32_t>(rng() % kRecords) + 1);
  modDB::WriteField(static_cast<int16_t>(rng() % kFields + 1), "s" + std::to_string(i));
  Check(modDB::WriteRecord() == 1, "write");
  modDB::CloseDatabase();
}

// Seconds per save beside each of the two histories: the median of 1,000 saves each,
// the saves of the two taking turns so that both meet the same load of the machine.
// The first save of each, untimed, builds the history's index; what it wrote is on
// the disk before the timed saves start.
std::pair<double, double> SaveSeconds(const std::string& none, const std::string& big) {
  std::mt19937 rng(11);
  Save(none, rng, -1);
  const auto t0 = bench::Clock::now();
  Save(big, rng, -1);
  std::printf("  first save, building the index   %8.1f s\n", bench::Since(t0));
  ::sync();
  int i = 0;
  const auto times = bench::Turns(1000, {{[&] { Save(none, rng, i++); }}, {[&] { Save(big, rng, i++); }}});
  return {bench::Middle(times[0]), bench::Middle(times[1])};
}

// One record's history, as `qfd history FILE 4242` reads it; prints the process's
// peak memory in kB.
int ReadOne(const std::string& base) {
  std::vector<modDB::HistoryEntry> lines;
  const bool ok = modDB::ReadRecordHistory(base, 4242, lines).empty() && !lines.empty();
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) std::printf("%ld\n", std::atol(line.c_str() + 6));
  return ok ? 0 : 1;
}

// Runs ReadOne in a fresh process: its seconds and peak MB.
std::pair<double, double> RecordRun(const std::string& self, const std::string& base) {
  std::fflush(nullptr);
  const auto t0 = bench::Clock::now();
  FILE* p = ::popen(("'" + self + "' --record '" + base + "'").c_str(), "r");
  Check(p != nullptr, "record history");
  long kb = 0;
  Check(std::fscanf(p, "%ld", &kb) == 1, "record history's memory");
  Check(::pclose(p) == 0, "record history");
  return {bench::Since(t0), kb / 1024.0};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--record") return ReadOne(argv[2]);
  const bench::QuietHost host;
  const bench::Folder dir("qf-bench-history");
  const std::string big = dir / "big", none = dir / "none";
  Make(big, true);
  Make(none, false);
  const double mb = static_cast<double>(fs::file_size(big + ".Qfh")) / (1 << 20);
  std::printf("history: %.0f MB beside %d records of %d fields\n", mb, kRecords, kFields);
  const auto [empty, large] = SaveSeconds(none, big);
  std::printf("  save, empty history (reference)  %8.1f us\n", empty * 1e6);
  std::printf("  save, %.0f MB history            %8.1f us   %.2f x   (goal: at most 1.2 x)\n", mb, large * 1e6,
              large / empty);

  // One record's history in a process of its own, through the index; for comparison
  // without it (the history read back from its end).
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const auto [seconds, peak] = RecordRun(self, big);
  std::printf("  one record's history             %8.0f ms   peak %.0f MB   (goal: under 2 s and 100 MB)\n",
              seconds * 1e3, peak);
  fs::rename(big + ".Qfi", big + ".away");
  const auto [scanSeconds, scanPeak] = RecordRun(self, big);
  std::printf("    without the index              %8.0f ms   peak %.0f MB\n", scanSeconds * 1e3, scanPeak);
  return 0;
}
