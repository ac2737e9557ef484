// The rows of a CSV file as the import reads them: the file read a piece at a time,
// its text decoded and split (CsvText), and its rows handed on from a second thread,
// in the file's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "engine/transfer/CsvImport.h"
#include "lib/CsvText.h"

namespace modDB::detail {

// Why the text of a file is not read at all.
enum class CsvRefusal {
  None,
  Utf16,            // it starts with a UTF-16 byte order mark
  NotUtf8WithMark,  // it starts with the UTF-8 mark, yet a byte is no UTF-8
  LongRow,          // a row (from `line` on) is longer than any row of records can be
  WideRow,          // a row (from `line` on) has more values than any row of records can have
};

// How the text of the file was taken.
struct CsvTextRead {
  bool notUtf8 = false;  // CsvEncoding::Auto: not (plainly) UTF-8; nothing is decided
  bool utf8 = false;     // the text was decoded from UTF-8
  bool bom = false;      // it started with the UTF-8 mark (never part of the text)
  int64_t replaced = 0;
  const char* how = "";  // the encoding taken, and why, for the user
  CsvRefusal refusal = CsvRefusal::None;
  int64_t line = 0;  // the line of a LongRow or WideRow
};


// Reads the first `size` bytes of the file `fd` (fewer when it is shorter now) a piece
// at a time, never holding it whole, and hands on its rows in order: a line with
// nothing on it is no row, and a malformed row comes with why. The file is read and
// split on the caller's thread, and the rows are handed on from a second one. A byte
// order mark is dropped whatever the encoding. With Auto, a file without a mark is
// Windows-1252 when it is the program's own export (its heading starts with a "#"
// column); else it is decoded as UTF-8 while it is UTF-8, and the reading stops with
// notUtf8 (the caller starts again as Windows-1252) at the first byte that is not, or
// at the end when no character was plainly UTF-8. A file with a UTF-16 mark, a file
// with the UTF-8 mark whose bytes are not UTF-8 (unless Windows-1252 is given), and a
// row past 16 MB or of more than kMaxValues values stop the reading with a refusal.
// File errors, and whatever onRow throws, are thrown.
CsvTextRead ReadCsvRows(int fd, int64_t size, CsvEncoding encoding, const RowHandler& onRow);

}  // namespace modDB::detail
