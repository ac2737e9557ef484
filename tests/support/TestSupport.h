// Helpers shared by the tests: a temporary folder removed at the end of the test,
// whole-file reads and writes, and running a command as a user would. It also brings
// the standard and POSIX headers the tests use, so that no test lists them again.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace qftest {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Writes `bytes` over the file's own from offset `at`, as another program would (the
// file may be open here meanwhile).
void PatchFile(const std::string& path, size_t at, const std::string& bytes);

struct RunResult {
  int status = -1;  // exit status, or -1 when killed by a signal
  std::string out, err;
};
// Starts argv (argv[0] a path) with its standard input, output and errors on the
// given files, without waiting for it; returns its process id.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
            const std::string& err);
// Runs argv (argv[0] a path) with the given standard input; waits for it.
// (Inside a TEST body call it qualified, qftest::Run, or as RunProgram: gtest's
// Test::Run hides an unqualified Run.)
RunResult Run(const std::vector<std::string>& argv, const std::string& input = "");
inline RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input = "") {
  return Run(argv, input);
}

// Paths of the built programs (from the build folder the tests were built in).
std::string ToolPath(const std::string& name);  // "qfd", "qfscript"

// Runs the built qfd with the given arguments, as a user at the command line would.
inline RunResult Qfd(std::vector<std::string> args) {
  args.insert(args.begin(), ToolPath("qfd"));
  return Run(args);
}

// Writes `definition` (JSON) to dir/name.json and makes the database dir/name.Qfd
// from it with `qfd create`; returns dir/name. Throws with qfd's message on failure.
std::string QfdCreate(const TempDir& dir, const std::string& name, const std::string& definition);

// Little-endian readers over a byte string, for checking layouts by hand, and writers
// that return the bytes with the number at `at` replaced (the record count is at 0).
int32_t I32At(const std::string& bytes, size_t at);
int16_t I16At(const std::string& bytes, size_t at);
std::string WithI32(std::string bytes, size_t at, int32_t value);
std::string WithI16(std::string bytes, size_t at, int16_t value);

// A database file is its header of kHead bytes, then the records, each `length` bytes.
constexpr size_t kHead = 23496;
inline std::string RecordAt(const std::string& bytes, int n, size_t length) {
  return bytes.substr(kHead + static_cast<size_t>(n - 1) * length, length);
}
// Every record of the database at base (no extension), as the file holds them.
inline std::string RecordsOf(const std::string& base) { return ReadFile(base + ".Qfd").substr(kHead); }

// What may stand at a companion file's name that no program may write, and the reason
// the programs give: a folder, a link to a missing file, a read-only file (one that
// stood there keeps its bytes).
struct Unwritable {
  const char* name;
  void (*make)(const std::string& path);
  const char* why;
};
extern const Unwritable kUnwritable[3];

}  // namespace qftest
