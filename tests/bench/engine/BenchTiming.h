// The engine benchmarks' common measuring: the best of five runs of a piece of work,
// shell commands for the reference figures (`cp` of the same file), and a host that
// only reports what should not be asked.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "engine/modDB.h"

namespace bench {

// Seconds of the fastest of `runs` runs of `work`; `before` prepares each run, untimed.
inline double Seconds(const std::function<void()>& work, const std::function<void()>& before = [] {}, int runs = 5) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    before();
    const auto t0 = std::chrono::steady_clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

// Runs a shell command; a failure ends the benchmark.
inline void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// A path quoted for the shell (the benchmarks' own temporary paths hold no quote).
inline std::string Q(const std::string& path) { return "'" + path + "'"; }

// A host for work without a window: a message box should not come, and is reported
// (with the process, as several may run) and answered with its default.
struct QuietHost final : modDB::Host {
  int MsgBox(const std::string& text, int style, const std::string& title) override {
    std::fprintf(stderr, "[%d] unexpected message: %s: %s\n", static_cast<int>(::getpid()), title.c_str(),
                 text.c_str());
    return modDB::DefaultAnswer(style);
  }
  void DoEvents() override {}
  void ShowPer(int32_t, int32_t) override {}
  void HidePer() override {}
};

}  // namespace bench
