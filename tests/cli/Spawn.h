// Starting programs without waiting for them, for the tests that run several at once
// or stop one in the middle of its work, and a forked child that holds a database or a
// lock open until it is killed.
#pragma once

#include "tests/support/TestSupport.h"

namespace clitest {

// Starts argv with no input, its output and errors sent to /dev/null; returns its process id.
inline pid_t Start(const std::vector<std::string>& argv) {
  return qftest::Spawn(argv, "/dev/null", "/dev/null", "/dev/null");
}

// Waits for the process; its exit status, or -1 when a signal ended it.
inline int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts a shell that runs qfd with `args` `times` times in a row, "$i" in an argument
// standing for the round (1, 2, ...); it ends with status 1 at qfd's first failure.
inline pid_t StartQfdLoop(int times, const std::vector<std::string>& args) {
  std::string run = "\"" + qftest::ToolPath("qfd") + "\"";
  for (const std::string& a : args) run += " \"" + a + "\"";
  return Start({"/bin/sh", "-c", "i=1; while [ $i -le " + std::to_string(times) + " ]; do " + run +
                                     " >/dev/null || exit 1; i=$((i+1)); done"});
}

// A forked child that holds something open (a database through the engine, a lock)
// until it is killed: `how` opens it and says whether that worked. The parent goes
// on once the child has it open.
class Holder {
 public:
  template <class Open>
  explicit Holder(Open how) {
    int ready[2];
    if (::pipe(ready) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      const char ok = how() ? '1' : '0';
      if (::write(ready[1], &ok, 1) != 1) _exit(2);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char got = 0;
    if (::read(ready[0], &got, 1) != 1) got = 0;
    ::close(ready[0]);
    opened_ = got == '1';
  }
  ~Holder() { Kill(); }
  bool opened() const { return opened_; }
  pid_t pid() const { return pid_; }
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  bool opened_ = false;
};

}  // namespace clitest
