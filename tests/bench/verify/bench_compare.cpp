// `qfd compare --csv` of two files of 65,530 records of 1,001 bytes (about 66 MB
// each) that two clerks keyed from the same forms: B differs from A in one field of
// every 97th record, lacks every 1,000th record of A and has as many of its own.
// The figure is the best of five runs of the whole program, beside `cp` of one file
// in the same run; the goal is under a second. Every difference must be reported.

#include "engine/modDB.h"
#include "tests/bench/engine/BenchTiming.h"

namespace {

constexpr int32_t kRecords = 65530;
constexpr int kFields = 10, kFieldLength = 100;

// The file of kRecords records written straight; field 1 is the key "K<n>".
void MakeDatabase(const std::string& base, bool second) {
  bench::SaveForm(base, bench::Fields(kFields, kFieldLength));
  bench::WriteRecords(base, kRecords, kFields, kFieldLength, [&](int32_t n, int k) {
    const int32_t key = second && n % 1000 == 0 ? kRecords + n : n;
    std::string v = k == 0 ? "K" + std::to_string(key) : "value " + std::to_string(n) + "." + std::to_string(k);
    if (second && k == n % kFields && k > 0 && n % 97 == 0) v += "x";
    return v;
  });
}

}  // namespace

int main() {
  const bench::Folder dir("qf-bench-compare");
  const std::string a = dir / "a", b = dir / "b", out = dir / "out.csv";
  MakeDatabase(a, false);
  MakeDatabase(b, true);
  int64_t expected = 0;
  for (int32_t n = 1; n <= kRecords; ++n) {
    if (n % 1000 == 0) expected += 2;  // only in A, and its stand-in only in B
    else if (n % 97 == 0 && n % kFields != 0) ++expected;
  }
  const std::string command = std::string(QF_QFD) + " compare " + bench::Q(a) + " " + bench::Q(b) +
                              " --key Field1 --csv > " + bench::Q(out);
  const double t = bench::Seconds([&] {
    const int rc = std::system(command.c_str());
    if (!WIFEXITED(rc) || WEXITSTATUS(rc) != 1) std::fprintf(stderr, "qfd compare exited with %d\n", rc);
  });
  const double cp = bench::Seconds(bench::Cp(a + ".Qfd", out + ".cp"));
  std::ifstream in(out);
  int64_t lines = -1;
  for (std::string line; std::getline(in, line);) ++lines;
  std::printf("compare (qfd compare --csv, 2 x %d records)\n", kRecords);
  std::printf("  %-34s %8.1f ms   %5.2f x cp   goal < 1000 ms: %s\n", "compare", t * 1000, t / cp,
              t < 1.0 ? "met" : "MISSED");
  std::printf("  %-34s %8lld of %lld: %s\n", "differences reported", static_cast<long long>(lines),
              static_cast<long long>(expected), lines == expected ? "all" : "WRONG");
  return lines == expected ? 0 : 1;
}
