#include "FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace modDB::detail {

namespace {
[[noreturn]] void Throw(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}
}  // namespace

size_t ReadAt(int fd, void* buf, size_t n, int64_t offset) {
  auto* p = static_cast<char*>(buf);
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd, p + done, n - done, offset + static_cast<int64_t>(done));
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
    const ssize_t put = ::pwrite(fd, p + done, n - done, offset + static_cast<int64_t>(done));
    if (put < 0) {
      if (errno == EINTR) continue;
      Throw("write");
    }
    done += static_cast<size_t>(put);
  }
}

void SyncFile(int fd) {
  if (::fsync(fd) != 0) Throw("fsync");
}

void StartWriteBack(int fd, int64_t offset, int64_t length) {
  // Only a hint: where it is not supported, SyncFile does all the work.
  (void)::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
}

void SyncFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Throw("open folder");
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  // Some file systems cannot sync a folder; the renames themselves have been done.
  if (rc != 0 && err != EINVAL && err != EROFS) {
    errno = err;
    Throw("fsync folder");
  }
}

int OpenFile(const std::string& path, int flags) {
  int fd;
  do fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) Throw("open " + path);
  return fd;
}

void CloseFile(int fd) {
  if (::close(fd) != 0 && errno != EINTR) Throw("close");
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWritable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

void MakeWritable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) Throw("stat " + path);
  if ((st.st_mode & S_IWUSR) == 0 && ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0)
    Throw("chmod " + path);
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) Throw("remove " + path);
}

void RenameFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) Throw("rename " + from);
}

Fd::~Fd() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace modDB::detail
