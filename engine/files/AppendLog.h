// A companion file that is only ever appended to, a group of whole lines at a time,
// by writers that hold the database's writers' lock: the change history, the
// verification and statistics files, and the exceptions file.
//
// Each group of lines is written in one write and describes one change of the
// database; once the change has been made, the writer appends the group's mark, an
// empty line. So the file reads: the heading, an empty line, then groups each
// followed by an empty line. A group without its mark is the last one in the file:
// its writer stopped (or failed) between its lines and its mark, and the change may
// or may not have been made. The next writer, under the lock, asks its owner
// whether the change was made, and either marks the group or takes it away, before
// it appends anything; a reader asks the same.
//
// Whatever stands at the log's name is the log. A regular file that may be written
// is used; a name that leads nowhere means the log is not kept; anything else
// (a folder, a link to a missing file, a file without any write permission, whoever
// runs the program) refuses every change until it is put right.
//
// An unfinished last line (a damaged tail) is ended before the next group, so that
// every group starts on a fresh, whole line. Each line starts with its time, so a
// reader knows where lines start and a damaged stretch hides nothing after it.
//
// An older form of log (the exceptions file) has no marks: its groups follow each
// other directly, and a group counts as done once it is written.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/files/Env.h"

namespace modDB::detail {

class AppendLog {
 public:
  // What stands at a log's name: nothing (not kept), a usable file, or a refusal
  // (the reason, "" otherwise).
  struct Standing {
    bool kept = false;
    std::string refusal;
    bool readOnly = false;  // refused only for writing
    // A regular file at the name (itself or through a link): what the look found
    // of it.
    bool file = false;
    dev_t dev = 0;
    ino_t ino = 0;
    int64_t size = 0;
  };
  static Standing Look(const std::string& path);

  // Makes a new log with its heading (a line without its end), followed by its mark
  // where the log has marks. False when something stands at the name already; throws
  // FileError when it cannot be made.
  static bool Create(const std::string& path, const std::string& heading, bool marks = true);

  AppendLog() = default;
  ~AppendLog();
  AppendLog(const AppendLog&) = delete;
  AppendLog& operator=(const AppendLog&) = delete;

  // Opens the log for appending; throws FileError (with the refusal as the reason).
  void Open(const std::string& path, bool marks = true);
  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Whether the name, as Look just found it (`seen`), still leads to the file that
  // is open, of at least `size` bytes; when it does, the file's size is learned from
  // that look.
  bool Same(int64_t size, const Standing& seen);
  // Learns the file's size again (under the lock).
  int64_t Size();
  int64_t size() const { return size_; }
  size_t Read(void* buf, size_t n, int64_t at) const;

  // Where the group without its mark at the end of the file starts; -1 when every
  // group is marked. `lineStart(text, i)` says whether a line of the log can start at
  // text[i] (the log's own lines have a form a reader can know them by). A log
  // written before groups were marked counts as marked.
  using LineStart = std::function<bool(const std::string& text, size_t i)>;
  int64_t Unmarked(const LineStart& lineStart);
  // The same for a log read through `read` (a reader that may not write it).
  using ReadFn = std::function<size_t(void* buf, size_t n, int64_t at)>;
  static int64_t Unmarked(const ReadFn& read, int64_t size, const LineStart& lineStart);

  // A group as written: [from, to), and whether a line end was put before it.
  struct Group {
    int64_t from = -1;   // the file's size before: TakeBack(from) undoes the append
    int64_t lines = -1;  // where the group's first line starts
    int64_t to = -1;     // the end of the group
  };
  // Appends a group of whole lines in one write, after a line end where the file
  // does not end with one. On failure the file is given back its size and FileError
  // is thrown.
  Group Append(const std::string& lines);
  // Writes more of a group that is written in several pieces (an import's lines):
  // Append("") starts it, then each piece goes at its end. Throws FileError; the
  // caller takes the group back.
  void AppendMore(Group& g, const char* bytes, size_t n);
  // Marks the group at the end as done (appends the empty line; with `mend`, a
  // last line left unfinished is ended first). Throws FileError.
  void Mark(bool mend = false);
  // Takes everything from `from` on away again. Failures are let go.
  void TakeBack(int64_t from);

  // Whether one of a log's lines can start at text[i]: its time,
  // "DDDD-DD-DDTDD:DD:DDZ,".
  static bool IsLineStart(const std::string& text, size_t i);
  // Splits text (from offset `base` of the log) into its lines, by where lines can
  // start. Hands each line that reads as one CSV row of `cells` cells (any number
  // when 0) to onRow(row, at), each damaged stretch to onDamage(at, bytes, line)
  // where `line` counts the lines before it in text, empty lines (marks) to
  // onMark(at). The first line of the file (base 0) is the heading when it is not a
  // line. Returns where an unfinished last line starts (text.size() when none); with
  // `whole`, an unfinished last line is damage too.
  struct LineSink {
    std::function<void(std::vector<std::string>& row, int64_t at)> onRow;
    std::function<void(int64_t at, int64_t bytes, int64_t line)> onDamage;
    std::function<void(int64_t at)> onMark;
  };
  static size_t ForEachLine(const std::string& text, int64_t base, bool whole, size_t cells, const LineSink& sink);
  // The rows of the log at `path` in file order (see ForEachLine), heading and
  // damage left out; a missing log has none. "" when read, else the reason.
  static std::string ReadRows(const std::string& path, size_t cells, std::vector<std::vector<std::string>>& rows);

 private:
  bool marks_ = true;
  int fd_ = -1;
  std::string path_;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  int64_t size_ = 0;
  // The size at which this log was last seen to end with a mark (-1: not known).
  // While the file keeps that size, its tail need not be read again.
  int64_t marked_ = -1;
};

// A change that goes with a group of a companion log (the history's lines of it):
// made under the same lock before the group is written, kept only once Done.
struct Alongside {
  virtual ~Alongside() = default;
  virtual void Done() = 0;
};

// A group to append to a companion log of a database.
struct CompanionGroup {
  std::string heading;  // the first line of a new log
  std::string lines;    // whole lines, each ending in LF; "" only makes or mends the log
  bool create = true;   // a missing log is made (else nothing is written)
  bool marks = true;    // the log's groups are followed by marks
  bool sync = false;    // the lines are on the disk before the change alongside is kept
  std::function<std::unique_ptr<Alongside>()> alongside;
};
// Appends the group to the log `path` of the database file `dbFile` under the
// database's writers' lock. A group left without its mark by a writer that stopped
// tells of work that was done: it is marked first. "" when done (`*written` says
// whether anything was), else the reason; nothing is written then.
std::string AppendCompanion(const std::string& dbFile, const std::string& path, const CompanionGroup& group,
                            bool* written = nullptr);

}  // namespace modDB::detail
