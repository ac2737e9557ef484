// The rows of a CSV file as the import reads them: the text decoded to Windows-1252
// and split into rows (RFC 4180, and the program's older export), each value a view
// into the text until it goes into a record. The file is read a piece at a time and
// its rows are handed on from a second thread, in the file's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "engine/CsvImport.h"

namespace modDB::detail {

// A value of a row as the file has it: the text between its quotes, if any. Each
// doubled quote in it is cut to one: cuts[firstCut, firstCut + cutCount) of its row
// are the offsets in `text` of the second quote of each pair. Most values are views
// into the text the rows were split from; a few are built aside.
struct CsvValue {
  std::string_view text;
  size_t firstCut = 0, cutCount = 0;
  bool breaks = false;  // it holds a line break
  bool quoted = false;  // it stood between quotes
};

// A row: the file's line where it starts, its values, and the cuts they refer to.
struct RowView {
  int64_t line = 0;
  std::span<const CsvValue> values;
  std::span<const size_t> cuts;
};

// A value as the file means it.
std::string Unquoted(const CsvValue& v, std::span<const size_t> cuts);

// A row with its values as the file means them.
CsvRow Copied(const RowView& v);

// Writes a value as the record stores it (line breaks as CR LF) into a field of `room`
// characters, as far as it fits, and gives its whole length.
size_t StoreValue(char* field, size_t room, const CsvValue& v, std::span<const size_t> cuts);

// A value as the record stores it, in `scratch`: as the file means it, every line
// break as CR LF, the blanks at its end dropped (the field's padding holds them).
std::string_view Stored(const CsvValue& v, std::span<const size_t> cuts, std::string& scratch);

// Why the text of a file is not read at all.
enum class CsvRefusal {
  None,
  Utf16,            // it starts with a UTF-16 byte order mark
  NotUtf8WithMark,  // it starts with the UTF-8 mark, yet a byte is no UTF-8
  LongRow,          // a row (from `line` on) is longer than any row of records can be
};

// How the text of the file was taken.
struct CsvTextRead {
  bool notUtf8 = false;  // CsvEncoding::Auto: not (plainly) UTF-8; nothing is decided
  bool utf8 = false;     // the text was decoded from UTF-8
  bool bom = false;      // it started with the UTF-8 mark (never part of the text)
  int64_t replaced = 0;
  const char* how = "";  // the encoding taken, and why, for the user
  CsvRefusal refusal = CsvRefusal::None;
  int64_t line = 0;  // the line of a LongRow
};

using RowHandler = std::function<void(const RowView& row, const std::string& error)>;

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
// row past 16 MB stop the reading with a refusal. File errors, and whatever onRow
// throws, are thrown.
CsvTextRead ReadCsvRows(int fd, int64_t size, CsvEncoding encoding, const RowHandler& onRow);

}  // namespace modDB::detail
