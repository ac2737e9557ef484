// The record table's sort over a full database (65,530 records), one column of each
// kind: text, numbers and dates. Each figure is the time from the click on the
// heading to the refilled table (frmBrowse::SortBy), beside GNU sort of the same
// values written one a line to a file, run as its own process in the same run:
//
//   text     LC_ALL=C sort            (byte order, as the table compares text)
//   numbers  LC_ALL=C sort -n
//   dates    LC_ALL=C sort -t/ -k3,3n -k2,2n -k1,1n   (DD/MM/YYYY)
//
// Every figure is the best of five runs. Goal: at most 2 x GNU sort, and no sort
// over 100 ms. The table's order is checked too: every key no less than the one
// before it.
#include <QApplication>

#include "engine/modDB.h"
#include "entry/frmBrowse.h"
#include "entry/modBrowse.h"
#include "tests/bench/engine/BenchTiming.h"

namespace {

constexpr int32_t kRecords = 65530;
constexpr int kText = 24, kNumber = 12, kDate = 10;

using bench::Seconds;
using bench::Shell;

// A fixed pseudo-random sequence, so that every run sorts the same values.
uint64_t state = 88172645463325252ull;
uint32_t Next() {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return static_cast<uint32_t>(state >> 11);
}

struct Values {
  std::vector<std::string> text, number, date;
};

// Text: names from a small stock (many ties) or random letters, mixed case, some
// blank; numbers: signed whole and decimal values, some blank; dates: 1900 ... 2099.
Values MakeValues() {
  static const char* stock[] = {"Smith", "smith", "Jones", "O'Neil", "van Dyke", "Zoe", "adams", "Baker"};
  Values v;
  for (int32_t n = 1; n <= kRecords; ++n) {
    std::string t;
    const uint32_t r = Next();
    if (r % 50 == 0) {
      t = "";
    } else if (r % 3 == 0) {
      t = stock[r / 3 % 8];
    } else {
      const int len = 3 + static_cast<int>(Next() % 18);
      for (int k = 0; k < len; ++k) {
        const uint32_t c = Next() % 60;
        t += c < 26 ? static_cast<char>('A' + c) : c < 52 ? static_cast<char>('a' + c - 26) : ' ';
      }
      while (!t.empty() && t.back() == ' ') t.pop_back();
    }
    v.text.push_back(t);
    std::string num;
    const uint32_t q = Next();
    if (q % 40 != 0) {
      num = std::to_string(static_cast<int64_t>(Next() % 2000000) - 1000000);
      if (q % 3 == 0) num += "." + std::to_string(Next() % 100);
    }
    v.number.push_back(num);
    char day[16];
    std::snprintf(day, sizeof day, "%02u/%02u/%04u", 1 + Next() % 28, 1 + Next() % 12, 1900 + Next() % 200);
    v.date.push_back(day);
  }
  return v;
}

void MakeDatabase(const std::string& base, const Values& v) {
  bench::SaveForm(base, {{"Name", kText, "AS", 120}, {"Amount", kNumber, "N.-", 120}, {"Day", kDate, "D", 120}});
  const auto pad = [](const std::string& s, size_t k) { return (s + std::string(k, ' ')).substr(0, k); };
  bench::WriteRaw(base, kRecords, [&](int32_t n) {
    return " " + pad(v.text[n - 1], kText) + pad(v.number[n - 1], kNumber) + pad(v.date[n - 1], kDate);
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bench::QuietHost host;
  const bench::Folder dir("qf-bench-sort");
  const Values values = MakeValues();
  const std::string base = dir / "table";
  MakeDatabase(base, values);
  bench::Open(base);

  modBrowse::ClearBrowseColumns();
  for (int16_t k = 1; k <= 3; ++k) modBrowse::IncludeBrowseColumn(k);
  modBrowse::BrowseFile = modDB::GetFileNumber();
  frmBrowse table;
  table.show();
  QApplication::processEvents();

  struct Column {
    const char* what;
    const std::vector<std::string>* cells;
    std::string sortArgs;
  } columns[] = {{"text", &values.text, "sort"},
                 {"numbers", &values.number, "sort -n"},
                 {"dates", &values.date, "sort -t/ -k3,3n -k2,2n -k1,1n"}};
  std::printf("  record table sort, %d rows (best of 5)\n", kRecords);
  bool ok = true;
  for (int k = 1; k <= 3; ++k) {
    const Column& c = columns[k - 1];
    const std::string file = dir / c.what;
    {
      std::ofstream out(file, std::ios::binary);
      for (const std::string& l : *c.cells) out << l << '\n';
    }
    const double gnu = Seconds([&] { Shell("LC_ALL=C " + c.sortArgs + " -o /dev/null '" + file + "'"); });
    const double ours = Seconds([&] { table.SortBy(k); });
    // The order: no key smaller than the one before it.
    bool ordered = true;
    for (int32_t r = 2; r <= kRecords && ordered; ++r) {
      const std::string a = table.GetSortedCell(r - 1, static_cast<int16_t>(k));
      const std::string b = table.GetSortedCell(r, static_cast<int16_t>(k));
      if (k == 1) ordered = !(b < a);
      else if (k == 2) ordered = !(frmBrowse::NumberKey(b) < frmBrowse::NumberKey(a));
      else ordered = !(frmBrowse::DateKey(b, 1) < frmBrowse::DateKey(a, 1));
    }
    const bool met = ours <= 2 * gnu && ours <= 0.1;
    std::printf("  %-8s %8.1f ms   GNU %-30s %7.1f ms   %5.2f x GNU sort   %s%s\n", c.what, ours * 1000,
                c.sortArgs.c_str(), gnu * 1000, ours / gnu, met ? "within goal" : "OVER GOAL",
                ordered ? "" : "   NOT IN ORDER");
    ok = ok && ordered;
  }
  table.SortBy(0);
  table.close();
  modDB::CloseDatabase();
  return ok ? 0 : 1;
}
