// Whole transfers at byte offsets and the few file-system steps the engine needs.
// Every failure throws FileError (the operations turn it into their "Unexpected
// Error" message, naming the file and the system's reason); a read that meets the
// end of the file is not a failure: it returns how much it got.
//
// These helpers are the engine's facade over the Env (engine/files/Env.h), through
// which every file call goes; a test may also set one fault hook here that sees the
// opens, reads, writes, syncs, renames, truncations, unlinks and links first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

#include "engine/files/Env.h"

namespace modDB::detail {


// The hook sees each call before it is made (with the open flags for Open, else 0);
// a non-zero answer is an errno value: the call is not made and fails with it.
// An empty hook lets every call through.
using IoFaultHook = std::function<int(IoCall, int)>;
void SetIoFaultHook(IoFaultHook hook);

// A failed file call: the system's reason, and the file when the call knew it.
class FileError : public std::system_error {
 public:
  FileError(int err, const std::string& what, std::string file = "", std::string reason = "")
      : std::system_error(err, std::generic_category(), what), file_(std::move(file)), reason_(std::move(reason)) {}
  const std::string& file() const { return file_; }
  const std::string& reason() const { return reason_; }  // "" for the system's text

 private:
  std::string file_, reason_;
};

// The text of an "Unexpected Error" message: "Unexpected Error: FILE:" + the file +
// ": " + the system's reason. `file` is used when the error does not name one.
std::string UnexpectedError(const std::exception& e, const std::string& file);

// Reads up to n bytes at offset; returns the number read (fewer only at end of file).
size_t ReadAt(int fd, void* buf, size_t n, int64_t offset);
// Writes all n bytes at offset.
void WriteAt(int fd, const void* buf, size_t n, int64_t offset);
// Writes n blanks from offset on.
void WriteBlanks(int fd, int64_t offset, int64_t n);
// Flushes the file's data to the disk.
void SyncFile(int fd);
// Cuts or extends the file to length bytes.
void TruncateFile(int fd, int64_t length);
// The file's size in bytes.
int64_t FileSize(int fd);
// Starts writing the given range to the disk without waiting, so that a later
// SyncFile of a large file that is written in order has little left to do.
void StartWriteBack(int fd, int64_t offset, int64_t length);
// Flushes the folder holding path, so that renames and new names in it are durable.
void SyncFolderOf(const std::string& path);

// Opens with the given flags (O_CLOEXEC added); mode for new files 0666 less umask.
// Only a regular file is opened (a FIFO, device or folder is refused without
// waiting), unless anyKind is set.
int OpenFile(const std::string& path, int flags, bool anyKind = false);
void CloseFile(int fd);  // reports a failing close, which can mean lost data
void CloseQuietly(int fd);  // a close whose failure changes nothing (a read-only use)

// The status of a file by name (through links) or of an open file, and of a link
// itself; false (errno set) when it cannot be had.
bool StatPath(const std::string& path, struct stat& st);
bool StatLink(const std::string& path, struct stat& st);
bool StatOpen(int fd, struct stat& st);
// fcntl's record locks (F_OFD_SETLK, F_OFD_SETLKW, F_OFD_GETLK ...), EINTR retried.
int LockRange(int fd, int cmd, struct flock& fl);

bool IsFile(const std::string& path);         // a regular file (through links) exists
bool IsWritable(const std::string& path);     // the owner-write permission is set
void RemoveFile(const std::string& path);     // the file must go; missing is fine
void RenameFile(const std::string& from, const std::string& to);
// As RenameFile, but never over an existing `to` (EEXIST): a new file takes a free name.
void RenameToFreeName(const std::string& from, const std::string& to);
// Makes `to` a second name of `from`'s file, replacing whatever `to` was, in one step
// (through a temporary name beside it); where the file system has no second names,
// `to` becomes a copy. `from` stays as it is.
void LinkOver(const std::string& from, const std::string& to);

// A file descriptor closed when the guard goes (errors of that close are ignored:
// paths that care call CloseFile and release the guard first).
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd();
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
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

// A new version of `path` written beside it under a passing name, and put in its
// place only when complete: until then, and after a failure, `path` is as it was,
// and the working file goes with the guard.
class FileBeside {
 public:
  explicit FileBeside(const std::string& path);  // a stale working file is removed first
  ~FileBeside();
  FileBeside(const FileBeside&) = delete;
  FileBeside& operator=(const FileBeside&) = delete;
  int get() const { return fd_.get(); }
  void PutInPlace();  // flushed to the disk, closed, renamed over `path`

 private:
  std::string path_, temp_;
  Fd fd_;
  bool placed_ = false;
};

}  // namespace modDB::detail
