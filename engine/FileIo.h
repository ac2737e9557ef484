// Whole transfers at byte offsets and the few file-system steps the engine needs.
// Every failure throws std::system_error (the operations turn it into their
// "Unexpected Error" message); a read that meets the end of the file is not a
// failure: it returns how much it got.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace modDB::detail {

// Reads up to n bytes at offset; returns the number read (fewer only at end of file).
size_t ReadAt(int fd, void* buf, size_t n, int64_t offset);
// Writes all n bytes at offset.
void WriteAt(int fd, const void* buf, size_t n, int64_t offset);
// Flushes the file's data to the disk.
void SyncFile(int fd);
// Starts writing the given range to the disk without waiting, so that a later
// SyncFile of a large file that is written in order has little left to do.
void StartWriteBack(int fd, int64_t offset, int64_t length);
// Flushes the folder holding path, so that renames and new names in it are durable.
void SyncFolderOf(const std::string& path);

// Opens with the given flags (O_CLOEXEC added); mode for new files 0666 less umask.
int OpenFile(const std::string& path, int flags);
void CloseFile(int fd);  // reports a failing close, which can mean lost data

bool IsFile(const std::string& path);         // a regular file (through links) exists
bool IsWritable(const std::string& path);     // the owner-write permission is set
void MakeWritable(const std::string& path);   // gives the owner write permission
void RemoveFile(const std::string& path);     // the file must go; missing is fine
void RenameFile(const std::string& from, const std::string& to);

// A file descriptor closed when the guard goes (errors of that close are ignored:
// paths that care call CloseFile and release the guard first).
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd();
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Fd gone(fd_);
      fd_ = other.release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

}  // namespace modDB::detail
