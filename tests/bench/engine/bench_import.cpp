// The CSV import of a full database: 65,530 rows of about 1 KB (ten fields: a "#"
// field, a date, a time, an upper-case code and six texts of 145 characters, with
// commas and doubled quotes), checked and
// appended to an empty database, beside the time `cp` takes to copy the resulting
// database, measured in the same run: eleven rounds of both, the best of each. Goal: at
// most 3 x cp. Then as many rounds of the same import with the change history kept
// (one line per row); goal: at most 2 x the import without. Then the peak memory of one import
// (in a process of its own) beside the size of the records it writes, and that of an
// import refused for a file of ten million one-character rows (a database holds 65,530).

#include "engine/transfer/CsvImport.h"
#include "engine/history/History.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "tests/bench/engine/BenchTiming.h"
#include "tests/support/RecordingHost.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kRecords = 65530;

using bench::Check;
using bench::Seconds;

}  // namespace

int main() {
  const bench::QuietHost host;
  const bench::Folder dir("qf-bench-import");
  const std::string empty = dir / "empty", db = dir / "db", csv = dir / "in.csv", copy = dir / "copy.Qfd";

  // The form: No "#", Born "D", At "T", Code "ANSU" (100) and six free text fields of 145:
  // records of 994 bytes.
  const char* formats[] = {"#", "D", "T", "ANSU", "*", "*", "*", "*", "*", "*"};
  const int lengths[] = {5, 10, 8, 100, 145, 145, 145, 145, 145, 145};
  std::vector<bench::FieldShape> fields;
  std::string heading;
  for (int k = 0; k < 10; ++k) {
    fields.push_back({"Field" + std::to_string(k + 1), lengths[k], formats[k]});
    heading += (k ? "," : "") + fields.back().name;
  }
  bench::SaveForm(empty, fields);
  {
    std::ofstream out(csv, std::ios::binary);
    out << heading << "\r\n";
    std::string line;
    for (int32_t n = 1; n <= kRecords; ++n) {
      line = std::to_string(n) + ",01/02/2003,12:34:56,\"code " + std::to_string(n) + std::string(80, 'x') + "\"";
      for (int k = 4; k < 10; ++k) {
        std::string v = "value " + std::to_string(n) + "." + std::to_string(k) + ", \"quoted\" ";
        v.resize(143, 'v');
        std::string quoted;
        for (char c : v) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += ",\"" + quoted + "\"";
      }
      line += "\r\n";
      out << line;
    }
  }
  auto fresh = [&] {
    fs::copy_file(empty + ".Qfd", db + ".Qfd", fs::copy_options::overwrite_existing);
  };
  // Rounds of one import and one cp, taken in turn so that both meet the same moments of
  // a busy machine; the figures are the best of each, and the middle of each.
  // Each starts with nothing left to write back from the one before.
  constexpr int kRounds = 11;
  std::vector<double> reads;
  // One import into the fresh copy: its seconds, those of reading and checking in `read`.
  auto importOnce = [&](double* read) {
    const auto t0 = bench::Clock::now();
    bench::Open(db);
    modDB::CsvImport plan;
    Check(modDB::ReadCsvImport(csv, {}, plan) == 1 && plan.good == kRecords, "ReadCsvImport");
    if (read) *read = bench::Since(t0);
    Check(modDB::WriteCsvImport(plan, false) == 1, "WriteCsvImport");
    Check(modDB::GetRecordCount() == kRecords, "count");
    modDB::CloseDatabase();
    return bench::Since(t0);
  };
  const auto settled = [&] {
    fresh();
    ::sync();
  };
  const auto plain = bench::Turns(
      kRounds, {{[&] { importOnce(&reads.emplace_back()); }, settled}, bench::Cp(db + ".Qfd", copy, false, true)});
  const std::vector<double>&imports = plain[0], &copies = plain[1];
  // The same import with the change history kept, in rounds of its own afterwards: its
  // 80 MB of history would otherwise weigh on the plain imports that follow it.
  const auto histories = bench::Turns(kRounds, {{[&] { importOnce(nullptr); }, [&] {
                                                   fs::remove(db + ".Qfh");
                                                   fresh();
                                                   Check(modDB::StartHistory(db).empty(), "StartHistory");
                                                   ::sync();
                                                 }}})[0];
  const uintmax_t historyBytes = fs::file_size(db + ".Qfh");
  fs::remove(db + ".Qfh");
  const double import = bench::Best(imports), cp = bench::Best(copies), read = bench::Best(reads);
  using bench::Middle;
  // A part of it: splitting the text into rows alone.
  std::string text = qftest::ReadFile(csv);
  const double split = Seconds([&] {
    int64_t values = 0;
    modDB::ParseCsv(text, [&](modDB::CsvRow& r, const std::string&) { values += std::ssize(r.values); });
    Check(values == int64_t{kRecords + 1} * 10, "ParseCsv");
  });
  std::printf("import: %d rows of about 1 KB (%.1f MB of CSV) into an empty database (%.1f MB)\n", kRecords,
              static_cast<double>(fs::file_size(csv)) / 1e6, static_cast<double>(fs::file_size(db + ".Qfd")) / 1e6);
  std::printf("  %-34s %8.1f ms   (best of %d)\n", "cp of the result (reference)", cp * 1000, kRounds);
  std::printf("  %-34s %8.1f ms   %5.2f x cp   (goal: at most 3 x cp)\n", "import, read + checks + append",
              import * 1000, import / cp);
  std::printf("  %-34s %8.1f ms\n", "  of which read + checks", read * 1000);
  std::printf("  %-34s %8.1f ms   %5.2f x cp   (the middle import of %d, beside the middle cp, %.1f ms)\n",
              "  middle round", Middle(imports) * 1000, Middle(imports) / Middle(copies), kRounds,
              Middle(copies) * 1000);
  std::printf("  %-34s %8.1f ms\n", "  splitting into rows alone", split * 1000);
  const double history = bench::Best(histories);
  std::printf("  %-34s %8.1f ms   %5.2f x without   (goal: at most 2 x; history %.1f MB)\n",
              "import with the change history kept", history * 1000, history / import,
              static_cast<double>(historyBytes) / 1e6);
  std::printf("  %-34s %8.1f ms   %5.2f x without\n", "  middle round", Middle(histories) * 1000,
              Middle(histories) / Middle(imports));
  std::string().swap(text);

  // Memory: one import in a process of its own, beside the records it writes; then a
  // file of ten million one-character rows, refused once the rows pass what a
  // database holds.
  const double recordsMb = static_cast<double>(fs::file_size(db + ".Qfd") - qftest::kHead) / 1048576.0;
  const bench::ChildRun full = bench::InChildren(1, [&](int) {
    fresh();
    importOnce(nullptr);
    return 0;
  })[0];
  Check(full.code == 0, "import in a child");
  const bench::ChildRun base = bench::InChildren(1, [](int) { return 0; })[0];
  {
    std::ofstream out(csv, std::ios::binary);
    out << heading << "\r\n";
    std::string block;
    for (size_t i = 0; i < (size_t{2} << 20); ++i) block += "1\n";
    for (int k = 0; k < 5; ++k) out << block;  // 10,485,760 rows, 20 MB
  }
  // An import refused with the one expected message, in a process of its own.
  auto refused = [&](const char* expected) {
    return bench::InChildren(1, [&](int) {
      fresh();
      bench::Open(db);
      const modDB::RecordingHost seen;
      modDB::CsvImport plan;
      const bool no = modDB::ReadCsvImport(csv, {}, plan) == 0;
      return no && seen.boxes.size() == 1 && seen.Last().find(expected) != std::string::npos ? 0 : 1;
    })[0];
  };
  const bench::ChildRun flood = refused("has more than 65530 rows");
  Check(flood.code == 0, "the flood of rows refused");
  {
    std::ofstream out(csv, std::ios::binary);
    out << heading << "\r\n" << std::string(size_t{20} << 20, ',') << "\r\n";  // one row of 20 MB of commas
  }
  const bench::ChildRun wide = refused("has more than 100000 values");
  Check(wide.code == 0, "the row of commas refused");
  std::printf("  %-34s %8.1f MB   beside %.1f MB of records written: %.2f x (the peak less that of a process of\n"
              "  %-34s             this program that does nothing, %.1f MB)\n",
              "peak memory of one import", full.peakMb - base.peakMb, recordsMb,
              (full.peakMb - base.peakMb) / recordsMb, "", base.peakMb);
  std::printf("  %-34s %8.1f MB   %6.0f ms (10,485,760 one-character rows, 20 MB, refused)\n",
              "peak memory, too many rows", flood.peakMb - base.peakMb, flood.seconds * 1000);
  std::printf("  %-34s %8.1f MB   %6.0f ms (one row of 20 MB of commas, refused; goal: a small multiple of the file)\n",
              "peak memory, one row of commas", wide.peakMb - base.peakMb, wide.seconds * 1000);
  return 0;
}
