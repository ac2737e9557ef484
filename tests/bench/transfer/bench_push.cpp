// The push of a full database (65,530 records of eight typed fields, about 300 bytes
// each) into a PostgreSQL server of the benchmark's own, by `qfd push` as a user runs
// it: the first push inserts every record (goal: under 10 s), the second changes no
// row. The reference, measured in the same run: psql \copy of the database's CSV
// export into a table of the same columns (text), and the export itself.

#include "engine/modDB.h"
#include "tests/bench/engine/BenchTiming.h"
#include "tests/support/PgServer.h"

namespace {

constexpr int32_t kRecords = 65530;

using bench::Check;

// Seconds that argv takes; it must succeed and print `expect` (when given).
double Timed(const std::vector<std::string>& argv, const std::string& expect = "") {
  const auto t0 = bench::Clock::now();
  const qftest::RunResult r = qftest::Run(argv);
  const double s = bench::Since(t0);
  Check(r.status == 0 && (expect.empty() || r.out == expect), argv[1] + ": " + r.out + r.err);
  return s;
}

std::string MakeDatabase(const std::string& base) {
  bench::SaveForm(base, {{"Id", 6, "N"}, {"Name", 40, "*"}, {"Age", 3, "N"}, {"Weight", 6, "N."},
                         {"Born", 10, "D"}, {"At", 8, "T"}, {"City", 30, "AU"}, {"Notes", 200, "*"}});
  bench::AppendRecords(base, kRecords, {}, [](int32_t r, std::string& rec, const modDB::FormHeader& h) {
    const std::string values[] = {std::to_string(r),
                                  "Name " + std::to_string(r * 7919 % 100000) + " \xE9t\xE9",
                                  std::to_string(r % 100),
                                  std::to_string(40 + r % 60) + "." + std::to_string(r % 10),
                                  (r % 28 < 9 ? "0" : "") + std::to_string(r % 28 + 1) + "/0" + std::to_string(r % 9 + 1) + "/19" + std::to_string(50 + r % 50),
                                  "12:" + std::to_string(10 + r % 50) + ":00",
                                  "CITY " + std::to_string(r % 500),
                                  std::string(150, static_cast<char>('a' + r % 26)) + ", \"quoted\""};
    for (int k = 0; k < 8; ++k)
      rec.replace(static_cast<size_t>(h.Fields[k + 1].Offset), values[k].size(), values[k]);
  });
  return base;
}

}  // namespace

int main() {
  qftest::TempDir dir;
  const std::string db = MakeDatabase(dir / "Survey");
  qftest::PgServer pg;
  const std::string qfd = qftest::ToolPath("qfd");
  const std::vector<std::string> args = {qfd, "push", db, "--to", pg.Url(), "--key", "Id", "--site", "north"};
  const double first = Timed(args, "65530 inserted, 0 updated, 0 unchanged, 0 conflicts\n");
  const double second = Timed(args, "0 inserted, 0 updated, 65530 unchanged, 0 conflicts\n");
  const qftest::RunResult count = pg.Psql("SELECT count(*), max(\"_revision\") FROM \"Survey\"");
  Check(count.out == "count,max\n65530,1\n", "rows: " + count.out);

  // The reference: the CSV export, then psql \copy of it into a table of text columns.
  const double exportCsv = Timed({qfd, "export", db, dir / "s.csv", "--rfc4180"});
  Check(pg.Psql("CREATE TABLE plain (n int, \"Id\" text, \"Name\" text, \"Age\" text, \"Weight\" text, "
                "\"Born\" text, \"At\" text, \"City\" text, \"Notes\" text)")
                .status == 0,
        "create");
  const double copy = Timed({qftest::Which("psql"), "-X", "-q", "-v", "ON_ERROR_STOP=1", "-d", pg.Url(), "-c",
                             "\\copy plain FROM '" + (dir / "s.csv") + "' WITH (FORMAT csv, HEADER true, ENCODING 'WIN1252')"});
  std::printf("push: %d records of 304 bytes into PostgreSQL (a server of its own, Unix socket)\n", kRecords);
  std::printf("  %-40s %8.1f ms\n", "qfd export --rfc4180 (reference)", exportCsv * 1000);
  std::printf("  %-40s %8.1f ms\n", "psql \\copy of that CSV (reference)", copy * 1000);
  std::printf("  %-40s %8.1f ms   %5.2f x copy   (goal: under 10 s)\n", "qfd push, first: 65530 inserted",
              first * 1000, first / copy);
  std::printf("  %-40s %8.1f ms   %5.2f x copy   (0 rows changed)\n", "qfd push, second: 0 changed", second * 1000,
              second / copy);
  return 0;
}
