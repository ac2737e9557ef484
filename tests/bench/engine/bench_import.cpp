// The CSV import of a full database: 65,530 rows of about 1 KB (ten fields: a "#"
// field, a date, a time, an upper-case code and six texts of 145 characters, with
// commas and doubled quotes), checked and
// appended to an empty database, beside the time `cp` takes to copy the resulting
// database, measured in the same run. Best of five runs each. Goal: at most 3 x cp.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "CsvImport.h"
#include "modDB.h"
#include "modLIB.h"
#include "BenchTiming.h"

using namespace modDB;
namespace fs = std::filesystem;

namespace {

constexpr int32_t kRecords = 65530;

struct QuietHost final : Host {
  int MsgBox(const std::string& text, int style, const std::string& title) override {
    std::fprintf(stderr, "unexpected message: %s: %s\n", title.c_str(), text.c_str());
    return DefaultAnswer(style);
  }
  void DoEvents() override {}
  void ShowPer(int32_t, int32_t) override {}
  void HidePer() override {}
};

using bench::Q;
using bench::Seconds;
using bench::Shell;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
  }
}

}  // namespace

int main() {
  QuietHost host;
  SetHost(&host);
  const fs::path dir = fs::temp_directory_path() / ("qf-bench-import-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string empty = (dir / "empty").string(), db = (dir / "db").string();
  const std::string csv = (dir / "in.csv").string(), copy = (dir / "copy.Qfd").string();

  // The form: No "#", Born "D", At "T", Code "ANSU" (100) and six free text fields of 145:
  // records of 994 bytes.
  InitHeader();
  const char* formats[] = {"#", "D", "T", "ANSU", "*", "*", "*", "*", "*", "*"};
  const int lengths[] = {5, 10, 8, 100, 145, 145, 145, 145, 145, 145};
  std::string heading;
  for (int k = 0; k < 10; ++k) {
    FieldDef f;
    f.Name.Set("Field" + std::to_string(k + 1));
    f.Length = static_cast<int16_t>(lengths[k]);
    f.Format.Set(formats[k]);
    f.Page = 1;
    Check(AddField(f) != 0, "AddField");
    heading += (k ? "," : "") + std::string("Field") + std::to_string(k + 1);
  }
  std::string name = empty;
  Check(SaveHeader(name) == 1, "SaveHeader");
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
  int64_t readMs = 0;
  const double import = Seconds(
      [&] {
        std::string n = db;
        Check(OpenDatabase(n) == 1, "OpenDatabase");
        const auto t0 = std::chrono::steady_clock::now();
        CsvImport plan;
        Check(ReadCsvImport(csv, {}, plan) == 1 && plan.good == kRecords, "ReadCsvImport");
        readMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        Check(WriteCsvImport(plan, false) == 1, "WriteCsvImport");
        Check(GetRecordCount() == kRecords, "count");
        CloseDatabase();
      },
      fresh);
  // A part of it: splitting the text into rows alone.
  std::string text;
  {
    std::ifstream in(csv, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  const double split = Seconds([&] {
    int64_t values = 0;
    ParseCsv(text, [&](CsvRow& r, const std::string&) { values += static_cast<int64_t>(r.values.size()); });
    Check(values == int64_t{kRecords + 1} * 10, "ParseCsv");
  });
  const double cp = Seconds([&] { Shell("cp " + Q(db + ".Qfd") + " " + Q(copy)); }, [&] { fs::remove(copy); });
  std::printf("import: %d rows of about 1 KB (%.1f MB of CSV) into an empty database (%.1f MB)\n", kRecords,
              static_cast<double>(fs::file_size(csv)) / 1e6, static_cast<double>(fs::file_size(db + ".Qfd")) / 1e6);
  std::printf("  %-34s %8.1f ms\n", "cp of the result (reference)", cp * 1000);
  std::printf("  %-34s %8.1f ms   %5.2f x cp   (goal: at most 3 x cp)\n", "import, read + checks + append",
              import * 1000, import / cp);
  std::printf("  %-34s %8lld ms   (last run)\n", "  of which read + checks", static_cast<long long>(readMs));
  std::printf("  %-34s %8.1f ms\n", "  splitting into rows alone", split * 1000);
  fs::remove_all(dir);
  return 0;
}
