// The change history of a database: base + ".Qfh" beside base + ".Qfd", kept only
// while that file exists (StartHistory makes it). The database's bytes never change
// for it.
//
// The file is UTF-8 text, CSV with a heading (quotes doubled; a value with a comma,
// a quote or a line break in double quotes), lines ending in LF, only ever appended
// to. One line per changed field:
//
//   Time,User,Host,Program,Operation,Record,Number,Field,Before,After
//
// Time is UTC, ISO 8601 to the second ("2026-12-07T16:40:12Z"); User and Host the
// login name and the machine; Program "QfEntry", "QfLayout", "qfd", "form script" or
// another program's own name; Operation "add", "edit", "delete", "undelete",
// "import", "pack", "design save", "accept" or "outside change"; Record the record number;
// Number the record's "#" field where the form has one; Field the field's name;
// Before and After the values as stored, without the padding blanks at their end, Windows-1252
// shown as UTF-8. The deletion mark is the field "*" (values "" and "*"). Beside
// these, kinds of line of their own:
//  - import: one line per record, Field "(record)", After the record's values as a
//    JSON object {"NAME":"value",...} in field order;
//  - pack: one line, Field "(records)", Before the old records "1-N", After the old
//    numbers of the kept records and their new ones ("1-4>1-4 6-9>5-8");
//  - design save: one line, Field "(form)", Before and After the form's size;
//  - accept: a record accepted as an exception to a declared check (LogAccept).
// "outside change" comes before a change when a field's value in the file is not
// the value this history last recorded for it: another program changed it without
// keeping history. Before is the recorded value, After the value in the file. The
// fields an add left blank count as recorded blank; a design save starts over.
//
// Every writer of ours writes its lines while it holds the writers' lock, before the
// record, in one write; an import writes them beside its records, which count only
// once the count is written after the lines. A change whose lines cannot be written
// is not made, and a change that fails after its lines were written takes them back.
// Once the change is made, its lines are followed by an empty line, the mark that it
// was (engine/files/AppendLog.h). Lines without their mark at the end of the file
// belong to a writer that stopped on the way: the next program that writes or reads
// the history compares them with the database, and keeps and marks them when the
// change they tell of is in the file, or drops them when it is not.
//
// A damaged stretch (a line cut short, a stray quote) hides nothing after it: every
// line that starts with a time is read, and the damage is told by its line number.
// Whatever stands at the history's name is the history: a folder, a link to a
// missing file or a file without any write permission refuses every change.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FormHeader.h"

namespace modDB {

// The name the program's lines carry ("QfEntry", "qfd", ...), set once at start;
// without it, the executable's name.
void SetHistoryProgram(const std::string& program);

// The history file of a database name (FILE or FILE.Qfd): base + ".Qfh".
std::string HistoryFileOf(const std::string& database);
// Whether the database's history is kept (something stands at its history's name).
bool HistoryKept(const std::string& database);
// Why the history's name cannot be written ("" when it can, or when none is kept).
std::string HistoryRefusal(const std::string& database);
// Starts keeping the database's history: makes its history file with the heading.
// "" when done (also when it is kept already), else the reason.
std::string StartHistory(const std::string& database);

// One line of the history.
struct HistoryEntry {
  std::string time, user, host, program, operation, record, number, field, before, after;
};
// The heading line and the CSV line of an entry (without the line end).
std::string HistoryHeading();
std::string HistoryLineText(const HistoryEntry& e);
// A damaged stretch of the history: the line it starts on (1 is the heading) and its
// length in bytes.
struct HistoryDamage {
  int64_t line = 0, bytes = 0;
};
// All lines of the database's history in file order; a change whose lines are at the
// end without their mark and that is not in the database is left out. "" when read,
// else the reason. `damage`, where given, receives the damaged stretches.
std::string ReadHistory(const std::string& database, std::vector<HistoryEntry>& out,
                        std::vector<HistoryDamage>* damage = nullptr);
// The lines about record n (as it is numbered now), newest first, as RecordHistory
// gives them, read from the end of the file back a block at a time (the whole file
// is never held). Damage is told where a line the record's history needed is damaged.
std::string ReadRecordHistory(const std::string& database, int32_t n, std::vector<HistoryEntry>& out,
                              std::vector<HistoryDamage>* damage = nullptr);
// The note shown beside lines read from a damaged history ("" for none).
std::string HistoryDamageNote(const std::string& database, const std::vector<HistoryDamage>& damage);
// The lines about record n (as it is numbered now), newest first: through a pack,
// the record is followed to the number it had before (the pack line shows its old
// and new number); design saves are shown too.
std::vector<HistoryEntry> RecordHistory(const std::vector<HistoryEntry>& all, int32_t n);

namespace detail {

// The lines a writer has written, taken back unless the write they describe is
// done: a writer keeps the guard while it writes and calls Done() once it has.
class HistoryLines {
 public:
  HistoryLines() = default;
  HistoryLines(HistoryLines&& o) noexcept;
  HistoryLines& operator=(HistoryLines&& o) noexcept;  // lines held before are taken back
  ~HistoryLines();
  void Done();

  // What the guard needs to take lines back or keep them (set by the history): the
  // file, where the lines start and how long they are, and what they say.
  struct Row {
    int64_t at;  // from the first line's start
    int32_t record;
    std::string operation, field, after;
  };
  std::string path;
  int64_t from = -1;  // the history's size before the lines (-1: nothing to keep or take back)
  int64_t lines = 0;  // where the first line starts
  std::string dbFile;
  std::vector<Row> rows;
  // An import's lines instead: one per record, numbered from `first` on, each
  // starting at its start (from the first line's start).
  int32_t first = 0;
  std::vector<int64_t> imported;
  // Where the lines end, and their last bytes (up to 63), which with the mark after
  // them end the file (spares the history's index reading them back).
  int64_t to = -1;
  std::string tail;
};

// The one entry point for the writers, each called under the writers' lock before
// the write, with the database file's name (as opened) and its header. Nothing is
// written when the database keeps no history. Throws (the message names the history
// file and the reason, and says that nothing was changed) when the lines cannot be
// written.
//
// A record's change: `before` the record as the file holds it, `after` as it will
// be (RecordLength bytes, mark first). The operation, when not given, is "add" for
// an empty `before`, else "delete"/"undelete" when the mark changes, else "edit".
HistoryLines LogChange(const std::string& dbFile, const FormHeader& h, int32_t record, const std::string& before,
                       const std::string& after, const char* operation = nullptr, const char* program = nullptr);
// An import: `count` records of RecordLength bytes from `records`, numbered from
// `first` on, in blocks of about 4 MB, each built while the one before is written.
// It may run on a thread of its own, beside the writing of the records.
HistoryLines LogImport(const std::string& dbFile, const FormHeader& h, int32_t first, const char* records,
                       int64_t count);
// A pack: `kept` holds the old numbers of the kept records in their new order.
HistoryLines LogPack(const std::string& dbFile, int32_t oldCount, const std::vector<int32_t>& kept);
// A program that closes a database lets go of its history file (and of what it
// remembered of it); the next change logged reads the file afresh.
void ForgetHistory(const std::string& dbFile);
// A record accepted as an exception to a declared check: one line, Operation
// "accept", Field the field the check concerns ("(form)" for a rule over the form),
// Before the check's name, After the note.
HistoryLines LogAccept(const std::string& dbFile, int32_t record, const std::string& number,
                       const std::string& field, const std::string& rule, const std::string& note);
// A design save over the database (oldCount -1: there was no database).
HistoryLines LogDesignSave(const std::string& dbFile, const FormHeader& before, int32_t oldCount,
                           const FormHeader& after, int32_t newCount);

}  // namespace detail
}  // namespace modDB
