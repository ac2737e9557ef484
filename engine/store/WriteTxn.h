// One locked write of a database file, the sequence every writer of records follows:
//
//   take the writers' lock -> check that the file is still the database its name
//   points to -> write the history's lines -> write the records -> done
//
// and, when anything on the way fails (the guard goes without Done), take back: the
// file gets back the size it had, the history's lines go again, the lock is
// released. A change is in the file and in the history together, or in neither.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/files/DatabaseFile.h"
#include "engine/history/History.h"

namespace modDB::detail {

class WriteTxn {
 public:
  // Takes the lock of the open file `fd`, the database `path` (waiting as the lock
  // waits), and learns whether the file is still the one the name points to.
  WriteTxn(int fd, const std::string& path);
  ~WriteTxn();
  WriteTxn(const WriteTxn&) = delete;
  WriteTxn& operator=(const WriteTxn&) = delete;

  // False when another program replaced the file (packed or redesigned it) since it
  // was opened: nothing may be written into it.
  bool StillNamed() const { return named_; }
  int64_t Size() const { return size_; }  // the file's size now

  // The history's lines of the change, kept until Done.
  void Log(HistoryLines lines) { lines_ = std::move(lines); }
  // Writes n bytes at offset `at`.
  void Write(const void* bytes, size_t n, int64_t at);
  // Makes the file at least `end` bytes long, with blanks.
  void FillTo(int64_t end);
  // Cuts what lies beyond `end` (bytes a stopped writer left behind the counted records).
  void CutTo(int64_t end);
  // The change is made: the lines are marked as done and kept.
  void Done();

 private:
  int fd_;
  WriterLock lock_;
  bool named_ = true, done_ = false;
  int64_t size_ = -1, restore_ = -1;
  HistoryLines lines_;
};

}  // namespace modDB::detail
