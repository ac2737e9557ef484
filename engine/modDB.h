// modDB: the form database engine.
//
// The engine keeps one form definition per program (the header of the database that
// is open or being designed) and, in the data-entry program, one open database with
// its current record. Every operation checks its preconditions in a fixed order,
// reports the first failure itself through the Host (critical icon, OK button, the
// operation's name in capitals as the title) and returns a failure value; callers
// only test the result and never show a second message.
//
// The record store's functions are shims over the program's current Database
// (Database.h): they check, let the database do the work, and show its Status.
//
// Results: 1 done / 0 not done, or the slot or record number found or made (0 none);
// predicates -1 true / 0 false. Slots and pages are 1-based.
//
// Each section below names the files that implement it. The engine's other headers
// (CsvImport.h, CsvExport.h, History.h, DirectFile.h, DatabaseFile.h, ...) are each
// implemented by the .cpp of their own name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/FormHeader.h"
#include "engine/Host.h"

namespace modDB {

// ---- The form definition -------------------------------------------------------
// (DefinitionStore.cpp; the header's bytes: HeaderLayout.cpp)

// Defaults of a new design; also closes the engine's view of any open database.
void InitHeader();

// Whole-header access, by value, for the tools and for loading a header that came
// from elsewhere (a JSON definition). SetHeader takes the header as it is.
FormHeader GetHeader();
void SetHeader(const FormHeader& h);

FormProps GetFormProps();
void SetFormProps(const FormProps& props);
int16_t GetDateOrder();  // 2 when DateOrder is 2, else 1
void SetDateOrder(uint8_t order);
uint8_t GetOrientation();
void SetOrientation(uint8_t orientation);
std::string GetScript();
int16_t SetScript(const std::string& text);
std::string GetPassword();
int16_t SetPassword(std::string& text);  // trims the caller's text in place
std::string GetPageHeading(int16_t page);
void SetPageHeading(int16_t page, const std::string& text);
// The name a page goes by in the programs' menus: its heading, or "Page" and its
// number when the heading is blank.
std::string PageCaption(int16_t page);
int16_t GetLastPage();
void AssignOffsets();

// Fields: slots 1 ... FieldCount, without gaps; slot order is the tab order.
int16_t GetFieldCount();
int16_t FindField(const std::string& name);
int16_t GetFieldDef(int16_t n, FieldDef& out);
int16_t AddField(FieldDef& def);
int16_t SetFieldDef(int16_t n, FieldDef& def);
int16_t DeleteField(int16_t n);
int16_t MoveFieldUp(int16_t n);
int16_t MoveFieldDown(int16_t n);

// Banners: a new banner takes the first free slot.
int16_t GetBannerCount();
int16_t GetBanner(int16_t n, BannerDef& out);
int16_t InsertBanner(BannerDef& def);
int16_t SetBanner(int16_t n, BannerDef& def);
int16_t DeleteBanner(int16_t n);

// The length a format forces on a field (the last matching test wins: "Y" 1, "D" 10,
// "T" 8, "#" 5), or the given length when the format forces none. The format is
// expected trimmed and upper-cased.
int16_t ForcedLength(const std::string& format, int16_t length);

// The base of a database name: the caller's text trimmed, with a trailing ".Qfd" in
// any letter case dropped (only from names longer than 4 characters), written back
// in place and returned. The database is base + ".Qfd", its companions base + ".Bak"
// and base + ".QfB".
std::string BaseFileName(std::string& name);

// The text a "#" field stores for record number n: the number behind one blank for
// the sign, as the program has always stored it; a number that needs all five places
// of the field (10000 and up) drops the blank, so that no digit is cut.
std::string AutoNumberText(int32_t n);
// The number a new record's "#" fields get: one more than the highest number such a
// field holds in the open database's file (1 for an empty file), so that no number
// ever repeats, after a pack either. AddRecord and AppendRecords put it in under the
// writers' lock, with the record; this is the number as things stand now, for show.
int32_t NextAutoNumber();

// ---- Field labels ----------------------------------------------------------------
// (FieldLabel.cpp)

// A place on the form surface, in pixels: right = left + width - 1, bottom likewise.
struct Box {
  int32_t left = 0, top = 0, width = 0, height = 0;
  int32_t right() const { return left + width - 1; }
  int32_t bottom() const { return top + height - 1; }
};
struct BannerBox {
  Box box;
  std::string caption;
};
// The caption of the banner that labels a field standing at `field`: the nearest one
// on its left on the same line (their rows overlap; the one ending nearest the
// field's left edge), else the lowest one above it that overlaps its columns; "" when
// none does. Banners without a caption label nothing.
std::string LabelOf(const Box& field, const std::vector<BannerBox>& banners);
// The label of field `slot` of header h, as a reader of the form sees it: the banner
// of the field's page chosen by LabelOf, each banner's extent estimated from its
// caption and font size, else the field's trimmed name; "" when there is no such field.
std::string FieldLabel(const FormHeader& h, int16_t slot);

// ---- Header load and save ------------------------------------------------------
// (HeaderSave.cpp; reading a header file: HeaderFile.cpp)

// Replaces the in-memory definition by the header of base + ".Qfd". A file that is
// not a usable form database is refused with a message naming it. 1 done, 0 not.
int16_t LoadHeader(const std::string& name);

// Writes the in-memory definition as the header of base + ".Qfd" (the caller's name
// is trimmed in place). Over an existing database every record is rebuilt in the new
// layout, values carried over by field name, after the "Recover Data" question; the
// previous file becomes base + ".Bak". The new file is complete and on disk before
// it takes the database's name, so that base + ".Qfd" or base + ".Bak" holds the
// previous database whole at every moment. Over a database that another program of
// ours has open, or that is read-only, it refuses and changes nothing; it holds the
// writers' lock from its first read of the records to the final rename. A name that
// is a symbolic link keeps being a link: its target is replaced, the backup beside it. 1 done (also when the user declines to
// recover), 0 not.
int16_t SaveHeader(std::string& name);

// ---- The record store: one open database per program ---------------------------
// (RecordStore.cpp; the open file itself, its locks and the replaced check:
// DatabaseFile.h)
//
// Records are read and written at their byte offsets. WriteRecord, AddRecord and
// DeleteRecord hold the writers' lock (byte 0 of the file, shared by all processes)
// while they write; readers take no lock. While a database is open the program
// holds presence on it, so that another program's pack or header save is refused. A record beyond the end of the file reads
// as blanks; a write beyond the end first fills the gap (up to the count) with blank
// records, and a failed write gives the file back the size it had. A database that
// may only be read is opened for reading, and each write says so.

int16_t OpenDatabase(std::string& name);  // trims the caller's name and drops ".Qfd"
int16_t CloseDatabase();
int16_t GetFileNumber();  // non-zero while a database is open
int16_t ReadRecord();
int16_t WriteRecord();
int16_t AddRecord();
int16_t DeleteRecord();
// Takes the deletion mark off the current record (only the mark is written, under
// the lock); "Record is not marked for deletion!" when it bears none. 1 done, 0 not.
int16_t UndeleteRecord();
// Appends whole records (records.size() a multiple of RecordLength, deletion marks
// as given) under one hold of the writers' lock, in large blocks, each of the given
// "#" field slots carrying its record's number (written into `records` on the way). The count is written last; any
// failure gives the file back its old length and count. Refused with "DB is Full"
// when the records would pass the limit (counted under the lock). The first new
// record becomes current. `title` names the operation in messages. 1 done, 0 not.
int16_t AppendRecords(std::string& records, const std::vector<int16_t>& numbered, const char* title);
int16_t IsDeleted();  // -1 when the current record is marked for deletion
int16_t ReadField(int16_t n, std::string& out);
int16_t WriteField(int16_t n, const std::string& text);
int16_t ClearRecord();
int32_t GetRecordNo();
int16_t SetRecordNo(int32_t n);
int32_t GetRecordCount();  // re-read from the file
int16_t GotoFirstRecord();
int16_t GotoLastRecord();
int16_t GotoNextRecord();
int16_t GotoPreviousRecord();

// Several programs on one database. A save (WriteRecord) or a delete compares,
// under the writers' lock, the record in the file with the record as it was read;
// when another program changed it in between, nothing is written and the user
// chooses (Yes: save over it / No: take the other version, which WriteRecord then
// reports as done / Cancel: back to editing). Every write first makes sure that the
// open file is still the database its name points to; a file that another program
// replaced (packed or saved with a new design) is never written.

// -1 when the open file is no longer the database its name points to.
int16_t IsReplaced();
// Opens the database again under its name. When the form is unchanged the record in
// hand (RecordText, and what it was read as) stays in hand, on the record of the new
// file that still reads as it was read, else on the same number: result 1. Result
// 2 when the form itself changed (the caller lays out its form again; the record in
// hand is gone), 0 when the database could not be opened (the engine said why; no
// database is open then).
int16_t ReopenDatabase();
// Writes only the given fields of record n, padded or cut to their lengths, under
// the writers' lock, so that a change another program made to the record's other
// fields or to its deletion mark is kept; record n then becomes current and is read
// again. `mark` "*" or " " sets the deletion mark too (0 leaves it). `title` names
// the operation in messages. 1 done, 0 not.
struct FieldValue {
  int16_t slot;
  std::string text;
  // The field's value when the caller read it: when another program has since written
  // something else there, nothing is written and the write is refused.
  std::optional<std::string> asRead = std::nullopt;
};
int16_t WriteFieldsOf(int32_t n, const std::vector<FieldValue>& values, const char* title, char mark = 0);
// -1 when another program of ours has the database open (it holds presence); 0 when
// none has, or the file cannot be read.
int16_t OpenInOtherPrograms(const std::string& name);

// The current record's text (RecordLength characters, deletion mark first) and the
// open database's base name, for the windows and tools that show them.
std::string GetRecordText();
std::string GetDatabaseName();
// Why the open database cannot be written ("the file is read-only", the system's
// reason); "" when it can, or when none is open.
std::string GetReadOnlyReason();

// ---- Pack ----------------------------------------------------------------------
// (Pack.cpp)

// Removes the records marked for deletion from the open database after the "Pack"
// question, when no other program of ours has it open (else it refuses and changes
// nothing), holding the writers' lock from the first read to the final rename: the live records go to base + ".QfB", which replaces the database once it
// is complete and on disk; the previous file becomes base + ".Bak"; the database is
// opened again with record 1 current. The result is that of the reopening.
int16_t PackRecords();

}  // namespace modDB
