// The change history's index, base + ".Qfi" beside the history: for each record
// what the history last recorded of it (so that a save need not look through the
// history) and where its lines start (so that one record's history reads only its
// lines). It can always be built again from the history, so it is never forced to
// the disk; one that is missing, damaged, or made for another history is built
// anew by the next writer, one that is behind the history is brought up to it.
// Only writers write it, under the writers' lock; a reader uses it while it finds it
// whole and unchanged, and reads the history itself otherwise.
//
// The file, in the machine's byte order:
//   header   64 bytes: "QfIndex" and a NUL, the version (4 bytes), a busy flag set
//            while a writer is at work (4), how much of the history it covers (8),
//            a hash of the last 64 bytes it covers (8), where its used part ends (8),
//            then zeros
//   slots    one per record number 0 to 65530, 24 bytes each: where the record's
//            newest run of line offsets is (8), its recorded values (8: their place
//            in this file, or the history's import line that holds them), their
//            length (4) and flags (4: 1 an add was recorded, 2 the values are an
//            import line's). Slot 0 holds the lines of no single record (pack,
//            design save, damaged stretches).
//   runs     the place of the run before (8), a count (4), 4 zeros, then that many
//            offsets of lines in the history (8 each)
//   values   for each field: its name's length (4), the name, the value's length
//            (4), the value
// A pack renumbers the slots; a design save forgets the recorded values and keeps
// the runs.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/files/AppendLog.h"
#include "engine/files/FileIo.h"
#include "engine/history/History.h"
#include "engine/history/Index.h"

namespace modDB::history {

// A line as the index takes it: where it starts (from a base the caller gives), its
// operation, record, field and value after (a damaged stretch has an empty
// operation).
using IndexLine = detail::HistoryLines::Row;

class IndexFile {
 public:
  // Brings the index up to the whole of the log (under the writers' lock), building
  // it anew when it is missing, damaged or another history's; false when it cannot
  // be had (then the history is looked through instead).
  bool Sync(const detail::AppendLog& log);
  // Takes the lines this writer appended from `from` on (the log's size before
  // them; each line starts at `base` + its `at`) once they are marked, when the
  // index covers the log up to there; else Sync. While the file is less than 16 KB
  // of history and 64 records behind, the lines only wait in memory (Load sees
  // them), and go to the file with later ones; a program that closes the history
  // meanwhile leaves them to the next writer, as lines of a program that keeps no
  // index. `tail`, when it holds the log's last 64 bytes (or all of a shorter log),
  // spares reading them back.
  bool Add(const detail::AppendLog& log, int64_t from, int64_t base, const std::vector<IndexLine>& lines,
           const std::string& tail = {});
  // The same for an import's lines: one per record, numbered from `first` on, each
  // starting at `base` + its start; the records' slots are read and written as one.
  bool AddImport(const detail::AppendLog& log, int64_t from, int32_t first, int64_t base,
                 const std::vector<int64_t>& starts, const std::string& tail = {});
  // What the history last recorded of record n (after Sync). Throws when the index
  // is damaged.
  void Load(int32_t n, RecordValues& rec);
  void Close();
  // Leaves the index to be built anew by the next writer (it was found damaged).
  void Forget();

  // For a reader of a history of `end` bytes: how much of it the index covers (-1
  // when the index is not usable), and where the lines of record n (numbered as at
  // that point) and the lines of no single record start, newest first. False when
  // the index changed meanwhile or is damaged.
  static int64_t Covered(const std::string& path, const detail::AppendLog::ReadFn& history, int64_t end);
  static bool Lines(const std::string& path, int64_t covered, int32_t n, std::vector<int64_t>& out);

  struct Header;
  struct Slot {
    int64_t run = 0, values = 0;
    int32_t length = 0;
    uint32_t flags = 0;
  };

 private:
  bool Open(const detail::AppendLog& log);
  void Rebuild();
  template <class Work>
  bool Guarded(Work work);
  void SetBusy();
  void Extend(const detail::AppendLog& log);
  void Apply(const detail::AppendLog& log, int64_t base, const std::vector<IndexLine>& lines);
  void TakeImport(int32_t first, int64_t base, const std::vector<int64_t>& starts);
  Slot& SlotOf(int32_t n);
  void Read(int32_t n, RecordValues& rec);
  void Flush();
  void PutRuns(std::string& tail);
  void TableIfMany();
  void Spill(std::string& tail, bool all);
  std::vector<Slot> ReadTable();
  void WriteTable(const std::vector<Slot>& table);
  void Renumber(const std::string* map);
  void Finish(const detail::AppendLog& log, int64_t end, const std::string& tail = {});
  void Drop();

  std::string path_;
  detail::Fd fd_;
  // How much of the history the index covers (with the lines taken since it was last
  // written), how much the file says it covers, and where its used part ends.
  int64_t covered_ = -1, written_ = -1, used_ = 0;
  // The header last found whole or written by this writer (empty: none). While the
  // file still holds it, no other writer has been at work on the index and the
  // history it covers is the one this writer knows (the log is the same file, only
  // ever appended to), so it need not be checked again.
  std::string header_;
  // What was taken since the last flush (lines that wait, see Add): the records'
  // values and new line offsets, and the slots read (one by one, or the whole
  // table), and the values Load read.
  Index values_;
  std::unordered_map<int32_t, RecordValues> loaded_;
  std::unordered_map<int32_t, std::vector<int64_t>> runs_;
  size_t held_ = 0;  // the line offsets in runs_
  std::unordered_map<int32_t, Slot> slots_;
  std::vector<Slot> table_;  // the whole table instead, when many records are taken
};

}  // namespace modDB::history
