#include "engine/files/DatabaseFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "engine/files/Holders.h"

namespace modDB::detail {

namespace {

int LockByte(int fd, int64_t at, short type, int cmd) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(at);
  fl.l_len = 1;
  fl.l_pid = 0;  // required for open-file-description locks
  return LockRange(fd, cmd, fl);
}

// A file without any write permission is read-only for us, whoever we are.
bool WritePermitted(int fd) {
  struct stat st {};
  return !StatOpen(fd, st) || (st.st_mode & 0222) != 0;
}

constexpr int kReopenTries = 50;

LockWaitHandler& Handler() {
  static LockWaitHandler handler;
  return handler;
}

// The name the open file `fd` has now, for messages.
std::string NameOf(int fd) {
  char buf[4096];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = CurrentEnv().ReadLink(link, buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "the database";
}

// Takes a lock of one byte, waiting as told above. 0, or -1 with errno set.
int WaitForLock(int fd, int64_t at, short type) {
  // Nobody to tell of a wait: one call that waits, not a try first (under many
  // writers the try mostly fails and costs a call per write).
  if (!Handler()) return LockByte(fd, at, type, F_OFD_SETLKW);
  if (LockByte(fd, at, type, F_OFD_SETLK) == 0) return 0;
  if (errno != EAGAIN && errno != EACCES) return -1;
  const auto start = std::chrono::steady_clock::now();
  LockWait wait;
  // The handler, once it has heard of the wait, hears of its end too.
  auto end = [&](int rc) {
    if (!wait.file.empty()) {
      wait.over = true;
      Handler()(wait);
    }
    return rc;
  };
  for (int round = 0;; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(round < 10 ? 10 : 100));
    if (LockByte(fd, at, type, F_OFD_SETLK) == 0) return end(0);
    if (errno != EAGAIN && errno != EACCES) return end(-1);
    wait.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (wait.seconds < 1) continue;
    if (wait.file.empty()) {
      wait.file = NameOf(fd);
      wait.holders = HoldersText(HoldersOf(fd));
    }
    if (!Handler()(wait)) {
      end(0);
      throw FileError(ETIMEDOUT, "lock", wait.file, GaveUpText(wait));
    }
  }
}

}  // namespace

DatabaseFile OpenDatabaseFile(const std::string& path) {
  for (int attempt = 1;; ++attempt) {
    DatabaseFile db;
    db.path = path;
    try {
      db.fd = Fd(OpenFile(path, O_RDWR));
      if (!WritePermitted(db.fd.get())) db.readOnlyWhy = "the file is read-only";
    } catch (const FileError& e) {
      // A file the user may only read is opened for reading: browsing works, and
      // each write is refused with the reason.
      const int err = e.code().value();
      if (err != EACCES && err != EPERM && err != EROFS && err != ETXTBSY) throw;
      db.fd = Fd(OpenFile(path, O_RDONLY));
      db.readOnlyWhy = std::strerror(err);
    }
    // Waits while a pack or a header save has the file to itself; what it leaves
    // behind under this name may be a new file.
    if (WaitForLock(db.fd.get(), kPresenceByte, F_RDLCK) != 0)
      throw FileError(errno, "lock", path);
    if (StillNamed(db.fd.get(), path) || attempt == kReopenTries) return db;
  }
}

void SetLockWaitHandler(LockWaitHandler handler) { Handler() = std::move(handler); }

std::string GaveUpText(const LockWait& wait) {
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.0f", wait.seconds);
  return "another program holds it" + (wait.holders.empty() ? std::string() : " (" + wait.holders + ")") +
         "; gave up waiting after " + secs + " seconds";
}

WriterLock::WriterLock(int fd) : fd_(fd) {
  if (WaitForLock(fd_, 0, F_WRLCK) != 0) throw std::system_error(errno, std::generic_category(), "lock");
}

WriterLock::~WriterLock() { LockByte(fd_, 0, F_UNLCK, F_OFD_SETLK); }

bool TakeSoleUse(int fd) {
  if (LockByte(fd, kPresenceByte, F_WRLCK, F_OFD_SETLK) == 0) return true;
  if (errno == EAGAIN || errno == EACCES) return false;
  throw std::system_error(errno, std::generic_category(), "lock");
}

void EndSoleUse(int fd) { LockByte(fd, kPresenceByte, F_RDLCK, F_OFD_SETLK); }

bool OpenElsewhere(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(kPresenceByte);
  fl.l_len = 1;
  fl.l_pid = 0;
  if (LockRange(fd, F_OFD_GETLK, fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

bool StillNamed(int fd, const std::string& path, int64_t* size) {
  struct stat open {}, named {};
  if (!StatOpen(fd, open)) {
    if (size) *size = FileSize(fd);  // throws the reason
    return true;                     // cannot tell: the write itself will say
  }
  if (size) *size = open.st_size;
  if (open.st_nlink == 0) return false;
  if (!StatPath(path, named)) return false;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

std::string FileBehindName(const std::string& path) {
  struct stat st {};
  if (!StatLink(path, st) || !S_ISLNK(st.st_mode)) return path;
  std::string target;
  return CurrentEnv().RealPath(path, target) == 0 ? target : path;
}

std::string ReplaceRefusal(const std::string& path) {
  struct stat st {};
  if (StatPath(path, st) && (st.st_mode & 0222) == 0) return "the file is read-only";
  if (CurrentEnv().Access(path, W_OK) != 0) return std::strerror(errno);
  return "";
}

std::string OpenElsewhereText(const std::string& file) {
  // Who it is, where the system tells.
  std::string who;
  try {
    Fd fd(OpenFile(file, O_RDONLY));
    who = HoldersText(HoldersOf(fd.get()));
  } catch (const std::exception&) {
  }
  return "FILE:" + file + " is open in another program" + (who.empty() ? "" : ": " + who) +
         ".\r\nClose it there first, then try again. Nothing was changed.";
}

std::string ReplacedText(const std::string& file) {
  return "FILE:" + file + " was replaced by another program (packed or saved with a new design) since it was opened.";
}

}  // namespace modDB::detail
