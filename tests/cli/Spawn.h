// Starting programs without waiting for them, for the tests that run several at once
// or stop one in the middle of its work.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

extern char** environ;

namespace clitest {

// Starts argv with stdout and stderr sent to /dev/null; returns the process id.
inline pid_t Start(const std::vector<std::string>& argv) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
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

}  // namespace clitest
