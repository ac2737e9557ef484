// What the record store, header load and save, pack and export share: the checked
// header (HeaderFile), the record count alone, and reading all records in blocks, for
// the steps that go through the whole file. Private to the engine.
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "engine/files/FileIo.h"
#include "engine/FormHeader.h"
#include "engine/HeaderFile.h"
#include "engine/HeaderLayout.h"

namespace modDB::detail {

// Reads the record count alone from offset 0 of the open file `fd` into count. False,
// and count untouched, when the four bytes cannot be read or are no count (a damaged
// write by another program). Read errors throw.
inline bool ReadRecordCount(int fd, int32_t& count) {
  uint8_t b[4];
  if (ReadAt(fd, b, 4, 0) != 4) return false;
  const int32_t read = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                            static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
  if (read < 0 || read > kMaxRecords) return false;
  count = read;
  return true;
}

// Whether a field another program wrote since it was read: the bytes the file holds
// now are neither those read nor those about to be written (all padded to the field).
inline bool ChangedSinceRead(const std::string& now, const std::string& asRead, const std::string& writing) {
  return now != asRead && now != writing;
}
// What is said of such a field of record n.
inline std::string ChangedSinceReadText(const std::string& file, int32_t n, const FieldDef& f) {
  return "FILE:" + file + " record " + std::to_string(n) + " field " + f.Name.Trimmed() +
         " was changed in another program since it was read.";
}

// Gives the open file `fd` back the size it had before a write that grew it failed;
// size -1 (the size was never learned) leaves it alone. A failure here is let go: it
// leaves blank records only.
inline void ShrinkBack(int fd, int64_t size) {
  try {
    if (size >= 0 && FileSize(fd) > size) TruncateFile(fd, size);
  } catch (const std::exception&) {
  }
}

// The size of one transfer when the whole file is read or written.
constexpr size_t kCopyBlock = size_t{4} << 20;

// The size of one read when every record is read in turn: small enough that a block
// read, rebuilt and written stays in the processor's cache.
constexpr size_t kRecordBlock = size_t{256} << 10;

// How many records of len bytes fill a block (one at least).
inline size_t RecordsPerBlock(size_t len, size_t block = kRecordBlock) {
  return std::max<size_t>(1, block / std::max<size_t>(len, 1));
}

// Data written in order is handed to the disk this much at a time (StartWriteBack),
// so that the flush at the end has little left to do.
constexpr int64_t kWriteBackStep = int64_t{1} << 20;

// Reads records 1 ... count of the open file `fd` (len bytes each, behind the header)
// perBlock records at a time, one read each; records beyond the end of the file read
// as blanks. Hands each record in order to onRecord(number, bytes), and calls
// afterBlock once the records of a block are handed on. Read errors throw.
template <class OnRecord, class AfterBlock>
void ReadRecordBlocks(int fd, size_t len, int32_t count, size_t perBlock, OnRecord&& onRecord,
                      AfterBlock&& afterBlock) {
  std::vector<char> in(perBlock * len);
  int64_t inPos = kHeaderSize;
  for (int32_t i = 1; i <= count;) {
    const int32_t batch = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(perBlock), count - i + 1));
    const size_t want = static_cast<size_t>(batch) * len;
    const size_t got = ReadAt(fd, in.data(), want, inPos);
    std::fill(in.begin() + static_cast<std::ptrdiff_t>(got), in.begin() + static_cast<std::ptrdiff_t>(want), ' ');
    inPos += static_cast<int64_t>(want);
    for (int32_t r = 0; r < batch; ++r, ++i) onRecord(i, in.data() + static_cast<size_t>(r) * len);
    afterBlock();
  }
}

}  // namespace modDB::detail
