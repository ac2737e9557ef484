#include "engine/files/Holders.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace modDB::detail {

namespace {

std::string UserOf(uid_t uid) {
  struct passwd pw {};
  struct passwd* found = nullptr;
  char buf[4096];
  if (::getpwuid_r(uid, &pw, buf, sizeof buf, &found) == 0 && found && found->pw_name) return found->pw_name;
  return std::to_string(uid);
}

}  // namespace

std::vector<Holder> HoldersOf(int fd) {
  std::vector<Holder> out;
  struct stat file {};
  if (::fstat(fd, &file) != 0) return out;
  DIR* proc = ::opendir("/proc");
  if (!proc) return out;
  const pid_t self = ::getpid();
  while (const dirent* p = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(p->d_name, &end, 10);
    if (*end != '\0' || pid <= 0 || pid == self) continue;
    const std::string dir = std::string("/proc/") + p->d_name;
    DIR* fds = ::opendir((dir + "/fd").c_str());
    if (!fds) continue;  // another user's, where the system does not tell
    bool holds = false;
    while (const dirent* f = ::readdir(fds)) {
      struct stat st {};
      if (f->d_name[0] != '.' && ::stat((dir + "/fd/" + f->d_name).c_str(), &st) == 0 && st.st_dev == file.st_dev &&
          st.st_ino == file.st_ino) {
        holds = true;
        break;
      }
    }
    ::closedir(fds);
    if (!holds) continue;
    Holder h;
    h.pid = static_cast<pid_t>(pid);
    std::ifstream(dir + "/comm") >> h.program;
    struct stat owner {};
    if (::stat(dir.c_str(), &owner) == 0) h.user = UserOf(owner.st_uid);
    out.push_back(h);
  }
  ::closedir(proc);
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
