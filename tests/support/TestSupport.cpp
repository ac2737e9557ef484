#include "tests/support/TestSupport.h"

#include <spawn.h>

extern char** environ;

namespace qftest {

TempDir::TempDir() {
  std::string name = (fs::temp_directory_path() / "qftest-XXXXXX").string();
  if (!mkdtemp(name.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = name;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests make files read-only; give write permission back before removing.
  for (auto it = fs::recursive_directory_iterator(path_, ec); it != fs::recursive_directory_iterator();
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PatchFile(const std::string& path, size_t at, const std::string& bytes) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  if (!f.seekp(static_cast<std::streamoff>(at)).write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
    throw std::runtime_error("cannot patch " + path);
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
            const std::string& err) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

RunResult Run(const std::vector<std::string>& argv, const std::string& input) {
  // Its input, output and errors are files of a folder of the run's own: the program
  // never waits on a pipe, whatever it reads or writes.
  const TempDir io;
  const std::string in = io / "in", out = io / "out", err = io / "err";
  WriteFile(in, input);
  const pid_t pid = Spawn(argv, in, out, err);
  int status = 0;
  waitpid(pid, &status, 0);
  RunResult r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  return r;
}

std::string ToolPath(const std::string& name) {
#ifdef QF_BINARY_DIR
  return std::string(QF_BINARY_DIR) + "/tools/" + name;
#else
  return "tools/" + name;
#endif
}

std::string QfdCreate(const TempDir& dir, const std::string& name, const std::string& definition) {
  const std::string base = dir / name;
  WriteFile(base + ".json", definition);
  const RunResult r = Qfd({"create", "--from", base + ".json", base});
  if (r.status != 0) throw std::runtime_error("qfd create " + base + ": " + r.err);
  return base;
}

int32_t I32At(const std::string& b, size_t at) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<unsigned char>(b.at(at + i))) << (8 * i);
  return static_cast<int32_t>(u);
}

int16_t I16At(const std::string& b, size_t at) {
  return static_cast<int16_t>(static_cast<unsigned char>(b.at(at)) |
                              (static_cast<unsigned char>(b.at(at + 1)) << 8));
}

std::string WithI32(std::string b, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
  return b;
}

std::string WithI16(std::string b, size_t at, int16_t value) {
  b.at(at) = static_cast<char>(value & 0xFF);
  b.at(at + 1) = static_cast<char>((value >> 8) & 0xFF);
  return b;
}

const Unwritable kUnwritable[3] = {
    {"folder", [](const std::string& f) { fs::remove(f), fs::create_directory(f); }, "it is a folder"},
    {"dangling", [](const std::string& f) { fs::remove(f), fs::create_symlink(f + ".gone", f); },
     "it is a link to a missing file"},
    {"readonly",
     [](const std::string& f) {
       if (!fs::exists(f)) WriteFile(f, "");
       fs::permissions(f, fs::perms::owner_read | fs::perms::group_read);
     },
     "the file is read-only"},
};

}  // namespace qftest
