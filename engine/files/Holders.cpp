#include "engine/files/Holders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "engine/files/FileIo.h"

namespace modDB::detail {

namespace {

std::string UserOf(uid_t uid) {
  struct passwd pw {};
  struct passwd* found = nullptr;
  char buf[4096];
  if (::getpwuid_r(uid, &pw, buf, sizeof buf, &found) == 0 && found && found->pw_name) return found->pw_name;
  return std::to_string(uid);
}

// Whether the process whose /proc folder is `dir` has the file open.
bool Holds(const std::string& dir, const struct stat& file) {
  std::vector<std::string> fds;
  if (CurrentEnv().ListFolder(dir + "/fd", fds) != 0) return false;  // another user's: the system does not tell
  struct stat st {};
  for (const std::string& f : fds)
    if (StatPath(dir + "/fd/" + f, st) && st.st_dev == file.st_dev && st.st_ino == file.st_ino) return true;
  return false;
}

// The program's name as /proc tells it.
std::string ProgramOf(const std::string& dir) {
  try {
    Fd fd(OpenFile(dir + "/comm", O_RDONLY));
    char buf[64];
    const std::string name(buf, ReadAt(fd.get(), buf, sizeof buf, 0));
    return name.substr(0, name.find_first_of(" \n"));
  } catch (const std::exception&) {
    return "";
  }
}

}  // namespace

std::vector<Holder> HoldersOf(int fd) {
  std::vector<Holder> out;
  struct stat file {};
  std::vector<std::string> procs;
  if (!StatOpen(fd, file) || CurrentEnv().ListFolder("/proc", procs) != 0) return out;
  const pid_t self = ::getpid();
  for (const std::string& p : procs) {
    char* end = nullptr;
    const long pid = std::strtol(p.c_str(), &end, 10);
    if (*end != '\0' || pid <= 0 || pid == self) continue;
    const std::string dir = "/proc/" + p;
    if (!Holds(dir, file)) continue;
    Holder h;
    h.pid = static_cast<pid_t>(pid);
    h.program = ProgramOf(dir);
    struct stat owner {};
    if (StatPath(dir, owner)) h.user = UserOf(owner.st_uid);
    out.push_back(h);
  }
  return out;
}

std::string HoldersText(const std::vector<Holder>& holders) {
  std::string out;
  for (const Holder& h : holders) {
    if (!out.empty()) out += ", ";
    out += (h.program.empty() ? "a program" : h.program) + " (process " + std::to_string(h.pid) + ", user " + h.user +
           ")";
  }
  return out;
}

}  // namespace modDB::detail
