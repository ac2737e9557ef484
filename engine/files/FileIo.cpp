#include "engine/files/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace modDB::detail {

namespace {

IoFaultHook& Hook() {
  static IoFaultHook hook;
  return hook;
}

// Asks the hook about a call; true when the call is to fail (errno is set).
bool Faulted(IoCall call, int flags = 0) {
  if (!Hook()) return false;
  const int err = Hook()(call, flags);
  if (err == 0) return false;
  errno = err;
  return true;
}

[[noreturn]] void Throw(const std::string& what, const std::string& file = "") {
  throw FileError(errno, what, file);
}

}  // namespace

void SetIoFaultHook(IoFaultHook hook) { Hook() = std::move(hook); }

std::string UnexpectedError(const std::exception& e, const std::string& file) {
  std::string named = file, reason = e.what();
  if (const auto* fe = dynamic_cast<const FileError*>(&e)) {
    if (!fe->file().empty()) named = fe->file();
    reason = fe->reason().empty() ? std::strerror(fe->code().value()) : fe->reason();
  } else if (const auto* se = dynamic_cast<const std::system_error*>(&e)) {
    reason = std::strerror(se->code().value());
  }
  return "Unexpected Error: FILE:" + named + ": " + reason;
}

size_t ReadAt(int fd, void* buf, size_t n, int64_t offset) {
  auto* p = static_cast<char*>(buf);
  size_t done = 0;
  while (done < n) {
    const ssize_t got = Faulted(IoCall::Read) ? -1 : CurrentEnv().Read(fd, p + done, n - done, offset + static_cast<int64_t>(done));
    if (got < 0) {
      if (errno == EINTR) continue;
      Throw("read");
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

void WriteAt(int fd, const void* buf, size_t n, int64_t offset) {
  const auto* p = static_cast<const char*>(buf);
  size_t done = 0;
  while (done < n) {
    const ssize_t put =
        Faulted(IoCall::Write) ? -1 : CurrentEnv().Write(fd, p + done, n - done, offset + static_cast<int64_t>(done));
    if (put < 0) {
      if (errno == EINTR) continue;
      Throw("write");
    }
    done += static_cast<size_t>(put);
  }
}

void WriteBlanks(int fd, int64_t offset, int64_t n) {
  if (n <= 0) return;
  const std::vector<char> blanks(static_cast<size_t>(std::min<int64_t>(n, int64_t{1} << 20)), ' ');
  while (n > 0) {
    const size_t part = static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(blanks.size())));
    WriteAt(fd, blanks.data(), part, offset);
    offset += static_cast<int64_t>(part);
    n -= static_cast<int64_t>(part);
  }
}

void SyncFile(int fd) {
  if (Faulted(IoCall::Sync) || CurrentEnv().Sync(fd) != 0) Throw("fsync");
}

void TruncateFile(int fd, int64_t length) {
  int rc;
  do rc = Faulted(IoCall::Truncate) ? -1 : CurrentEnv().Truncate(fd, length);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) Throw("truncate");
}

int64_t FileSize(int fd) {
  struct stat st {};
  if (!StatOpen(fd, st)) Throw("stat");
  return static_cast<int64_t>(st.st_size);
}

void StartWriteBack(int fd, int64_t offset, int64_t length) {
  // Only a hint: where it is not supported, SyncFile does all the work.
  (void)CurrentEnv().WriteBack(fd, offset, length);
}

void SyncFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = Faulted(IoCall::Open, O_RDONLY) ? -1 : CurrentEnv().Open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) Throw("open folder", folder);
  const int rc = Faulted(IoCall::Sync) ? -1 : CurrentEnv().Sync(fd);
  const int err = errno;
  CloseQuietly(fd);
  // Some file systems cannot sync a folder; the renames themselves have been done.
  if (rc != 0 && err != EINVAL && err != EROFS) {
    errno = err;
    Throw("fsync folder", folder);
  }
}

int OpenFile(const std::string& path, int flags, bool anyKind) {
  int fd;
  // Without waiting: opening a FIFO for reading would wait for a writer.
  do fd = Faulted(IoCall::Open, flags) ? -1 : CurrentEnv().Open(path, flags | O_CLOEXEC | O_NONBLOCK, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) Throw("open", path);
  struct stat st {};
  if (!StatOpen(fd, st)) {
    const int err = errno;
    CloseQuietly(fd);
    errno = err;
    Throw("stat", path);
  }
  if (!anyKind && !S_ISREG(st.st_mode)) {
    CloseQuietly(fd);
    throw FileError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, "open", path, "not a regular file");
  }
  const int fl = CurrentEnv().FileFlags(fd, F_GETFL);
  if (fl >= 0) CurrentEnv().FileFlags(fd, F_SETFL, fl & ~O_NONBLOCK);
  return fd;
}

void CloseFile(int fd) {
  if (CurrentEnv().Close(fd) != 0 && errno != EINTR) Throw("close");
}

void CloseQuietly(int fd) {
  const int err = errno;
  CurrentEnv().Close(fd);
  errno = err;
}

bool StatPath(const std::string& path, struct stat& st) { return CurrentEnv().Stat(path, &st) == 0; }
bool StatLink(const std::string& path, struct stat& st) { return CurrentEnv().LinkStat(path, &st) == 0; }
bool StatOpen(int fd, struct stat& st) { return CurrentEnv().StatFd(fd, &st) == 0; }

int LockRange(int fd, int cmd, struct flock& fl) {
  int rc;
  do rc = CurrentEnv().Lock(fd, cmd, &fl);
  while (rc != 0 && errno == EINTR);
  return rc;
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return StatPath(path, st) && S_ISREG(st.st_mode);
}

bool IsWritable(const std::string& path) {
  struct stat st {};
  return StatPath(path, st) && (st.st_mode & S_IWUSR) != 0;
}

void RemoveFile(const std::string& path) {
  if ((Faulted(IoCall::Unlink) || CurrentEnv().Unlink(path) != 0) && errno != ENOENT) Throw("remove", path);
}

void RenameFile(const std::string& from, const std::string& to) {
  if (Faulted(IoCall::Rename) || CurrentEnv().Rename(from, to) != 0) Throw("rename", from);
}

void RenameToFreeName(const std::string& from, const std::string& to) {
  if (Faulted(IoCall::Rename) || CurrentEnv().Rename(from, to, RENAME_NOREPLACE) != 0) Throw("rename", to);
}

void LinkOver(const std::string& from, const std::string& to) {
  const std::string temp = to + ".~new";
  RemoveFile(temp);
  if (Faulted(IoCall::Link) || CurrentEnv().Link(from, temp) != 0) {
    if (errno != EPERM && errno != EXDEV && errno != EMLINK && errno != ENOTSUP && errno != ENOSYS)
      Throw("link", to);  // the new name is what could not be made
    // No second names here: a flushed copy takes the name instead.
    try {
      Fd in(OpenFile(from, O_RDONLY));
      Fd out(OpenFile(temp, O_WRONLY | O_CREAT | O_TRUNC));
      std::vector<char> buf(size_t{4} << 20);
      int64_t at = 0;
      for (size_t got; (got = ReadAt(in.get(), buf.data(), buf.size(), at)) > 0; at += static_cast<int64_t>(got))
        WriteAt(out.get(), buf.data(), got, at);
      SyncFile(out.get());
      CloseFile(out.release());
    } catch (...) {
      CurrentEnv().Unlink(temp);
      throw;
    }
  }
  try {
    RenameFile(temp, to);
  } catch (const FileError& e) {
    CurrentEnv().Unlink(temp);
    throw FileError(e.code().value(), "rename", to, e.reason());  // `to` is what could not be replaced
  }
}

Fd::~Fd() {
  if (fd_ >= 0) CloseQuietly(fd_);
}

FileBeside::FileBeside(const std::string& path) : path_(path), temp_(path + ".~" + std::to_string(::getpid())) {
  RemoveFile(temp_);
  fd_ = Fd(OpenFile(temp_, O_WRONLY | O_CREAT | O_EXCL));
}

FileBeside::~FileBeside() {
  if (placed_) return;
  fd_ = Fd();
  CurrentEnv().Unlink(temp_);
}

void FileBeside::PutInPlace() {
  SyncFile(fd_.get());
  CloseFile(fd_.release());
  RenameFile(temp_, path_);
  placed_ = true;
}

}  // namespace modDB::detail
