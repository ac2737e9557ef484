// The open database as a typed table, shared by the exports and the push. Private to
// engine/transfer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/transfer/Transfer.h"

namespace modDB::transfer {

enum class Kind { Integer, Decimal, Date, Time, Text };

struct Column {
  int16_t slot = 0;
  std::string name;   // the field's name (ASCII)
  std::string label;  // UTF-8
  Kind kind = Kind::Text;
  size_t offset = 0, length = 0;
  size_t width = 1;  // text: the longest value in UTF-8 bytes, at least the field's length
  std::vector<ValueLabel> values;  // UTF-8
};

// One value as its column holds it.
struct Cell {
  bool missing = true;
  bool bad = false;  // a value that is not of its column's kind (then missing)
  int64_t integer = 0;
  double number = 0;  // Decimal
  int32_t days = 0;   // Date: days since 1970-01-01
  int32_t seconds = 0;  // Time: since midnight
  std::string text;   // Text: UTF-8; every kind: the value as written in canonical form
};

struct Table {
  std::string name;  // the database's base name without its folder (UTF-8)
  std::vector<Column> columns;
  int32_t count = 0;
  int16_t dateOrder = 1;
};

// The selected fields of the open database, typed after a look at every value.
// Throws on a read error.
Table Prepare(const std::vector<bool>& selected, const ExportLabels& labels);
// Each record in turn: its number, whether it is marked, its cells in column order.
void ForEachRecord(const Table& t, const std::function<void(int32_t, bool, const std::vector<Cell>&)>& onRecord);
// One value of column c as a cell ("" or blanks: missing).
Cell CellOf(const Column& c, std::string_view raw, int16_t dateOrder);
// The column of a value label's code: the code as a cell of that column.
Cell CodeCell(const Column& c, const std::string& code, int16_t dateOrder);

// The canonical text of a cell: the number as printed back, the date as
// YYYY-MM-DD, the time as HH:MM:SS, the text itself; "" for missing.
std::string CanonicalText(Kind kind, const Cell& cell);

// The kind a column's SQL type stands for (as the centre's tables declare them).
Kind KindOfSqlType(const std::string& type);

// Calendar helpers.
std::string IsoDate(int32_t days);
std::string IsoTime(int32_t seconds);

// The export's target: "" when path may be written (the CSV export's protection),
// else the message for the user.
std::string Refusal(const std::string& path);

}  // namespace modDB::transfer
