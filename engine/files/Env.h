// The engine's one door to the file system. Every file call the engine makes (open,
// read, write, sync, write-back, truncate, lock, stat, rename, link, unlink, close,
// and the listing of a folder and the path behind links) goes through the current Env; the system's is the default. A test puts a FaultEnv
// in its place to make chosen calls fail as a full or failing disk would, or to stop
// the program dead at a chosen call.
//
// Each call answers as the system call does: -1 (or a negative count) with errno set
// on failure. The helpers of FileIo.h turn failures into FileError.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct flock;

namespace modDB::detail {

// The kinds of file call.
enum class IoCall { Open, Read, Write, Sync, Rename, Truncate, Unlink, Link, Lock, Stat, Close };
const char* IoCallName(IoCall call);

class Env {
 public:
  virtual ~Env() = default;
  virtual int Open(const std::string& path, int flags, int mode);
  virtual ssize_t Read(int fd, void* buf, size_t n, int64_t offset);
  // At `offset`, or at the stream's position when it is negative (a pipe, a FIFO).
  virtual ssize_t Write(int fd, const void* buf, size_t n, int64_t offset);
  virtual int Sync(int fd);
  // Starts writing the range to the disk without waiting: a hint, whose failure
  // changes nothing (a later Sync does all the work). Counted as no kind of call.
  virtual int WriteBack(int fd, int64_t offset, int64_t length);
  virtual int Truncate(int fd, int64_t length);
  virtual int Lock(int fd, int cmd, struct flock* fl);
  virtual int Stat(const std::string& path, struct stat* st);  // follows links
  virtual int LinkStat(const std::string& path, struct stat* st);  // the link itself
  virtual int StatFd(int fd, struct stat* st);
  virtual int Access(const std::string& path, int mode);  // counted as a Stat
  virtual ssize_t ReadLink(const std::string& path, char* buf, size_t n);  // counted as a Stat
  // The path with every link, "." and ".." resolved (it must exist). Counted as a Stat.
  virtual int RealPath(const std::string& path, std::string& out);
  // The names in a folder, "." and ".." left out. Counted as a Stat.
  virtual int ListFolder(const std::string& path, std::vector<std::string>& names);
  // fcntl's F_GETFL and F_SETFL (a descriptor's own flags): counted as no kind of call.
  virtual int FileFlags(int fd, int cmd, int flags = 0);
  // flags: 0, or RENAME_NOREPLACE (fails with EEXIST when `to` exists).
  virtual int Rename(const std::string& from, const std::string& to, unsigned flags = 0);
  virtual int Link(const std::string& from, const std::string& to);
  virtual int Unlink(const std::string& path);
  virtual int Close(int fd);
};

// The Env every engine call uses now; SetEnv(nullptr) goes back to the system's.
Env& CurrentEnv();
void SetEnv(Env* env);

// An Env that passes each call to the system's unless a rule says it fails. A rule
// names a kind of call, a file (the file's name as opened, matched at its end, so
// "db.Qfh" matches "/tmp/x/db.Qfh"; "" for every file) and which of those calls
// fail: the n-th (counted from 1 since the rule was set), or every one (n = 0).
// Calls on a descriptor are matched by the name the descriptor was opened with
// through this Env. `before`, where set, sees every call first (a kill test stops
// the program there).
class FaultEnv : public Env {
 public:
  struct Rule {
    IoCall call;
    std::string file;  // "" for every file
    int nth = 0;       // 0: every matching call
    int err = 0;
  };
  void Fail(Rule rule);
  void Clear();
  // How many calls of the kind on the file have been seen since the last Clear.
  int Seen(IoCall call, const std::string& file = "") const;
  std::function<void(IoCall, const std::string& file)> before;

  int Open(const std::string& path, int flags, int mode) override;
  ssize_t Read(int fd, void* buf, size_t n, int64_t offset) override;
  ssize_t Write(int fd, const void* buf, size_t n, int64_t offset) override;
  int Sync(int fd) override;
  int Truncate(int fd, int64_t length) override;
  int Lock(int fd, int cmd, struct flock* fl) override;
  int Stat(const std::string& path, struct stat* st) override;
  int LinkStat(const std::string& path, struct stat* st) override;
  int StatFd(int fd, struct stat* st) override;
  int Access(const std::string& path, int mode) override;
  ssize_t ReadLink(const std::string& path, char* buf, size_t n) override;
  int RealPath(const std::string& path, std::string& out) override;
  int ListFolder(const std::string& path, std::vector<std::string>& names) override;
  int Rename(const std::string& from, const std::string& to, unsigned flags = 0) override;
  int Link(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int Close(int fd) override;

 private:
  // Counts the call and answers whether it is to fail (errno then set).
  bool Faulted(IoCall call, const std::string& file);
  std::string NameOf(int fd) const;

  mutable std::mutex mutex_;
  std::map<int, std::string> names_;
  struct Counted {
    Rule rule;
    int seen = 0;
  };
  std::vector<Counted> rules_;
  std::map<std::pair<IoCall, std::string>, int> seen_;
  std::map<IoCall, int> seenAll_;
};

}  // namespace modDB::detail
