// The record store: one open form database per program, its current record held in
// RecordText. Each operation runs its checks in the fixed order the users know and
// reports the first failure itself; file errors become "Unexpected Error" under the
// operation's own name and leave the in-memory state as it was.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <exception>
#include <string>

#include "FileIo.h"
#include "FileLock.h"
#include "HeaderLayout.h"
#include "State.h"
#include "StoreCommon.h"
#include "modDB.h"
#include "modLIB.h"

namespace modDB {

using detail::S;

namespace {

FormHeader& H() { return S().header; }

bool IsOpen() { return S().fileNumber != 0; }

// The open check every operation starts with (the texts differ between them).
bool RequireOpen(const char* title, const char* text) {
  if (IsOpen()) return true;
  Fail(title, text);
  return false;
}

int64_t Position(int32_t n) { return RecordPosition(n, H().RecordLength); }

// Reads the record count alone from offset 0 into the in-memory header. A count that
// cannot be a count (a damaged write by another program) is not taken.
void ReadCount() { detail::ReadRecordCount(S().fd, H().RecordCount); }

void WriteCount(int32_t count) {
  const auto u = static_cast<uint32_t>(count);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                        static_cast<uint8_t>(u >> 24)};
  detail::WriteAt(S().fd, b, 4, 0);
}

// Reads the current record; whatever lies beyond the end of the file reads as blanks.
// A failed read leaves RecordText as it was.
void ReadCurrent() {
  static std::string text;  // reused: a walk through the file allocates nothing
  text.assign(static_cast<size_t>(H().RecordLength), ' ');
  detail::ReadAt(S().fd, text.data(), text.size(), Position(S().CurrentRecord));
  S().RecordText.swap(text);
}

std::string FileName() { return S().DatabaseName + ".Qfd"; }

// Runs the file work of an operation; a failure shows "Unexpected Error" under title,
// with the file and the system's reason.
template <typename Work>
int16_t Guarded(const char* title, Work work) {
  try {
    return work();
  } catch (const std::exception& e) {
    Fail(title, detail::UnexpectedError(e, FileName()));
    return 0;
  }
}

// A database opened for reading only refuses every write, saying why.
bool RequireWritable(const char* title) {
  if (S().readOnlyWhy.empty()) return true;
  Fail(title, "FILE:" + FileName() + " cannot be written: " + S().readOnlyWhy);
  return false;
}

// Under the writers' lock: makes the file reach the end of record `upTo`, filling
// whatever lies between its end and there with blank records, so that the file
// agrees with its count and no record reads back as zero bytes. Returns the size
// the file had, for undoing the growth when the write that follows fails.
int64_t FillUpTo(int32_t upTo) {
  const int64_t size = detail::FileSize(S().fd);
  const int64_t end = RecordPosition(upTo + 1, H().RecordLength);
  if (size < end) detail::WriteBlanks(S().fd, size, end - size);
  return size;
}

// ---- A tail beyond the count ----------------------------------------------------
// A writer stopped between writing new records and the count that takes them in
// (kill -9, a file-size limit) leaves bytes behind the last counted record: they
// belong to no record. The next writer that appends cuts them, under the lock, so
// that its records and its count follow the counted ones alone.
void CutTailBeyondCount(int32_t count) {
  const int64_t end = Position(count + 1);
  if (detail::FileSize(S().fd) > end) detail::TruncateFile(S().fd, end);
}
// ---------------------------------------------------------------------------------

// Gives the file back the size it had; a failure here leaves blank records only.
void ShrinkBack(int64_t size) { detail::ShrinkBack(S().fd, size); }

// Writes RecordText over record CurrentRecord under the lock, the gap before it
// filled first.
void WriteCurrent() {
  WriterLock lock(S().fd);
  int64_t size = -1;
  try {
    size = FillUpTo(std::max(S().CurrentRecord, H().RecordCount));
    detail::WriteAt(S().fd, S().RecordText.data(), S().RecordText.size(), Position(S().CurrentRecord));
  } catch (...) {
    ShrinkBack(size);
    throw;
  }
}

const FieldDef* FieldFor(int16_t n, const char* title, const char* rangeText) {
  if (n < 1 || n > kMaxFields) {
    Fail(title, rangeText);
    return nullptr;
  }
  const FieldDef& f = H().Fields[n];
  if (f.Page == 0) {
    Fail(title, "Field not defined!");
    return nullptr;
  }
  return &f;
}

}  // namespace

int16_t OpenDatabase(std::string& name) {
  const char* title = "OPEN DATABASE";
  if (IsOpen()) {
    Fail(title, "FILE:" + S().DatabaseName + " already open");
    return 0;
  }
  name = modLIB::Trim(name);
  if (name.empty()) {
    Fail(title, "Invalid File Name");
    return 0;
  }
  const std::string base = BaseFileName(name);
  const std::string file = base + ".Qfd";
  if (!detail::IsFile(file)) {
    Fail(title, "FILE:" + base + " not found!");
    return 0;
  }
  detail::Fd fd;
  FormHeader h;
  std::string damage;
  std::string readOnlyWhy;
  try {
    try {
      fd = detail::Fd(detail::OpenFile(file, O_RDWR));
    } catch (const detail::FileError& e) {
      // A file the user may only read is opened for reading: browsing works, and
      // each write is refused with the reason.
      const int err = e.code().value();
      if (err != EACCES && err != EPERM && err != EROFS && err != ETXTBSY) throw;
      fd = detail::Fd(detail::OpenFile(file, O_RDONLY));
      readOnlyWhy = std::strerror(err);
    }
    damage = detail::ReadCheckedHeader(fd.get(), file, h);
  } catch (const std::exception& e) {
    Fail("Open Database", detail::UnexpectedError(e, file));
    return 0;
  }
  if (!damage.empty()) {
    Fail(title, damage);
    return 0;
  }
  H() = h;
  S().fd = fd.release();
  S().fileNumber = static_cast<int16_t>(S().fd > 0 && S().fd < 32767 ? S().fd : 1);
  S().DatabaseName = base;
  S().readOnlyWhy = readOnlyWhy;
  S().RecordText.assign(static_cast<size_t>(h.RecordLength), ' ');
  if (h.RecordCount < 1) {
    S().CurrentRecord = 0;
  } else {
    S().CurrentRecord = 1;
    ReadRecord();
  }
  return 1;
}

int16_t CloseDatabase() {
  if (!RequireOpen("CLOSE DATABASE", "File not open!")) return 0;
  ::close(S().fd);
  InitHeader();
  return 1;
}

int16_t GetFileNumber() { return S().fileNumber; }

int16_t ReadRecord() {
  const char* title = "READ RECORD";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().CurrentRecord == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  return Guarded("ReadRecord", [] {
    ReadCurrent();
    return int16_t{1};
  });
}

int16_t WriteRecord() {
  const char* title = "WRITE RECORD";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().CurrentRecord == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  if (!RequireWritable(title)) return 0;
  return Guarded("WriteRecord", [] {
    WriteCurrent();
    return int16_t{1};
  });
}

int16_t AddRecord() {
  const char* title = "ADD RECORD";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (H().RecordCount >= kMaxRecords) {
    Fail(title, "DB is Full");
    return 0;
  }
  if (!RequireWritable(title)) return 0;
  const int32_t oldCount = H().RecordCount, oldCurrent = S().CurrentRecord;
  const char oldMark = S().RecordText.empty() ? ' ' : S().RecordText[0];
  bool full = false;
  const int16_t done = Guarded("AddRecord", [&] {
    WriterLock lock(S().fd);
    int64_t size = -1;
    try {
      ReadCount();  // another program may have appended since
      if (H().RecordCount >= kMaxRecords) {
        full = true;
        return int16_t{0};
      }
      const int32_t n = H().RecordCount + 1;
      S().RecordText[0] = ' ';
      // The records the count promises, then the new record, then the count: a reader
      // that sees the new count finds the record complete, and a failure on the way
      // gives the file back the size and count it had.
      CutTailBeyondCount(n - 1);
      size = FillUpTo(n - 1);
      detail::WriteAt(S().fd, S().RecordText.data(), S().RecordText.size(), Position(n));
      WriteCount(n);
      H().RecordCount = n;
      S().CurrentRecord = n;
      return int16_t{1};
    } catch (...) {
      ShrinkBack(size);
      H().RecordCount = oldCount;
      S().CurrentRecord = oldCurrent;
      S().RecordText[0] = oldMark;
      throw;
    }
  });
  if (full) Fail(title, "DB is Full");
  return done;
}

int16_t AppendRecords(std::string& records, const std::vector<int16_t>& numbered, const char* title) {
  if (!RequireOpen(title, "DB not open")) return 0;
  const size_t len = static_cast<size_t>(H().RecordLength);
  const int64_t adding = static_cast<int64_t>(records.size() / len);
  if (records.size() % len != 0) {
    Fail(title, "Invalid record length");
    return 0;
  }
  if (!RequireWritable(title)) return 0;
  if (adding == 0) return 1;
  const int32_t oldCount = H().RecordCount, oldCurrent = S().CurrentRecord;
  std::string full;
  std::string guardTitle = title;  // "IMPORT" -> "Import" style title for file errors
  for (size_t i = 1; i < guardTitle.size(); ++i) guardTitle[i] = static_cast<char>(std::tolower(guardTitle[i]));
  const int16_t done = Guarded(guardTitle.c_str(), [&] {
    WriterLock lock(S().fd);
    int64_t size = -1;
    int32_t count = -1;
    try {
      ReadCount();  // another program may have appended since
      count = H().RecordCount;
      if (count + adding > kMaxRecords) {
        full = "DB is Full: " + std::to_string(count) + " records and " + std::to_string(adding) +
               " more would pass the " + std::to_string(kMaxRecords) + " a database holds";
        return int16_t{0};
      }
      CutTailBeyondCount(count);
      size = FillUpTo(count);
      // Blocks of about 4 MB, the "#" fields numbered on the way.
      const size_t perBlock = detail::RecordsPerBlock(len);
      Host& host = GetHost();
      auto number = [&](std::string& buf, size_t at, int32_t recNo) {
        for (const int16_t slot : numbered) {
          const FieldDef& f = H().Fields[slot];
          buf.replace(at + f.Offset, f.Length, modLIB::PadRight(AutoNumberText(recNo), f.Length));
        }
      };
      for (int64_t first = 0; first < adding; first += static_cast<int64_t>(perBlock)) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(perBlock), adding - first);
        const size_t from = static_cast<size_t>(first) * len;
        for (int64_t k = 0; k < n; ++k)
          number(records, from + static_cast<size_t>(k) * len, static_cast<int32_t>(count + first + k + 1));
        detail::WriteAt(S().fd, records.data() + from, static_cast<size_t>(n) * len,
                        Position(static_cast<int32_t>(count + first + 1)));
        host.ShowPer(static_cast<int32_t>(first + n), static_cast<int32_t>(adding));
      }
      WriteCount(static_cast<int32_t>(count + adding));
      H().RecordCount = static_cast<int32_t>(count + adding);
      S().CurrentRecord = count + 1;
      S().RecordText.assign(records, 0, len);
      return int16_t{1};
    } catch (...) {
      ShrinkBack(size);
      if (count >= 0) {
        try {
          WriteCount(count);
        } catch (...) {
        }
      }
      H().RecordCount = oldCount;
      S().CurrentRecord = oldCurrent;
      throw;
    }
  });
  GetHost().HidePer();
  if (!full.empty()) Fail(title, full);
  return done;
}

int16_t DeleteRecord() {
  const char* title = "DELETE RECORD";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().CurrentRecord == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  if (!S().RecordText.empty() && S().RecordText[0] == '*') {
    Fail(title, "Record is already marked for deletion!");
    return 0;
  }
  if (!RequireWritable(title)) return 0;
  const char oldMark = S().RecordText[0];
  return Guarded("DeleteRecord", [&] {
    try {
      S().RecordText[0] = '*';
      WriteCurrent();
      return int16_t{1};
    } catch (...) {
      S().RecordText[0] = oldMark;
      throw;
    }
  });
}

int16_t IsDeleted() {
  const char* title = "IS DELETED";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().CurrentRecord == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  return !S().RecordText.empty() && S().RecordText[0] == '*' ? -1 : 0;
}

int16_t ReadField(int16_t n, std::string& out) {
  const char* title = "READ FIELD";
  if (!RequireOpen(title, "DB not open")) return 0;
  const FieldDef* f = FieldFor(n, title, "Invalid Field Number");
  if (!f) return 0;
  // The layout was checked when the database was opened: the slice lies inside.
  out.assign(modLIB::TrimView(std::string_view(S().RecordText).substr(f->Offset, f->Length)));
  return 1;
}

int16_t WriteField(int16_t n, const std::string& text) {
  const char* title = "WRITE FIELD";
  if (!RequireOpen(title, "DB not open")) return 0;
  const FieldDef* f = FieldFor(n, title, "Invalid Field Number!");
  if (!f) return 0;
  S().RecordText.replace(f->Offset, f->Length, modLIB::PadRight(text, f->Length));
  return 1;
}

int16_t ClearRecord() {
  if (!RequireOpen("CLEAR RECORD", "DB not open!")) return 0;
  S().RecordText.assign(static_cast<size_t>(H().RecordLength), ' ');
  return 1;
}

int32_t GetRecordNo() {
  if (!RequireOpen("GET RECORD NO", "DB not open")) return 0;
  return S().CurrentRecord;
}

int16_t SetRecordNo(int32_t n) {
  const char* title = "SET RECORD NO";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (n < 1 || n > H().RecordCount) {
    Fail(title, "Record Out of range!");
    return 0;
  }
  S().CurrentRecord = n;
  ReadRecord();
  return 1;
}

int32_t GetRecordCount() {
  if (!RequireOpen("GET RECORD COUNT", "DB not open")) return 0;
  Guarded("GetRecordCount", [] {
    ReadCount();
    return int16_t{1};
  });
  return H().RecordCount;
}

int16_t GotoFirstRecord() {
  const char* title = "GOTO FIRST RECORD";
  if (!RequireOpen(title, "DB not open!")) return 0;
  if (H().RecordCount == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  S().CurrentRecord = 1;
  ReadRecord();
  return 1;
}

int16_t GotoLastRecord() {
  const char* title = "GOTO LAST RECORD";
  if (!RequireOpen(title, "DB not open!")) return 0;
  // The count is read before the test, so that records another program appended
  // to an empty database are found.
  if (!Guarded("GotoLastRecord", [] {
        ReadCount();
        return int16_t{1};
      }))
    return 0;
  if (H().RecordCount == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  S().CurrentRecord = H().RecordCount;
  ReadRecord();
  return 1;
}

int16_t GotoNextRecord() {
  if (!RequireOpen("GOTO NEXT RECORD", "DB not open!")) return 0;
  if (!Guarded("GotoNextRecord", [] {
        ReadCount();
        return int16_t{1};
      }))
    return 0;
  if (S().CurrentRecord >= H().RecordCount) return 0;
  ++S().CurrentRecord;
  ReadRecord();
  return 1;
}

int16_t GotoPreviousRecord() {
  if (!RequireOpen("GOTO PREVIOUS RECORD", "DB not open!")) return 0;
  if (S().CurrentRecord <= 1) return 0;
  --S().CurrentRecord;
  ReadRecord();
  return 1;
}

std::string GetRecordText() { return S().RecordText; }
std::string GetDatabaseName() { return S().DatabaseName; }

}  // namespace modDB
