// The whole-file check at scale: 65,530 records against 10 declared rules (ranges on
// numbers and dates, legal values, a required-if, a skip, two rules over the form),
// beside `cp` of the same file. One record in seven breaks a rule; the findings are
// counted and must come out the same in every run. Goal: under 1 s.

#include "checks/FileCheck.h"
#include "engine/modDB.h"
#include "tests/bench/engine/BenchTiming.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kRecords = modDB::kMaxRecords;

const std::vector<bench::FieldShape> kFields = {
    {"ID", 5, "#"},      {"AGE", 3, "N"},      {"SEX", 1, "U"},   {"PREG", 2, "N"},     {"ADMIT", 10, "D"},
    {"DISCH", 10, "D"},  {"WEIGHT", 3, "N"},   {"HEIGHT", 3, "N"}, {"SMOKER", 1, "Y"},  {"NAME", 30, "AS"}};

std::string Two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

qfchecks::Rules TenRules() {
  qfchecks::Rules r;
  r.Put({"AGE", "0", "120", {}, "", "", "", "", true});
  r.Put({"SEX", "", "", {{"M", "male"}, {"F", "female"}}, "", "SEX = \"M\"", "ADMIT", "", false});
  r.Put({"PREG", "", "", {}, "SEX = \"F\" And AGE > 12", "", "", "", false});
  r.Put({"ADMIT", "01/01/2000", "31/12/2026", {}, "", "", "", "", false});
  r.Put({"WEIGHT", "1", "300", {}, "", "", "", "", false});
  r.Put({"HEIGHT", "30", "250", {}, "", "", "", "", false});
  r.Put({"SMOKER", "", "", {{"Y", "yes"}, {"N", "no"}}, "", "", "", "", false});
  r.Checks.push_back({"Stay", "DISCH >= ADMIT", "Discharge before admission", true});
  r.Checks.push_back({"", "WEIGHT < HEIGHT", "", false});
  return r;
}

}  // namespace

int main() {
  const bench::QuietHost host;
  const bench::Folder dir("qf_bench_checks");
  const std::string base = dir / "patients";
  bench::SaveForm(base, kFields);
  int32_t broken = 0;
  bench::AppendRecords(base, kRecords, {1}, [&](int32_t n, std::string& rec, const modDB::FormHeader& h) {
    auto put = [&](int slot, const std::string& v) { rec.replace(static_cast<size_t>(h.Fields[slot].Offset), v.size(), v); };
    const bool bad = n % 7 == 0;
    broken += bad;
    const bool female = n % 2 == 0;
    put(2, std::to_string(20 + n % 60));
    put(3, female ? "F" : "M");
    if (female) put(4, std::to_string(n % 5));
    const int day = 1 + n % 27, month = 1 + n % 12;
    put(5, Two(day) + "/" + Two(month) + "/2020");
    put(6, Two(bad ? day : day + 1) + "/" + Two(month) + (bad ? "/2019" : "/2020"));
    put(7, std::to_string(50 + n % 50));
    put(8, std::to_string(150 + n % 40));
    put(9, n % 3 ? "N" : "Y");
    put(10, "Patient number " + std::to_string(n));
  });
  const qfchecks::Rules rules = TenRules();

  const std::string file = base + ".Qfd";
  const double cp = bench::Seconds(bench::Cp(file, base + ".copy"));
  qfchecks::Report report;
  bool same = true;
  const double check = bench::Seconds([&] {
    const std::string why = qfchecks::CheckFile(base, rules, report);
    same = same && why.empty() && static_cast<int32_t>(report.Findings.size()) == broken &&
           report.Records == kRecords;
  });
  std::printf("checks: %d records (%.1f MB) against 10 rules\n", kRecords,
              static_cast<double>(fs::file_size(file)) / 1e6);
  std::printf("  %-34s %8.1f ms   (best of 5)\n", "cp of the file (reference)", cp * 1000);
  std::printf("  %-34s %8.1f ms   %5.1f x cp   (goal: under 1000 ms)\n", "whole-file check", check * 1000,
              check / cp);
  std::printf("  %-34s %8zu   (expected %d)\n", "broken rules found", report.Findings.size(), broken);
  if (!same) {
    std::fprintf(stderr, "the check did not find exactly the records that break a rule\n");
    return 1;
  }
  return 0;
}
