// The record store: one open form database per program, its current record held in
// RecordText. Each operation runs its checks in the fixed order the users know and
// reports the first failure itself; file errors become "Unexpected Error" under the
// operation's own name and leave the in-memory state as it was.
#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <exception>
#include <future>
#include <string>

#include "engine/files/DatabaseFile.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/history/History.h"
#include "engine/store/Merge.h"
#include "engine/modDB.h"
#include "engine/State.h"
#include "engine/StoreCommon.h"
#include "engine/store/WriteTxn.h"
#include "lib/modLIB.h"

namespace modDB {

using detail::S;

namespace {

// The open check every operation on the current database starts with (the texts
// differ between them).
bool RequireOpen(const char* title, const char* text) {
  if (S().IsOpen()) return true;
  Fail(title, text);
  return false;
}

// How an operation on the current database ended, told through the Host: 1 done, 0
// not (a cancelled question says nothing more).
int16_t Report(const Status& s) {
  if (s) return 1;
  if (!s.reason.empty()) Fail(s.title, s.reason);
  return 0;
}

// Success names no file, so that a walk through the records allocates nothing.
Status Done() { return {}; }
Status Refused(const Database& d, Status::Code code, const char* title, std::string reason) {
  return {code, d.FileName(), std::move(reason), title};
}

int64_t Position(const Database& d, int32_t n) { return RecordPosition(n, d.header.RecordLength); }

// Reads the record count alone from offset 0 into the in-memory header. A count that
// cannot be a count (a damaged write by another program) is not taken.
void ReadCount(Database& d) { detail::ReadRecordCount(d.fd, d.header.RecordCount); }

void WriteCount(const Database& d, int32_t count) {
  const auto u = static_cast<uint32_t>(count);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                        static_cast<uint8_t>(u >> 24)};
  detail::WriteAt(d.fd, b, 4, 0);
}

// Reads the current record; whatever lies beyond the end of the file reads as blanks.
// A failed read leaves RecordText as it was.
void ReadCurrent(Database& d) {
  static std::string text;  // reused: a walk through the file allocates nothing
  text.assign(static_cast<size_t>(d.header.RecordLength), ' ');
  detail::ReadAt(d.fd, text.data(), text.size(), Position(d, d.CurrentRecord));
  d.RecordText.swap(text);
  d.RecordAsRead = d.RecordText;
}

// Record n as the file holds it now; blanks beyond the end.
std::string RecordInFile(const Database& d, int32_t n) {
  std::string text(static_cast<size_t>(d.header.RecordLength), ' ');
  detail::ReadAt(d.fd, text.data(), text.size(), Position(d, n));
  return text;
}

// Thrown under the writers' lock when the open file is no longer the database.
struct Replaced {
  const char* title;
};

// The write sequence on an open database: a file that another program replaced
// (packed or saved with a new design) since it was opened is only a backup now, and
// is never written.
struct Txn : detail::WriteTxn {
  Txn(const Database& d, const char* title) : detail::WriteTxn(d.fd, d.FileName()) {
    if (!StillNamed()) throw Replaced{title};
  }
};

// Runs the file work of an operation on d; a failure is "Unexpected Error" under
// title, with the file and the system's reason.
template <typename Work>
Status Guard(const Database& d, const char* title, Work work) {
  try {
    work();
    return Done();
  } catch (const Replaced& r) {
    return Refused(d, Status::Replaced, r.title,
                   detail::ReplacedText(d.FileName()) + "\r\nNothing was written: open it again to go on.");
  } catch (const std::exception& e) {
    return Refused(d, Status::Failed, title, detail::UnexpectedError(e, d.FileName()));
  }
}

// A database opened for reading only refuses every write, saying why.
Status Writable(const Database& d, const char* title) {
  if (d.readOnlyWhy.empty()) return Done();
  return Refused(d, Status::ReadOnly, title, "FILE:" + d.FileName() + " cannot be written: " + d.readOnlyWhy);
}

// Writes `bytes` at offset `at` of record CurrentRecord in one write, the gap between
// the end of the file and the end of the last counted record (or of this one)
// filled with blank records first, so that no record reads back as zero bytes.
void WriteIntoCurrent(const Database& d, detail::WriteTxn& txn, const char* bytes, size_t n, int64_t at) {
  const int32_t upTo = std::max(d.CurrentRecord, d.header.RecordCount);
  txn.FillTo(RecordPosition(upTo + 1, d.header.RecordLength));
  txn.Write(bytes, n, Position(d, d.CurrentRecord) + at);
}

// ---- "#" numbers ------------------------------------------------------------------
// A new record's number is one more than the highest the "#" fields hold in the file.
// What was learned is kept per file, so that an add reads only the records appended
// since the last one looked; a pack or a design save makes a new file, read afresh.

std::vector<int16_t> NumberedSlots(const FormHeader& h) {
  std::vector<int16_t> out;
  for (int16_t k = 1; k <= kMaxFields; ++k)
    if (h.Fields[k].Page != 0 && h.Fields[k].Format.Trimmed().find('#') != std::string::npos) out.push_back(k);
  return out;
}

int32_t HighestNumber(const Database& d, const std::vector<int16_t>& numbered, int32_t count) {
  static struct {
    dev_t dev = 0;
    ino_t ino = 0;
    int32_t scanned = 0, highest = 0;
  } seen;
  struct stat st {};
  if (!detail::StatOpen(d.fd, st)) throw detail::FileError(errno, "stat", d.FileName());
  if (st.st_dev != seen.dev || st.st_ino != seen.ino || count < seen.scanned) seen = {st.st_dev, st.st_ino, 0, 0};
  if (numbered.empty() || count <= seen.scanned) return seen.highest;
  const size_t len = static_cast<size_t>(d.header.RecordLength);
  const int32_t from = seen.scanned + 1;
  int32_t highest = seen.highest;
  const size_t perBlock = detail::RecordsPerBlock(len);
  std::vector<char> block;
  for (int32_t i = from; i <= count;) {
    const int32_t batch = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(perBlock), count - i + 1));
    block.assign(static_cast<size_t>(batch) * len, ' ');
    detail::ReadAt(d.fd, block.data(), block.size(), Position(d, i));
    for (int32_t r = 0; r < batch; ++r) {
      const char* rec = block.data() + static_cast<size_t>(r) * len;
      for (const int16_t k : numbered) {
        const FieldDef& f = d.header.Fields[k];
        const std::string_view v = modLIB::TrimView(std::string_view(rec + f.Offset, static_cast<size_t>(f.Length)));
        int32_t n = 0;
        const auto got = std::from_chars(v.data(), v.data() + v.size(), n);
        if (got.ec == std::errc() && got.ptr == v.data() + v.size()) highest = std::max(highest, n);
      }
    }
    i += batch;
  }
  seen.scanned = count;
  seen.highest = highest;
  return highest;
}

// Puts number n into the "#" fields of the record at rec.
void Number(const FormHeader& h, char* rec, const std::vector<int16_t>& numbered, int32_t n) {
  const std::string text = AutoNumberText(n);
  for (const int16_t k : numbered) {
    const FieldDef& f = h.Fields[k];
    const size_t room = static_cast<size_t>(f.Length), put = std::min(text.size(), room);
    std::copy_n(text.data(), put, rec + f.Offset);
    std::fill_n(rec + f.Offset + put, room - put, ' ');
  }
}

// What a compared write found in the file.
enum class Found { Written, Changed, Marked };

// Under the writers' lock: writes RecordText over record CurrentRecord when the file
// still holds the record as it was read (or already holds what is written);
// otherwise writes nothing and hands back what the file holds.
Found WriteIfUnchanged(Database& d, const char* title, std::string& inFile) {
  Txn txn(d, title);
  inFile = RecordInFile(d, d.CurrentRecord);
  if (inFile != d.RecordAsRead && inFile != d.RecordText)
    return inFile[0] == '*' && (d.RecordAsRead.empty() || d.RecordAsRead[0] != '*') ? Found::Marked
                                                                                      : Found::Changed;
  txn.Log(detail::LogChange(d.FileName(), d.header, d.CurrentRecord, inFile, d.RecordText));
  WriteIntoCurrent(d, txn, d.RecordText.data(), d.RecordText.size(), 0);
  txn.Done();
  d.RecordAsRead = d.RecordText;
  return Found::Written;
}

// Takes the file's version of the current record as the record.
void TakeFileVersion(Database& d, const std::string& inFile) {
  d.RecordText = inFile;
  d.RecordAsRead = inFile;
}

// Whether two definitions describe the same form, whatever their record counts.
bool SameLayout(FormHeader a, FormHeader b) {
  a.RecordCount = b.RecordCount = 0;
  HeaderBytes x{}, y{};
  EncodeHeader(a, x.data());
  EncodeHeader(b, y.data());
  return x == y;
}

const FieldDef* FieldFor(int16_t n, const char* title, const char* rangeText) {
  if (n < 1 || n > kMaxFields) {
    Fail(title, rangeText);
    return nullptr;
  }
  const FieldDef& f = S().header.Fields[n];
  if (f.Page == 0) {
    Fail(title, "Field not defined!");
    return nullptr;
  }
  return &f;
}

}  // namespace

int16_t OpenDatabase(std::string& name) { return OpenDatabase(S(), name); }

int16_t OpenDatabase(Database& d, std::string& name) {
  const char* title = "OPEN DATABASE";
  if (d.IsOpen()) {
    Fail(title, "FILE:" + d.DatabaseName + " already open");
    return 0;
  }
  name = modLIB::Trim(name);
  if (name.empty()) {
    Fail(title, "Invalid File Name");
    return 0;
  }
  const std::string base = BaseFileName(name);
  const Status opened = d.Open(base + ".Qfd");
  if (opened.code == Status::NotFound) {
    Fail(title, "FILE:" + base + " not found!");
    return 0;
  }
  if (!opened) {
    Fail(opened.title.empty() ? title : opened.title, opened.reason);
    return 0;
  }
  if (d.CurrentRecord != 0) Report(d.Read());
  return 1;
}

int16_t CloseDatabase() {
  if (!RequireOpen("CLOSE DATABASE", "File not open!")) return 0;
  S().Close();
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
  return Report(S().Read());
}

Status Database::Read() {
  return Guard(*this, "ReadRecord", [&] { ReadCurrent(*this); });
}

int16_t WriteRecord() {
  const char* title = "WRITE RECORD";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().CurrentRecord == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  return Report(S().Save());
}

Status Database::Save() {
  const char* title = "WRITE RECORD";
  if (Status s = Writable(*this, title); !s) return s;
  // Another program's change since the record was read is never overwritten unseen:
  // the changes of both are kept field by field, and only a field both changed asks.
  for (;;) {
    std::string inFile;
    Found found = Found::Written;
    Status s = Guard(*this, "WriteRecord", [&] { found = WriteIfUnchanged(*this, title, inFile); });
    if (!s || found == Found::Written) return s;
    const std::string& asRead = RecordAsRead;
    MergedRecord m = MergeRecord(header, asRead, inFile, RecordText);
    const std::string n = std::to_string(CurrentRecord);
    if (found == Found::Marked) {
      const int answer = Ask(
          "Record " + n + " was marked for deletion in another program since editing began.\r\n"
                          "Yes: save your version over it (it is then no longer marked).\r\n"
                          "No: take the other version (your typing is discarded).\r\nCancel: go back to editing.",
          vbYesNoCancel | vbExclamation | vbDefaultButton3, title);
      if (answer == vbNo) {
        TakeFileVersion(*this, inFile);
        return s;
      }
      if (answer != vbYes) return Refused(*this, Status::Changed, title, "");
      m.yours[0] = RecordText[0];
      RecordText = m.yours;
    } else if (m.both.empty()) {
      RecordText = m.yours;
    } else {
      const int answer = Ask(MergeQuestion(header, CurrentRecord, m, asRead, inFile, RecordText),
                             vbYesNoCancel | vbExclamation | vbDefaultButton3, title);
      if (answer != vbYes && answer != vbNo) return Refused(*this, Status::Changed, title, "");
      RecordText = answer == vbYes ? m.yours : m.theirs;
    }
    RecordAsRead = inFile;  // the version the merge was made against
  }
}

int16_t AddRecord() {
  const char* title = "ADD RECORD";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().header.RecordCount >= kMaxRecords) {
    Fail(title, "DB is Full");
    return 0;
  }
  return Report(S().Add());
}

Status Database::Add() {
  const char* title = "ADD RECORD";
  if (Status s = Writable(*this, title); !s) return s;
  const int32_t oldCount = header.RecordCount, oldCurrent = CurrentRecord;
  const char oldMark = RecordText.empty() ? ' ' : RecordText[0];
  bool full = false;
  // The numbered fields come from the form's layout, which no other program changes
  // while the file is open: found before the lock, so it is held no longer than needed.
  const std::vector<int16_t> numbered = NumberedSlots(header);
  const Status done = Guard(*this, "AddRecord", [&] {
    Txn txn(*this, title);
    try {
      ReadCount(*this);  // another program may have appended since
      if (header.RecordCount >= kMaxRecords) {
        full = true;
        return;
      }
      const int32_t n = header.RecordCount + 1;
      RecordText[0] = ' ';
      // The number goes in with the record, decided under the lock.
      if (!numbered.empty())
        Number(header, RecordText.data(), numbered, HighestNumber(*this, numbered, header.RecordCount) + 1);
      // The records the count promises, then the new record, then the count: a reader
      // that sees the new count finds the record complete, and a failure on the way
      // gives the file back the size and count it had. Bytes a stopped writer left
      // behind the counted records belong to no record and go first.
      txn.Log(detail::LogChange(FileName(), header, n, std::string(), RecordText));
      txn.CutTo(Position(*this, n));
      txn.FillTo(Position(*this, n));
      txn.Write(RecordText.data(), RecordText.size(), Position(*this, n));
      WriteCount(*this, n);
      txn.Done();
      header.RecordCount = n;
      CurrentRecord = n;
      RecordAsRead = RecordText;
    } catch (...) {
      header.RecordCount = oldCount;
      CurrentRecord = oldCurrent;
      RecordText[0] = oldMark;
      throw;
    }
  });
  if (done && full) return Refused(*this, Status::Full, title, "DB is Full");
  return done;
}

int16_t AppendRecords(std::string& records, const std::vector<int16_t>& numbered, const char* title) {
  if (!RequireOpen(title, "DB not open")) return 0;
  if (records.size() % static_cast<size_t>(S().header.RecordLength) != 0) {
    Fail(title, "Invalid record length");
    return 0;
  }
  return Report(S().Append(records, numbered, title));
}

namespace {

// Under the writers' lock, behind the `count` records the file holds: the records
// appended in blocks of about 4 MB (they are in memory already), their "#" fields
// numbered on the way, then their history, then the new count.
void WriteAppended(Database& d, detail::WriteTxn& txn, std::string& records, const std::vector<int16_t>& numbered,
                   int32_t count) {
  const size_t len = static_cast<size_t>(d.header.RecordLength);
  const int64_t adding = static_cast<int64_t>(records.size() / len);
  txn.CutTo(Position(d, count + 1));
  txn.FillTo(Position(d, count + 1));
  const size_t perBlock = detail::RecordsPerBlock(len, detail::kCopyBlock);
  Host& host = GetHost();
  if (!numbered.empty()) {
    const int32_t next = HighestNumber(d, numbered, count) + 1;
    for (int64_t k = 0; k < adding; ++k)
      Number(d.header, records.data() + static_cast<size_t>(k) * len, numbered, static_cast<int32_t>(next + k));
  }
  // The history's lines are written beside the records, on a thread of their own:
  // the records count only once the count is written, and that waits for the lines.
  // Lines that cannot be written leave the records uncounted and cut off again.
  const std::string dbFile = d.FileName();
  const int32_t firstNew = count + 1;
  auto logImport = [&] { return detail::LogImport(dbFile, d.header, firstNew, records.data(), adding); };
  std::future<detail::HistoryLines> logging;
  try {
    logging = std::async(std::launch::async, logImport);
  } catch (const std::system_error&) {
    // No thread to spare: the lines are written after the records.
  }
  for (int64_t first = 0; first < adding; first += static_cast<int64_t>(perBlock)) {
    const int64_t n = std::min<int64_t>(static_cast<int64_t>(perBlock), adding - first);
    const size_t from = static_cast<size_t>(first) * len;
    txn.Write(records.data() + from, static_cast<size_t>(n) * len, Position(d, static_cast<int32_t>(count + first + 1)));
    host.ShowPer(static_cast<int32_t>(first + n), static_cast<int32_t>(adding));
  }
  txn.Log(logging.valid() ? logging.get() : logImport());
  WriteCount(d, static_cast<int32_t>(count + adding));
}

}  // namespace

Status Database::Append(std::string& records, const std::vector<int16_t>& numbered, const char* title) {
  if (Status s = Writable(*this, title); !s) return s;
  const size_t len = static_cast<size_t>(header.RecordLength);
  const int64_t adding = static_cast<int64_t>(records.size() / len);
  if (adding == 0) return Done();
  const int32_t oldCount = header.RecordCount, oldCurrent = CurrentRecord;
  std::string full;
  std::string guardTitle = title;  // "IMPORT" -> "Import" style title for file errors
  for (size_t i = 1; i < guardTitle.size(); ++i) guardTitle[i] = static_cast<char>(std::tolower(guardTitle[i]));
  const Status done = Guard(*this, guardTitle.c_str(), [&] {
    Txn txn(*this, title);
    int32_t count = -1;
    try {
      ReadCount(*this);  // another program may have appended since
      count = header.RecordCount;
      if (count + adding > kMaxRecords) {
        full = "DB is Full: " + std::to_string(count) + " records and " + std::to_string(adding) +
               " more would pass the " + std::to_string(kMaxRecords) + " a database holds";
        return;
      }
      WriteAppended(*this, txn, records, numbered, count);
      txn.Done();
      header.RecordCount = static_cast<int32_t>(count + adding);
      CurrentRecord = count + 1;
      RecordText.assign(records, 0, len);
      RecordAsRead = RecordText;
    } catch (...) {
      if (count >= 0) {
        try {
          WriteCount(*this, count);
        } catch (...) {
        }
      }
      header.RecordCount = oldCount;
      CurrentRecord = oldCurrent;
      throw;
    }
  });
  GetHost().HidePer();
  if (done && !full.empty()) return Refused(*this, Status::Full, title, full);
  return done;
}

int16_t DeleteRecord() {
  const char* title = "DELETE RECORD";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().CurrentRecord == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  if (S().Deleted()) {
    Fail(title, "Record is already marked for deletion!");
    return 0;
  }
  return Report(S().Delete());
}

Status Database::Delete() {
  const char* title = "DELETE RECORD";
  if (Status s = Writable(*this, title); !s) return s;
  // As a save: a record another program changed or marked since it was read is not
  // marked unseen. Once the user has seen the change, only the mark is written, so
  // that the other program's values stay.
  bool markOnly = false;
  for (;;) {
    std::string inFile;
    Found found = Found::Written;
    const char oldMark = RecordText[0];
    const Status done = Guard(*this, "DeleteRecord", [&] {
      Txn txn(*this, title);
      inFile = RecordInFile(*this, CurrentRecord);
      if (!inFile.empty() && inFile[0] == '*') {
        found = Found::Marked;
        return;
      }
      if (!markOnly && inFile != RecordAsRead) {
        found = Found::Changed;
        return;
      }
      try {
        if (markOnly) RecordText = inFile;
        RecordText[0] = '*';
        txn.Log(detail::LogChange(FileName(), header, CurrentRecord, inFile, RecordText));
        WriteIntoCurrent(*this, txn, RecordText.data(), markOnly ? 1 : RecordText.size(), 0);
        txn.Done();
      } catch (...) {
        RecordText[0] = oldMark;
        throw;
      }
      RecordAsRead = RecordText;
    });
    if (!done || found == Found::Written) return done;
    TakeFileVersion(*this, inFile);
    if (found == Found::Marked) return Refused(*this, Status::Changed, title, "Record is already marked for deletion!");
    const int answer = Ask("Record " + std::to_string(CurrentRecord) +
                               " was changed in another program since it was read.\r\n"
                               "Mark it for deletion all the same?\r\n(No shows the other version.)",
                           vbYesNo | vbExclamation | vbDefaultButton2, title);
    if (answer != vbYes) return Refused(*this, Status::Changed, title, "");
    markOnly = true;
  }
}

int16_t UndeleteRecord() {
  const char* title = "UNDELETE RECORD";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().CurrentRecord == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  if (!S().Deleted()) {
    Fail(title, "Record is not marked for deletion!");
    return 0;
  }
  return WriteFieldsOf(S().CurrentRecord, {}, title, ' ');
}

int16_t IsDeleted() {
  const char* title = "IS DELETED";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (S().CurrentRecord == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  return S().Deleted() ? -1 : 0;
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
  S().RecordText.assign(static_cast<size_t>(S().header.RecordLength), ' ');
  return 1;
}

int32_t GetRecordNo() {
  if (!RequireOpen("GET RECORD NO", "DB not open")) return 0;
  return S().CurrentRecord;
}

int16_t SetRecordNo(int32_t n) {
  const char* title = "SET RECORD NO";
  if (!RequireOpen(title, "DB not open")) return 0;
  if (n < 1 || n > S().header.RecordCount) {
    Fail(title, "Record Out of range!");
    return 0;
  }
  Report(S().Go(n));
  return 1;
}

Status Database::Go(int32_t n) {
  CurrentRecord = n;
  return Read();
}

Status Database::Recount(const char* title) {
  return Guard(*this, title, [&] { ReadCount(*this); });
}

int32_t GetRecordCount() {
  if (!RequireOpen("GET RECORD COUNT", "DB not open")) return 0;
  Report(S().Recount("GetRecordCount"));
  return S().header.RecordCount;
}

int16_t GotoFirstRecord() {
  const char* title = "GOTO FIRST RECORD";
  if (!RequireOpen(title, "DB not open!")) return 0;
  if (S().header.RecordCount == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  Report(S().Go(1));
  return 1;
}

int16_t GotoLastRecord() {
  const char* title = "GOTO LAST RECORD";
  if (!RequireOpen(title, "DB not open!")) return 0;
  // The count is read before the test, so that records another program appended
  // to an empty database are found.
  if (!Report(S().Recount("GotoLastRecord"))) return 0;
  if (S().header.RecordCount == 0) {
    Fail(title, "DB is empty");
    return 0;
  }
  Report(S().Go(S().header.RecordCount));
  return 1;
}

int16_t GotoNextRecord() {
  if (!RequireOpen("GOTO NEXT RECORD", "DB not open!")) return 0;
  // Records are only ever appended to the same file (a pack or a design save replaces
  // it), so the count is read again only at the last record known.
  if (S().CurrentRecord >= S().header.RecordCount && !Report(S().Recount("GotoNextRecord"))) return 0;
  if (S().CurrentRecord >= S().header.RecordCount) return 0;
  Report(S().Go(S().CurrentRecord + 1));
  return 1;
}

int16_t GotoPreviousRecord() {
  if (!RequireOpen("GOTO PREVIOUS RECORD", "DB not open!")) return 0;
  if (S().CurrentRecord <= 1) return 0;
  Report(S().Go(S().CurrentRecord - 1));
  return 1;
}

int16_t IsReplaced() { return S().Replaced() ? -1 : 0; }

bool Database::Replaced() const { return IsOpen() && !detail::StillNamed(fd, FileName()); }

int16_t ReopenDatabase() { return ReopenDatabase(S()); }

int16_t ReopenDatabase(Database& d) {
  if (!d.IsOpen()) {
    Fail("OPEN DATABASE", "File not open!");
    return 0;
  }
  const FormHeader old = d.header;
  const std::string text = d.RecordText, asRead = d.RecordAsRead;
  const int32_t current = d.CurrentRecord;
  std::string name = d.FileName();
  detail::CloseQuietly(d.fd);
  d.ResetOpen();
  if (OpenDatabase(d, name) != 1) return 0;
  if (!SameLayout(old, d.header)) return 2;
  // The same form: the record in hand stays in hand, on the record of the new file
  // that still reads as it was read (a pack renumbers records), else on the same
  // number; a save then compares as before.
  const int32_t count = d.header.RecordCount;
  int32_t at = 0;
  if (!asRead.empty() && count > 0)
    detail::ReadRecordBlocks(
        d.fd, asRead.size(), count, detail::RecordsPerBlock(asRead.size()),
        [&](int32_t i, const char* rec) {
          if (at == 0 && asRead.compare(0, asRead.size(), rec, asRead.size()) == 0) at = i;
        },
        [] {});
  if (at == 0) at = std::clamp(current, count > 0 ? 1 : 0, count);
  d.CurrentRecord = at;
  d.RecordText = text;
  d.RecordAsRead = asRead;
  return 1;
}

int16_t WriteFieldsOf(int32_t n, const std::vector<FieldValue>& values, const char* title, char mark) {
  if (!RequireOpen(title, "DB not open")) return 0;
  if (n < 1 || n > S().header.RecordCount) {
    Fail(title, "Record Out of range!");
    return 0;
  }
  for (const FieldValue& v : values)
    if (!FieldFor(v.slot, title, "Invalid Field Number!")) return 0;
  return Report(S().WriteFields(n, values, title, mark));
}

Status Database::WriteFields(int32_t n, const std::vector<FieldValue>& values, const char* title, char mark) {
  if (Status s = Writable(*this, title); !s) return s;
  const int32_t oldCurrent = CurrentRecord;
  CurrentRecord = n;
  const FieldDef* changed = nullptr;  // the field another program wrote since the caller read it
  const Status done = Guard(*this, title, [&] {
    Txn txn(*this, title);
    const std::string inFile = RecordInFile(*this, n);
    for (const FieldValue& v : values) {
      const FieldDef& f = header.Fields[v.slot];
      if (v.asRead && detail::ChangedSinceRead(inFile.substr(f.Offset, f.Length), modLIB::PadRight(*v.asRead, f.Length),
                                               modLIB::PadRight(v.text, f.Length))) {
        changed = &f;
        return;
      }
    }
    std::string after = inFile;
    // The named fields (and the mark) change; the record reaches the file in one
    // write, from the first changed byte to the last, the bytes between as the file
    // holds them under the lock.
    size_t from = mark != 0 ? 0 : after.size(), to = mark != 0 ? 1 : 0;
    for (const FieldValue& v : values) {
      const FieldDef& f = header.Fields[v.slot];
      after.replace(f.Offset, f.Length, modLIB::PadRight(v.text, f.Length));
      from = std::min(from, static_cast<size_t>(f.Offset));
      to = std::max(to, static_cast<size_t>(f.Offset + f.Length));
    }
    if (mark != 0) after[0] = mark;
    txn.Log(detail::LogChange(FileName(), header, n, inFile, after));
    if (from < to) WriteIntoCurrent(*this, txn, after.data() + from, to - from, static_cast<int64_t>(from));
    txn.Done();
    ReadCurrent(*this);
  });
  if (!done || changed) CurrentRecord = oldCurrent;
  if (done && changed)
    return Refused(*this, Status::Changed, title,
                   detail::ChangedSinceReadText(FileName(), n, *changed) + " Nothing was written.");
  return done;
}

int16_t OpenInOtherPrograms(const std::string& name) {
  std::string n = name;
  const std::string file = BaseFileName(n) + ".Qfd";
  try {
    detail::Fd fd(detail::OpenFile(file, O_RDONLY));
    return detail::OpenElsewhere(fd.get()) ? -1 : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

int32_t NextAutoNumber() {
  int32_t next = 1;
  if (S().IsOpen()) Report(S().NextNumber(next));
  return next;
}

Status Database::NextNumber(int32_t& next) {
  next = 1;
  return Guard(*this, "NextAutoNumber", [&] {
    ReadCount(*this);
    next = HighestNumber(*this, NumberedSlots(header), header.RecordCount) + 1;
  });
}

std::string GetRecordText() { return S().RecordText; }
std::string GetDatabaseName() { return S().DatabaseName; }
std::string GetReadOnlyReason() { return S().IsOpen() ? S().readOnlyWhy : std::string(); }

}  // namespace modDB
