// bench_history: the change history's cost when it has grown large.
//   save     open the database, change one field of a record, save, close (as one
//            `qfd set` does), beside a 200 MB history and beside an empty one;
//            goal: at most 1.2 x
//   record   one record's history out of the 200 MB file, in a process of its own:
//            time and peak memory; goal: under 2 s and 100 MB
// The database: 65,530 records of ten fields; the history: their import, then edits of
// random fields of random records, each followed by its mark, up to 200 MB.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/history/History.h"
#include "engine/modDB.h"
#include "tests/bench/engine/BenchTiming.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kRecords = 65530;
constexpr int kFields = 10, kLength = 10;
constexpr int64_t kHistoryBytes = int64_t{200} << 20;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
  }
}

std::string Name(int f) { return "F" + std::to_string(f); }

// The database with its records, and its history as described above.
void Make(const std::string& base, bool bigHistory) {
  modDB::InitHeader();
  for (int f = 0; f < kFields; ++f) {
    modDB::FieldDef d;
    d.Name.Set(Name(f));
    d.Length = kLength;
    d.Page = 1;
    Check(modDB::AddField(d) != 0, "field");
  }
  std::string name = base;
  Check(modDB::SaveHeader(name) == 1, "save");
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
  std::string records;
  records.reserve(static_cast<size_t>(kRecords) * (1 + kFields * kLength));
  for (int32_t r = 0; r < kRecords; ++r) {
    records += ' ';
    for (int f = 0; f < kFields; ++f) {
      std::string v = values[static_cast<size_t>(r) * kFields + static_cast<size_t>(f)];
      v.resize(kLength, ' ');
      records += v;
    }
  }
  Check(modDB::OpenDatabase(name) == 1, "open");
  Check(modDB::AppendRecords(records, {}, "IMPORT") == 1, "append");
  modDB::CloseDatabase();
  std::ofstream(modDB::HistoryFileOf(base), std::ios::binary) << hist;
}

// Seconds per save of `saves` saves of random records, each as a program of its own
// would make it (the history opened afresh each time).
double SaveSeconds(const std::string& base, int saves) {
  std::mt19937 rng(11);
  return bench::Seconds([&] {
           for (int i = 0; i < saves; ++i) {
             std::string name = base;
             Check(modDB::OpenDatabase(name) == 1, "open");
             modDB::SetRecordNo(static_cast<int32_t>(rng() % kRecords) + 1);
             modDB::WriteField(static_cast<int16_t>(rng() % kFields + 1), "s" + std::to_string(i));
             Check(modDB::WriteRecord() == 1, "write");
             modDB::CloseDatabase();
           }
         }, [] {}, 1) /
         saves;
}

}  // namespace

int main() {
  bench::QuietHost host;
  SetHost(&host);
  const fs::path dir = fs::temp_directory_path() / ("qf-bench-history-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string big = (dir / "big").string(), none = (dir / "none").string();
  Make(big, true);
  Make(none, false);
  const double mb = static_cast<double>(fs::file_size(big + ".Qfh")) / (1 << 20);
  std::printf("history: %.0f MB beside %d records of %d fields\n", mb, kRecords, kFields);
  const double empty = SaveSeconds(none, 20), large = SaveSeconds(big, 20);
  std::printf("  save, empty history (reference)  %8.1f us\n", empty * 1e6);
  std::printf("  save, %.0f MB history            %8.1f us   %.2f x   (goal: at most 1.2 x)\n", mb, large * 1e6,
              large / empty);

  // One record's history in a process of its own.
  std::fflush(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<modDB::HistoryEntry> lines;
    ::_exit(modDB::ReadRecordHistory(big, 4242, lines).empty() && !lines.empty() ? 0 : 1);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  Check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "record history");
  std::printf("  one record's history             %8.0f ms   peak %.0f MB   (goal: under 2 s and 100 MB)\n",
              seconds * 1e3, static_cast<double>(usage.ru_maxrss) / 1024.0);
  fs::remove_all(dir);
  return 0;
}
