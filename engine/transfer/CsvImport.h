// Bringing records in from a CSV file, as `qfd import` and the entry window's
// File > Import... do it.
//
// The file is RFC 4180: values separated by commas, a value between double quotes
// may hold commas, line breaks and doubled quotes; lines end in CR LF or LF. The
// program's own export reads back wherever no value holds a quote. The text is
// UTF-8 when it starts with a byte order mark or is plainly UTF-8, else Windows-1252
// (always for the program's own export without a mark), unless the caller says
// which; a character outside Windows-1252 becomes "?" and is counted. A byte order
// mark is never part of the text; a file whose bytes are not what its mark says, and
// a UTF-16 file, are refused.
//
// The first line names the columns: field names, letter case ignored; a column "#"
// or "RECNO" is ignored, a column "#Deleted" gives the deletion marks; a name that is
// no field is refused unless unknown columns are to be ignored, and a heading that
// names no field at all is refused. Fields without a column start blank.
//
// A heading of "#" and names without quotes, and rows of a record number without
// quotes and values between quotes, are those of the plain export, which writes a
// double quote inside a value as it stands: in such a file a value that reads as
// holding a double quote is refused, since it cannot be read back exactly (the
// spreadsheet export quotes its names; a spreadsheet leaves most values unquoted).
//
// The file is read once; when its size or change time is not the same afterwards it
// was changed meanwhile, and nothing is taken from it. A file with more rows than a
// database holds is refused as soon as that is plain. Every row passes the
// checks of a record saved in the entry window: each value follows its field's
// format (allowed characters, then case), fits its field (a longer value is refused,
// never cut), and the record's dates (in the database's date order), times, required
// and yes/no fields are checked; "#" fields are numbered by the store. A line break
// inside a value is stored as CR LF; blanks at the end of a value are padding.
//
// Reading checks everything and writes nothing; writing appends the good rows under
// one hold of the writers' lock (see AppendRecords), all of them or none.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "lib/CsvText.h"

namespace modDB {

struct CsvImportOptions {
  bool ignoreUnknown = false;
  CsvEncoding encoding = CsvEncoding::Auto;
  bool rfc4180 = false;  // read as RFC 4180 even where the heading is that of the plain export
};

// The column of the export's deletion marks: "*" for a record marked for deletion,
// blank for a live one. No field can have its name.
constexpr const char* kDeletedColumn = "#Deleted";

// One refused value, or a refused row when field is empty. Texts in Windows-1252.
struct CsvProblem {
  int64_t line = 0;  // the file's line where the row starts (the heading is line 1)
  std::string field, value, reason;
};

struct CsvImport {
  std::string path;
  bool utf8 = false;                 // the text was UTF-8 (with a byte order mark or not)
  std::string encoding;              // the encoding taken, and why: "UTF-8 (byte order mark)"
  bool plainExport = false;          // it reads as the program's plain export throughout (see above)
  int64_t replaced = 0;              // characters outside Windows-1252, stored as "?"
  std::vector<std::string> heading;  // the column names as written
  std::vector<int16_t> fieldOf;       // per column: its field's slot, 0 when ignored
  std::vector<std::string> unknown;  // columns naming no field (ignored when allowed)
  int64_t rows = 0;                  // data rows in the file
  int64_t good = 0;                  // rows that passed every check
  std::string records;               // those rows as records, "#" fields still blank
  std::vector<int16_t> numbered;     // the slots of the "#" fields
  std::vector<CsvProblem> problems;  // every refusal, in line order
  std::vector<CsvRow> refused;       // the refused rows as read ...
  std::vector<std::string> reasons;  // ... and why, one text per row
  std::vector<CsvRow> preview;       // the first rows as read
};

constexpr size_t kImportPreviewRows = 20;

// Reads and checks `path` against the open database, writing nothing. 1 when the
// file was read and its columns are usable (rows may still be refused: see
// `problems`); 0 after a message titled "IMPORT".
int16_t ReadCsvImport(const std::string& path, const CsvImportOptions& options, CsvImport& out);

// Whether the plan could be written now: the database can be written and its
// records fit. 1 yes; 0 after a message titled "IMPORT" (that of WriteCsvImport).
int16_t CanWriteCsvImport(const CsvImport& plan);

// Appends the rows that passed. Refused ("IMPORT") when any row was refused and
// skipBad is not set, and when the records would pass the limit; nothing is written
// then. The records of the plan get their "#" numbers on the way. 1 done, 0 not.
int16_t WriteCsvImport(CsvImport& plan, bool skipBad);

// FILE.csv -> FILE.rejected.csv (the extension in any letter case; other names get
// ".rejected.csv" appended).
std::string RejectedFileName(const std::string& path);

// Writes the refused rows as RFC 4180, in the encoding they were read in, with the
// heading and a last column "Reason". 1 done; 0 after a message.
int16_t WriteRejectedCsv(const CsvImport& plan, const std::string& path);

// The report line of a problem: "line 12, field Born, value "31/02/2020": Invalid
// date. ..." (Windows-1252). A value longer than 200 characters is cut, with its length.
std::string ProblemText(const CsvProblem& p);

}  // namespace modDB
