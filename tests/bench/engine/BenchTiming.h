// What the benchmarks share: runs of pieces of work taken in turns (the best or the
// middle of each), `cp` of the same file as the reference figure, work in child
// processes with their peak memory, a host that only reports what should not be
// asked, a temporary folder, and the databases' making (a form of fields, records
// appended or written straight into the file).
#pragma once

#include <sys/resource.h>

#include "engine/modDB.h"
#include "tests/support/TestSupport.h"

namespace bench {

using Clock = std::chrono::steady_clock;
// Seconds since t0.
inline double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// A piece of work to time, and what prepares each run of it, untimed.
struct Run {
  std::function<void()> work;
  std::function<void()> before = [] {};
};

// `rounds` rounds of every run, one after the other, so that all meet the same moments
// of a busy machine: times[k] holds the seconds of each of run k's rounds.
inline std::vector<std::vector<double>> Turns(int rounds, const std::vector<Run>& runs) {
  std::vector<std::vector<double>> times(runs.size());
  for (int i = 0; i < rounds; ++i)
    for (size_t k = 0; k < runs.size(); ++k) {
      runs[k].before();
      const auto t0 = Clock::now();
      runs[k].work();
      times[k].push_back(Since(t0));
    }
  return times;
}

// The fastest and the middle of a set of timings.
inline double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
inline double Middle(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// Seconds of the fastest of `runs` runs of `work`; `before` prepares each run, untimed.
inline double Seconds(const Run& run, int runs = 5) { return Best(Turns(runs, {run})[0]); }
inline double Seconds(const std::function<void()>& work, const std::function<void()>& before = [] {}, int runs = 5) {
  return Seconds(Run{work, before}, runs);
}

// Ends the benchmark when `ok` is false.
inline void Check(bool ok, const std::string& what) {
  if (!ok) {
    std::fprintf(stderr, "failed: %s\n", what.c_str());
    std::exit(1);
  }
}

// Runs a shell command; a failure ends the benchmark.
inline void Shell(const std::string& command) { Check(std::system(command.c_str()) == 0, command); }

// A path quoted for the shell (the benchmarks' own temporary paths hold no quote).
inline std::string Q(const std::string& path) { return "'" + path + "'"; }

// The reference run: `cp FROM TO`, timed with `sync TO` after it when `sync`; the copy
// of the run before removed first, untimed (and the disk flushed when `settle`).
inline Run Cp(const std::string& from, const std::string& to, bool sync = false, bool settle = false) {
  const std::string cp = "cp " + Q(from) + " " + Q(to) + (sync ? " && sync " + Q(to) : "");
  return {[cp] { Shell(cp); }, [to, settle] {
            std::filesystem::remove(to);
            if (settle) ::sync();
          }};
}

// `count` child processes, each running `work(i)` (its exit status), waited for: each
// one's peak resident memory in MB (a child shares its parent's pages, so they count),
// exit status, and seconds from the start until it was reaped.
struct ChildRun {
  double peakMb = 0, seconds = 0;
  int code = -1;
};
inline std::vector<ChildRun> InChildren(int count, const std::function<int(int)>& work) {
  std::fflush(nullptr);
  const auto t0 = Clock::now();
  std::vector<pid_t> pids;
  for (int i = 0; i < count; ++i) {
    pids.push_back(::fork());
    if (pids.back() == 0) ::_exit(work(i));
    if (pids.back() < 0) std::exit(1);
  }
  std::vector<ChildRun> runs(pids.size());
  for (size_t i = 0; i < pids.size(); ++i) {
    int status = 0;
    struct rusage usage {};
    ::wait4(pids[i], &status, 0, &usage);
    runs[i] = {static_cast<double>(usage.ru_maxrss) / 1024.0, Since(t0), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  }
  return runs;
}

// The engine's host, from its making on, for work without a window: a message box
// should not come, and is reported (with the process, as several may run) and answered
// with its default; with `yes`, a question is answered Yes without a word (a rebuild
// asks whether to recover records).
struct QuietHost final : modDB::Host {
  explicit QuietHost(bool yes = false) : yes(yes) { modDB::SetHost(this); }
  int MsgBox(const std::string& text, int style, const std::string& title) override {
    if (yes && (style & 7) != 0) return modDB::vbYes;
    std::fprintf(stderr, "[%d] unexpected message: %s: %s\n", static_cast<int>(::getpid()), title.c_str(),
                 text.c_str());
    return modDB::DefaultAnswer(style);
  }
  void DoEvents() override {}
  void ShowPer(int32_t, int32_t) override {}
  void HidePer() override {}
  bool yes;
};

// A folder of its own under the temporary folder, removed at the end unless
// QF_BENCH_KEEP is set (to look at what a benchmark made).
struct Folder {
  explicit Folder(const std::string& name)
      : path(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~Folder() {
    const char* keep = std::getenv("QF_BENCH_KEEP");
    if (!keep || !*keep) std::filesystem::remove_all(path);
    else std::printf("kept in %s\n", path.c_str());
  }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  std::filesystem::path path;
};

struct FieldShape {
  std::string name;
  int length;
  const char* format = "";
  int width = 0;  // pixels on the form; 0 leaves the size to the engine
};
// `count` free text fields of `length`, named `prefix` and their number from `first`.
inline std::vector<FieldShape> Fields(int count, int length, const std::string& prefix = "Field", int first = 1) {
  std::vector<FieldShape> fields;
  for (int k = first; k < first + count; ++k) fields.push_back({prefix + std::to_string(k), length});
  return fields;
}

// A new design of these fields, all on page 1; SaveForm saves it as `base`.
inline void Design(const std::vector<FieldShape>& fields) {
  modDB::InitHeader();
  for (const FieldShape& shape : fields) {
    modDB::FieldDef f;
    f.Name.Set(shape.name);
    f.Length = static_cast<int16_t>(shape.length);
    f.Format.Set(shape.format);
    f.Page = 1;
    if (shape.width) f.Width = static_cast<int16_t>(shape.width), f.Height = 20;
    Check(modDB::AddField(f) != 0, "AddField " + shape.name);
  }
}
inline void SaveForm(const std::string& base, const std::vector<FieldShape>& fields) {
  Design(fields);
  std::string name = base;
  Check(modDB::SaveHeader(name) == 1, "SaveHeader");
}

inline void Open(const std::string& base) {
  std::string name = base;
  Check(modDB::OpenDatabase(name) == 1, "OpenDatabase " + base);
}
// `count` records appended to the database through the engine (the "#" fields of the
// slots `numbered` numbered by it); `fill` writes record n's values into its blank
// record at the fields' offsets.
inline void AppendRecords(const std::string& base, int32_t count, const std::vector<int16_t>& numbered,
                          const std::function<void(int32_t, std::string&, const modDB::FormHeader&)>& fill) {
  Open(base);
  const modDB::FormHeader h = modDB::GetHeader();
  std::string records;
  records.reserve(static_cast<size_t>(h.RecordLength) * static_cast<size_t>(count));
  for (int32_t n = 1; n <= count; ++n) {
    std::string rec(static_cast<size_t>(h.RecordLength), ' ');
    fill(n, rec, h);
    records += rec;
  }
  Check(modDB::AppendRecords(records, numbered, "BENCH") == 1, "AppendRecords");
  modDB::CloseDatabase();
}

// `count` records, `record(n)` the bytes of record n (its mark first), written straight
// after the saved header, and the count set.
inline void WriteRaw(const std::string& base, int32_t count, const std::function<std::string(int32_t)>& record) {
  std::ofstream out(base + ".Qfd", std::ios::binary | std::ios::app);
  for (int32_t n = 1; n <= count; ++n) out << record(n);
  out.close();
  qftest::PatchFile(base + ".Qfd", 0, qftest::WithI32(std::string(4, ' '), 0, count));
}

// WriteRaw of records of `fields` fields of `length` bytes; `value(n, k)` is field k's
// (from 0) value in record n, `mark(n)` whether record n is marked.
inline void WriteRecords(const std::string& base, int32_t count, int fields, int length,
                         const std::function<std::string(int32_t, int)>& value,
                         const std::function<bool(int32_t)>& mark = [](int32_t) { return false; }) {
  WriteRaw(base, count, [&](int32_t n) {
    std::string rec(mark(n) ? "*" : " ");
    for (int k = 0; k < fields; ++k) {
      std::string v = value(n, k);
      v.resize(static_cast<size_t>(length), ' ');
      rec += v;
    }
    return rec;
  });
}

}  // namespace bench
