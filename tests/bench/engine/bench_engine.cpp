// The engine's work over a full database (65,530 records of 1,001 bytes, about
// 66 MB), each figure printed beside the time `cp` takes to copy the same file,
// measured in turns with it. Every figure is the best of five runs.
//
//   walk      OpenDatabase, then GotoNextRecord through every record
//   rebuild   SaveHeader over the database with two fields swapped (records recovered)
//   pack      PackRecords with every tenth record marked
//   export    the CSV export of all fields (flushed to disk, as the saves are)
//   open      OpenDatabase + CloseDatabase of the full database and of a 1-record one
//   write     one record read, changed and saved (SetRecordNo, WriteField, WriteRecord),
//             the entry window's Update of an edited record; again with the change
//             history kept (goal: at most 2 x without)
//
// Saving and packing flush the new file to disk before they report success; `cp`
// does not, so the plain-copy reference is shown also with a flush ("cp + sync").
// Each run starts with nothing left to write back from the one before.

#include "engine/transfer/CsvExport.h"
#include "engine/history/History.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "tests/bench/engine/BenchTiming.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kRecords = 65530;
constexpr int kFields = 10, kFieldLength = 100;  // record length 1,001

using bench::Open;
using bench::Seconds;

// A database of `count` records written straight into the file; every tenth marked
// when `marked`.
void MakeDatabase(const std::string& base, int32_t count, bool marked) {
  bench::SaveForm(base, bench::Fields(kFields, kFieldLength));
  bench::WriteRecords(
      base, count, kFields, kFieldLength,
      [](int32_t n, int k) { return "value " + std::to_string(n) + "." + std::to_string(k); },
      [&](int32_t n) { return marked && n % 10 == 0; });
}

void Row(const char* what, double seconds, double cp, double cpSync = 0) {
  std::printf("  %-34s %8.1f ms   %5.2f x cp", what, seconds * 1000, seconds / cp);
  if (cpSync > 0) std::printf("   %5.2f x cp + sync", seconds / cpSync);
  std::printf("\n");
}

// The seconds of `count` runs of `work`, the best of five, over `count`.
double Each(int count, const std::function<void(int)>& work) {
  return Seconds([&] {
           for (int i = 0; i < count; ++i) work(i);
         }) /
         count;
}

}  // namespace

int main() {
  const bench::QuietHost host(true);
  const bench::Folder dir("qf-bench");
  const std::string master = dir / "master", db = dir / "db", small = dir / "small", copy = dir / "copy.Qfd";
  MakeDatabase(master, kRecords, true);
  MakeDatabase(small, 1, false);
  const auto bytes = fs::file_size(master + ".Qfd");
  // A fresh copy of the database, on the disk before the run: its write-back would
  // otherwise fall into the flushes of the run that follows.
  auto fresh = [&] {
    fs::remove(db + ".Bak");
    fs::copy_file(master + ".Qfd", db + ".Qfd", fs::copy_options::overwrite_existing);
    ::sync();
  };
  fresh();

  // Each figure's runs take turns with runs of `cp` and `cp + sync` of the same file,
  // so that the work and its references meet the same moments of a busy machine.
  struct Beside {
    double work, cp, cpSync;
  };
  double cp = 1e9, cpSync = 1e9;  // the best of all rounds
  auto rounds = [&](const std::function<void()>& work, const std::function<void()>& before = [] {}) {
    const auto t =
        bench::Turns(5, {bench::Cp(master + ".Qfd", copy), bench::Cp(master + ".Qfd", copy, true), {work, before}});
    cp = std::min(cp, bench::Best(t[0]));
    cpSync = std::min(cpSync, bench::Best(t[1]));
    return Beside{bench::Best(t[2]), bench::Best(t[0]), bench::Best(t[1])};
  };

  const Beside walk = rounds([&] {
    Open(db);
    int32_t n = 1;
    while (modDB::GotoNextRecord() == 1) ++n;
    modDB::CloseDatabase();
    if (n != kRecords) std::exit(1);
  });
  const Beside rebuild = rounds(
      [&] {
        std::string name = db;
        bench::Check(modDB::SaveHeader(name) == 1, "SaveHeader");
      },
      [&] {
        fresh();
        bench::Design(bench::Fields(kFields, kFieldLength));
        modDB::MoveFieldDown(1);
      });
  const Beside pack = rounds(
      [&] {
        if (modDB::PackRecords() != 1) std::exit(1);
        modDB::CloseDatabase();
      },
      [&] {
        fresh();
        Open(db);
      });
  std::vector<bool> all(modDB::kMaxFields + 1, true);
  fresh();
  Open(db);
  const Beside exported = rounds([&] {
    if (modDB::ExportCsv(dir / "out.csv", all) != 1) std::exit(1);
  });
  modDB::CloseDatabase();

  auto opens = [&](const std::string& base) {
    return Each(2000, [&](int) {
      Open(base);
      modDB::CloseDatabase();
    });
  };
  const double openFull = opens(db), openSmall = opens(small);

  // Every run writes values of its own, so that each save changes a field.
  int run = 0;
  auto updates = [&] {
    Open(db);
    const double each = Each(20000, [&](int i) {
      if (i == 0) ++run;
      if (modDB::SetRecordNo(1 + (i * 7919) % kRecords) != 1) std::exit(1);
      modDB::WriteField(1, "written " + std::to_string(run) + "." + std::to_string(i));
      if (modDB::WriteRecord() != 1) std::exit(1);
    });
    modDB::CloseDatabase();
    return each;
  };
  const double write = updates();
  if (!modDB::StartHistory(db).empty()) std::exit(1);
  const double writeHistory = updates();
  const auto historyBytes = fs::file_size(db + ".Qfh");

  std::printf("database: %d records of %d bytes, %.1f MB\n", kRecords, 1 + kFields * kFieldLength,
              static_cast<double>(bytes) / 1e6);
  std::printf("  %-34s %8.1f ms\n", "cp (reference)", cp * 1000);
  std::printf("  %-34s %8.1f ms   %5.2f x cp\n", "cp + sync (reference)", cpSync * 1000, cpSync / cp);
  Row("walk with GotoNextRecord", walk.work, walk.cp);
  Row("SaveHeader rebuild, fields swapped", rebuild.work, rebuild.cp, rebuild.cpSync);
  Row("PackRecords, every tenth marked", pack.work, pack.cp, pack.cpSync);
  Row("CSV export, all fields", exported.work, exported.cp, exported.cpSync);
  std::printf("  %-34s %8.1f us\n", "open + close, 65,530 records", openFull * 1e6);
  std::printf("  %-34s %8.1f us   %5.2f x the full one\n", "open + close, 1 record", openSmall * 1e6,
              openSmall / openFull);
  std::printf("  %-34s %8.1f us\n", "read, change and save one record", write * 1e6);
  std::printf("  %-34s %8.1f us   %5.2f x without   (goal: at most 2 x; history %.1f MB at the end)\n",
              "  the same, change history kept", writeHistory * 1e6, writeHistory / write,
              static_cast<double>(historyBytes) / 1e6);
  return 0;
}
