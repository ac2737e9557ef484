// Database: one open form database, with its file, its header, its current record
// and what it last read. The program's current database is the one the record store's
// functions of modDB.h work on (they are shims over it); the form script's second
// database is a Database of its own, with the same checks before every write: the
// file must still be the database its name points to, and what another program
// changed since this one read it is never written over unseen.
//
// Operations report through a Status instead of showing messages; the shims of
// modDB.h show it through the Host. Questions an operation must ask in its middle go
// to the database's answerer (by default the Host's message box).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/FormHeader.h"
#include "engine/modDB.h"

namespace modDB {

// How an operation ended; on failure the file it concerned and the message it would
// show, under the title it would show it.
struct Status {
  enum Code : uint8_t {
    Ok,
    NotFound,  // no such database file
    Unusable,  // not a usable form database (reason says why)
    Failed,    // a file error (reason: "Unexpected Error" ...)
    ReadOnly,  // the file may only be read
    Replaced,  // another program replaced the file since it was opened
    Changed,   // another program changed what is written since it was read (or the
               // user, asked about it, went back: no reason then)
    Full,      // the database holds all the records it can
  };
  Code code = Ok;
  std::string file;
  std::string reason;
  std::string title;

  explicit operator bool() const { return code == Ok; }
};

// Asks the user a question as the Host's message box does: the answer is a MsgAnswer.
using Answerer = std::function<int(const std::string& text, int style, const std::string& title)>;

class Database {
 public:
  Database() = default;
  ~Database();  // closes the file
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens the database file `path` (base + ".Qfd") for reading and writing, or for
  // reading only where the user may only read it, with presence; reads its header
  // and makes record 1 current (0 when it holds none) without reading it. The
  // database must not be open already.
  Status Open(const std::string& path);
  // Closes the file (presence goes with it) and forgets all but the header.
  void Close();
  bool IsOpen() const { return fd >= 0; }
  std::string FileName() const { return DatabaseName + ".Qfd"; }

  // Field `slot` of record n as the file holds it now, not trimmed (blanks beyond the
  // end of the file); remembered as read, for WriteFieldOf.
  Status ReadFieldOf(int32_t n, int16_t slot, std::string& out);
  // Writes text, padded or cut to the field's length, into field `slot` of record n
  // and nothing else, under the writers' lock. Refused, with nothing written, when
  // the file may only be read, was replaced, or holds another value in that field
  // than ReadFieldOf last read there (a field never read is written as it stands).
  Status WriteFieldOf(int32_t n, int16_t slot, const std::string& text, const char* who = nullptr);

  // The record store's work on the current record (RecordStore.cpp), as the functions
  // of the same name in modDB.h do it after their checks, the messages in the Status.
  // The current record read again from the file.
  Status Read();
  // Makes record n current and reads it.
  Status Go(int32_t n);
  // The record count read again from the file into the header (another program may
  // have added records); `title` names the operation in a failure.
  Status Recount(const char* title);
  // Writes RecordText over the current record; another program's change since it was
  // read is merged, and a field both changed asks (Cancel: code Changed, no reason).
  Status Save();
  // Appends RecordText as a new record, its "#" fields numbered, and makes it current.
  Status Add();
  // Marks the current record for deletion, asking when another program changed it.
  Status Delete();
  // Writes only the given fields (and the mark, unless 0) of record n, which becomes
  // current and is read again.
  Status WriteFields(int32_t n, const std::vector<FieldValue>& values, const char* title, char mark);
  // Appends whole records (a multiple of the record length), each of the "#" field
  // slots `numbered` carrying its record's number; the first new one becomes current.
  // Full when they would pass the limit, counted under the lock.
  Status Append(std::string& records, const std::vector<int16_t>& numbered, const char* title);
  // The number a new record's "#" fields get as things stand now (1 on failure).
  Status NextNumber(int32_t& next);

  // Whether the open file is no longer the database its name points to.
  bool Replaced() const;
  // Whether the current record bears the deletion mark.
  bool Deleted() const { return !RecordText.empty() && RecordText[0] == '*'; }

  // Asks a question through the answerer, or the Host's message box without one.
  int Ask(const std::string& text, int style, const std::string& title) const;

  // Forgets the open file's state (not the descriptor: the caller closes it).
  void ResetOpen();

  FormHeader header;
  int fd = -1;               // the open database's descriptor; -1 = none
  int16_t fileNumber = 0;    // the handle the callers see; 0 = no database open
  std::string DatabaseName;  // base name, as BaseFileName returned it
  int32_t CurrentRecord = 0;
  std::string RecordText;
  // The current record as the file held it when it was last read or written: a save
  // or a delete compares the file with it, so that another program's change in
  // between is never overwritten unseen.
  std::string RecordAsRead;
  // Fields read one by one (record, slot): as the file held them then.
  std::map<std::pair<int32_t, int16_t>, std::string> FieldsAsRead;
  // Set when the database could only be opened for reading: the system's reason,
  // given with every refused write.
  std::string readOnlyWhy;
  Answerer answerer;  // empty: the Host's message box
};

// The program's current database: the one the record store of modDB.h works on, and
// whose header is the form definition being designed.
Database& CurrentDatabase();

// The operations that tell the user themselves, through the Host, as they go (one
// may ask, and show more than one message), on database d: those of the same name in
// modDB.h are these on the current database, with the same results. SaveHeader saves
// d's header as the definition.
int16_t OpenDatabase(Database& d, std::string& name);
int16_t ReopenDatabase(Database& d);
int16_t PackRecords(Database& d);
int16_t SaveHeader(Database& d, std::string& name);

}  // namespace modDB
