// The CSV export of the open database, as the export window and `qfd export` write it.
//
// The file is replaced. Every line ends with CR LF. Line 1 is "#" followed, for each
// selected field in slot order, by a comma and the field's trimmed name. Then one
// line per record 1 ... GetRecordCount, marked records included: the record number,
// then for each selected field a comma and the value as ReadField gives it, between
// double quotes, with every CR LF inside it turned into a bare LF. Nothing is
// escaped or doubled. Texts are written in the file's own single-byte code page.
//
// The records are visited through the record store (SetRecordNo, ReadField); the
// record that was current before is current again afterwards. Progress goes to the
// Host's ShowPer / HidePer.
//
// Spreadsheet quoting (RFC 4180) is an option: then a double quote inside a value is
// doubled, a value keeps its line breaks (CR LF) and its leading blanks, so that the
// file reads back into the same records; only the blanks that pad the field are
// left out. Its heading quotes the names, which tells it from the plain export. With
// UTF-8 the file starts with a byte order mark and every text is written in UTF-8
// instead of the file's code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lib/CsvText.h"

namespace modDB {

// The export file name for a chosen name: kept when its last 4 characters are
// ".CSV" in any letter case, otherwise with ".csv" appended.
std::string CsvFileName(const std::string& name);

// Writes the export of the open database to path. selected[i] says whether field
// slot i (1-based) is exported; missing entries count as not selected. 1 done; 0
// when no database is open (the store's message) or the file cannot be written
// (message "FILE:" + path + " cannot be written: " + the reason, title "EXPORT").
// A pipe, FIFO or terminal is written as a stream; a symbolic link is followed and
// its file replaced; nothing that is not a regular file is ever replaced.
struct CsvExportOptions {
  bool rfc4180 = false;
  bool utf8 = false;         // only with rfc4180
  bool withDeleted = false;  // a column "#Deleted" after the record number: "*" for a marked record
};
// Where an export of another format to path writes: the file replaced, symbolic links
// followed. refusal is the message for the user when nothing may be written there (a
// folder, a pipe or other device, links that go round, or the open database, its
// companions or any other form database); "" when the file may be written.
std::string ExportTarget(const std::string& path, std::string& refusal);

int16_t ExportCsv(const std::string& path, const std::vector<bool>& selected, const CsvExportOptions& options = {});

}  // namespace modDB
