#include "engine/files/Env.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include <cerrno>
#include <cstdio>

namespace modDB::detail {

namespace {

Env& SystemEnv() {
  static Env env;
  return env;
}

Env*& Current() {
  static Env* env = nullptr;
  return env;
}

bool EndsWith(const std::string& s, const std::string& end) {
  return end.empty() || (s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0 &&
                         (s.size() == end.size() || s[s.size() - end.size() - 1] == '/'));
}

}  // namespace

const char* IoCallName(IoCall call) {
  static const char* const names[] = {"open",   "read",   "write", "sync", "rename", "truncate",
                                      "unlink", "link",   "lock",  "stat", "close"};
  return names[static_cast<int>(call)];
}

Env& CurrentEnv() { return Current() ? *Current() : SystemEnv(); }
void SetEnv(Env* env) { Current() = env; }

int Env::Open(const std::string& path, int flags, int mode) { return ::open(path.c_str(), flags, mode); }
ssize_t Env::Read(int fd, void* buf, size_t n, int64_t offset) { return ::pread(fd, buf, n, offset); }
ssize_t Env::Write(int fd, const void* buf, size_t n, int64_t offset) {
  return offset < 0 ? ::write(fd, buf, n) : ::pwrite(fd, buf, n, offset);
}
int Env::Sync(int fd) { return ::fsync(fd); }
int Env::WriteBack(int fd, int64_t offset, int64_t length) {
  return ::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
}
int Env::Truncate(int fd, int64_t length) { return ::ftruncate(fd, static_cast<off_t>(length)); }
int Env::Lock(int fd, int cmd, struct flock* fl) { return ::fcntl(fd, cmd, fl); }
int Env::Stat(const std::string& path, struct stat* st) { return ::stat(path.c_str(), st); }
int Env::LinkStat(const std::string& path, struct stat* st) { return ::lstat(path.c_str(), st); }
int Env::StatFd(int fd, struct stat* st) { return ::fstat(fd, st); }
int Env::Access(const std::string& path, int mode) { return ::access(path.c_str(), mode); }
ssize_t Env::ReadLink(const std::string& path, char* buf, size_t n) { return ::readlink(path.c_str(), buf, n); }
int Env::RealPath(const std::string& path, std::string& out) {
  char buf[PATH_MAX];
  if (!::realpath(path.c_str(), buf)) return -1;
  out = buf;
  return 0;
}

int Env::ListFolder(const std::string& path, std::vector<std::string>& names) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return -1;
  names.clear();
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return 0;
}

int Env::FileFlags(int fd, int cmd, int flags) { return ::fcntl(fd, cmd, flags); }

int Env::Rename(const std::string& from, const std::string& to, unsigned flags) {
  if (flags == 0) return ::rename(from.c_str(), to.c_str());
  const int rc = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags);
  if (rc == 0 || (errno != EINVAL && errno != ENOSYS)) return rc;
  // A file system without the flag: a second name made and the first dropped fails
  // the same way when `to` exists.
  if (::link(from.c_str(), to.c_str()) != 0) return -1;
  ::unlink(from.c_str());
  return 0;
}
int Env::Link(const std::string& from, const std::string& to) { return ::link(from.c_str(), to.c_str()); }
int Env::Unlink(const std::string& path) { return ::unlink(path.c_str()); }
int Env::Close(int fd) { return ::close(fd); }

// ---- FaultEnv ---------------------------------------------------------------------

void FaultEnv::Fail(Rule rule) {
  std::lock_guard<std::mutex> g(mutex_);
  rules_.push_back({std::move(rule), 0});
}

void FaultEnv::Clear() {
  std::lock_guard<std::mutex> g(mutex_);
  rules_.clear();
  seen_.clear();
  seenAll_.clear();
}

int FaultEnv::Seen(IoCall call, const std::string& file) const {
  std::lock_guard<std::mutex> g(mutex_);
  if (file.empty()) {
    const auto it = seenAll_.find(call);
    return it == seenAll_.end() ? 0 : it->second;
  }
  int n = 0;
  for (const auto& [key, count] : seen_)
    if (key.first == call && EndsWith(key.second, file)) n += count;
  return n;
}

std::string FaultEnv::NameOf(int fd) const {
  std::lock_guard<std::mutex> g(mutex_);
  const auto it = names_.find(fd);
  return it == names_.end() ? std::string() : it->second;
}

bool FaultEnv::Faulted(IoCall call, const std::string& file) {
  if (before) before(call, file);
  std::lock_guard<std::mutex> g(mutex_);
  ++seen_[{call, file}];
  ++seenAll_[call];
  for (Counted& c : rules_) {
    if (c.rule.call != call || !EndsWith(file, c.rule.file)) continue;
    ++c.seen;
    if (c.rule.nth == 0 || c.seen == c.rule.nth) {
      errno = c.rule.err;
      return true;
    }
  }
  return false;
}

int FaultEnv::Open(const std::string& path, int flags, int mode) {
  if (Faulted(IoCall::Open, path)) return -1;
  const int fd = Env::Open(path, flags, mode);
  if (fd >= 0) {
    std::lock_guard<std::mutex> g(mutex_);
    names_[fd] = path;
  }
  return fd;
}
ssize_t FaultEnv::Read(int fd, void* buf, size_t n, int64_t offset) {
  return Faulted(IoCall::Read, NameOf(fd)) ? -1 : Env::Read(fd, buf, n, offset);
}
ssize_t FaultEnv::Write(int fd, const void* buf, size_t n, int64_t offset) {
  return Faulted(IoCall::Write, NameOf(fd)) ? -1 : Env::Write(fd, buf, n, offset);
}
int FaultEnv::Sync(int fd) { return Faulted(IoCall::Sync, NameOf(fd)) ? -1 : Env::Sync(fd); }
int FaultEnv::Truncate(int fd, int64_t length) {
  return Faulted(IoCall::Truncate, NameOf(fd)) ? -1 : Env::Truncate(fd, length);
}
int FaultEnv::Lock(int fd, int cmd, struct flock* fl) {
  return Faulted(IoCall::Lock, NameOf(fd)) ? -1 : Env::Lock(fd, cmd, fl);
}
int FaultEnv::Stat(const std::string& path, struct stat* st) {
  return Faulted(IoCall::Stat, path) ? -1 : Env::Stat(path, st);
}
int FaultEnv::LinkStat(const std::string& path, struct stat* st) {
  return Faulted(IoCall::Stat, path) ? -1 : Env::LinkStat(path, st);
}
int FaultEnv::StatFd(int fd, struct stat* st) { return Faulted(IoCall::Stat, NameOf(fd)) ? -1 : Env::StatFd(fd, st); }
int FaultEnv::Access(const std::string& path, int mode) {
  return Faulted(IoCall::Stat, path) ? -1 : Env::Access(path, mode);
}
ssize_t FaultEnv::ReadLink(const std::string& path, char* buf, size_t n) {
  return Faulted(IoCall::Stat, path) ? -1 : Env::ReadLink(path, buf, n);
}
int FaultEnv::RealPath(const std::string& path, std::string& out) {
  return Faulted(IoCall::Stat, path) ? -1 : Env::RealPath(path, out);
}

int FaultEnv::ListFolder(const std::string& path, std::vector<std::string>& names) {
  return Faulted(IoCall::Stat, path) ? -1 : Env::ListFolder(path, names);
}

int FaultEnv::Rename(const std::string& from, const std::string& to, unsigned flags) {
  return Faulted(IoCall::Rename, to) ? -1 : Env::Rename(from, to, flags);
}
int FaultEnv::Link(const std::string& from, const std::string& to) {
  return Faulted(IoCall::Link, to) ? -1 : Env::Link(from, to);
}
int FaultEnv::Unlink(const std::string& path) { return Faulted(IoCall::Unlink, path) ? -1 : Env::Unlink(path); }
int FaultEnv::Close(int fd) {
  const std::string name = NameOf(fd);
  {
    std::lock_guard<std::mutex> g(mutex_);
    names_.erase(fd);
  }
  if (Faulted(IoCall::Close, name)) {
    Env::Close(fd);  // a failing close still lets go of the descriptor
    return -1;
  }
  return Env::Close(fd);
}

}  // namespace modDB::detail
