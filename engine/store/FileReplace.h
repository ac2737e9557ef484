// Replacing a database file whole, as a pack and a design save do: the new file is
// written beside the database as its working file (base + ".QfB"), flushed to the
// disk, and only then put in place. The database's name never goes missing: the
// old file is first made a second name, the backup (base + ".Bak", replacing the
// previous backup in one step), then the working file takes the database's name in
// one step. At every moment the previous database is whole under its own name or
// as the backup. A failure while the working file is written names the working
// file; until it is put in place the working file goes with the guard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/files/FileIo.h"
#include "engine/FormHeader.h"
#include "engine/StoreCommon.h"
#include "engine/files/Companions.h"

namespace modDB::detail {

class FileReplace {
 public:
  // Starts the working file of `names` afresh (a stale one is removed first).
  explicit FileReplace(const Companions& names);
  ~FileReplace();
  FileReplace(const FileReplace&) = delete;
  FileReplace& operator=(const FileReplace&) = delete;

  const std::string& Work() const { return work_; }
  bool Placed() const { return placed_; }  // the working file has the database's name

  // Writes the header at offset 0.
  void WriteHeader(const FormHeader& h);
  // Writes bytes behind those written so far (the first behind the header), and
  // starts taking them to the disk a step at a time.
  void Append(const char* data, size_t n);
  // Flushes the working file to the disk and closes it.
  void Complete();
  // The working file takes the database's name; the old file, when there is one,
  // becomes the backup first. The folder is flushed afterwards.
  void PutInPlace(bool existing);

 private:
  template <class Step>
  void OnWork(Step step);

  std::string database_, backup_, work_;
  Fd fd_;
  int64_t end_, handed_;  // the end of what was written, and of what was handed to the disk
  bool placed_ = false;
};

// Copies records 1 ... count of the open file `from` (len bytes each, behind the
// header) into `to`, a block at a time, in one pass: make(i, src, dst) builds record
// i into dst (outLen bytes, blanks to begin with) and says whether it is kept.
// Records beyond the end of the file read as blanks. Returns how many were kept.
template <class Make>
int32_t CopyRecords(int from, size_t len, int32_t count, FileReplace& to, size_t outLen, Make&& make) {
  std::vector<char> buf(RecordsPerBlock(std::max(len, outLen)) * outLen);
  size_t used = 0;
  int32_t kept = 0;
  ReadRecordBlocks(
      from, len, count, RecordsPerBlock(std::max(len, outLen)),
      [&](int32_t i, const char* src) {
        char* dst = buf.data() + used;
        std::fill_n(dst, outLen, ' ');
        if (!make(i, src, dst)) return;
        used += outLen;
        ++kept;
      },
      [&] {
        to.Append(buf.data(), used);
        used = 0;
      });
  return kept;
}

}  // namespace modDB::detail
