// Data out of the open database: exports to the statistics packages and spreadsheets,
// and the push of its records into a central database.
//
// Every export has one column per selected field, named as the field, typed by the
// field's format: a field that admits only digits holds whole numbers ("N", with "-"
// allowed for a sign), one that also admits "." decimal numbers, a "D" field dates
// and a "T" field times (seconds since midnight), every other field text of the
// field's length (in UTF-8 bytes where the format counts bytes). A blank value is
// missing. A typed column falls back to text when one of its values is not a number,
// date or time (or a number that would not come back the same: more than 15 digits,
// or leading zeros), so that nothing is lost. Each column carries its variable label
// (the banner that names the field, FieldLabel) and the value labels it is given.
// With withDeleted, a first column "Deleted_" holds 1 for a record marked for
// deletion, 0 for a live one.
//
//   .dta   Stata 14 and later (UTF-8), through ReadStat: dates %td, times %tcHH:MM:SS
//          (milliseconds), value labels on whole-number columns
//   .sav   SPSS, through ReadStat: dates DATE11, times TIME8, value labels on
//          numbers and on texts of at most 8 bytes
//   .xlsx  through libxlsxwriter: sheet "Data" (heading row of names, dates and
//          times as the spreadsheet's own), sheet "Variables" (name, label, type),
//          sheet "Value labels" (name, value, label)
//   .sqlite  through SQLite: a table named after the database's base name
//          (INTEGER, REAL, DATE as 'YYYY-MM-DD', TIME as 'HH:MM:SS', TEXT), and the
//          tables "variable_labels" (name, label) and "value_labels" (name, value, label)
//
// An export never writes over the open database or its companions, or any other
// form database (the CSV export's protection); the file is written beside and put in
// place when complete.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/transfer/CsvExport.h"

namespace modDB {

// A value label: the value as the field holds it, and what it means (texts of the
// file's code page, as the field values are).
struct ValueLabel {
  std::string code, label;
};
// The value labels of the exported fields, by field slot; a field without any has
// no entry.
struct ExportLabels {
  std::map<int16_t, std::vector<ValueLabel>> values;
};

enum class ExportFormat { Csv, Stata, Spss, Xlsx, Sqlite };

// The format a name asks for: by its extension (".csv", ".dta", ".sav", ".xlsx",
// ".sqlite", any letter case), or a format name ("csv", "dta" or "stata", "sav" or
// "spss", "xlsx", "sqlite"); none for anything else.
std::optional<ExportFormat> ExportFormatOfFile(const std::string& path);
std::optional<ExportFormat> ExportFormatNamed(const std::string& name);

// The file name for a chosen name: kept when it ends in the format's extension in
// any letter case, otherwise with the extension appended (".csv", ".dta", ".sav",
// ".xlsx", ".sqlite"), as the CSV export names its files.
std::string ExportFileName(const std::string& name, ExportFormat format);
// The extension of a format, with its dot.
const char* ExportExtension(ExportFormat format);

struct ExportOptions {
  bool withDeleted = false;
  ExportLabels labels;
  CsvExportOptions csv;  // the CSV export's own options (its withDeleted is this one's)
};

// Writes the open database's records 1 ... GetRecordCount (marked ones included) in
// the given format to path. selected[i] says whether field slot i is exported. 1
// done; 0 when no database is open (the store's message), when no field is selected
// for a format other than CSV (message "No field is selected: a .dta file needs one
// at least"), or when the file cannot be written (message "FILE:" + path + " cannot
// be written: " + the reason, title "EXPORT").
int16_t ExportTo(const std::string& path, ExportFormat format, const std::vector<bool>& selected,
                 const ExportOptions& options = {});

// ---- The push into a central database -------------------------------------------
//
// The centre is a PostgreSQL database (any libpq connection string or URL) or an
// SQLite file (a name ending in ".sqlite", ".sqlite3" or ".db"). The records go to a
// table named after the database's base name, made when missing: "_site" (the
// pushing site), the fields typed as in the exports, "_deleted" (0 or 1),
// "_revision" (1 when inserted, one more with every change a push makes) and
// "_pushed" (a digest of the values as the site last pushed them); the key is
// ("_site", the key field). A field the table lacks is added to it; a column it has
// keeps its type, and a value that is not of that kind refuses the push. A record
// without a key, or two with the same one, refuse it too: nothing is written then.
//
// One transaction: new keys are inserted, changed rows updated, unchanged ones left
// alone (a second push of the same file changes no row). A row whose values differ
// from what this site last pushed was changed at the centre: when our record differs
// from it too, it is not written but listed as a conflict, one line per field that
// differs. With history, the lines of the database's .Qfh that the site has not
// pushed yet go to the table base + "_history" ("_site", "_line", and the history's
// columns).
struct PushOptions {
  std::string to;    // the centre
  std::string key;   // the key field's name
  std::string site;  // this site's name
  bool history = false;
};
struct PushConflict {
  std::string key, field, centre, ours;  // UTF-8
};
struct PushResult {
  int32_t inserted = 0, updated = 0, unchanged = 0, historyLines = 0;
  std::vector<PushConflict> conflicts;
  std::string error;  // why nothing was written; "" when the push was made
};
PushResult PushTo(const PushOptions& options);

}  // namespace modDB
