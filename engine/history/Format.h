// The form of the change history's lines: who and when, the CSV text, the JSON
// of an import line's values, and the map of a pack. (What the columns mean is told
// in engine/History.h.)
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/history/History.h"

namespace modDB::history {

std::string& ProgramSetting();
std::string ProgramName();
const std::string& UserName();
const std::string& HostName();
std::string Now();  // UTC, ISO 8601 to the second

// CSV: a cell (quoted where it must be) and a whole line with its LF.
void AppendCsv(std::string& out, const std::string& v);
void AppendLine(std::string& out, const HistoryEntry& e);

// Parses the complete lines of text[from ...], handing each row with the offset it
// starts at; returns where the unfinished rest starts (a line is complete at its LF
// outside quotes).
template <class OnRow>
size_t ParseCsv(const std::string& text, size_t from, OnRow&& onRow);

HistoryEntry EntryOf(std::vector<std::string>& row);

// Whether one of the history's lines can start at text[i]: its time,
// "DDDD-DD-DDTDD:DD:DDZ,". A damaged stretch ends where the next such line starts.
bool IsLineStart(const std::string& text, size_t i);

// Splits text (from offset `base` of the history) into its lines, by where lines can
// start, so that a damaged stretch hides nothing after it. Hands each line's row with
// its offset to onRow(row, at), each damaged stretch to onDamage(at, bytes, line)
// where `line` counts the lines before it in text; empty lines (marks) to onMark(at).
// The first line of the file (base 0) is the heading when it is not a line. Returns
// where an unfinished last line starts (text.size() when none); with `whole`, an
// unfinished last line is damage too.
struct LineSink {
  std::function<void(std::vector<std::string>& row, int64_t at)> onRow;
  std::function<void(int64_t at, int64_t bytes, int64_t line)> onDamage;
  std::function<void(int64_t at)> onMark;
};
size_t ForEachLine(const std::string& text, int64_t base, bool whole, const LineSink& sink);

// A field's value in a record as the history shows it: the padding blanks at its end
// removed, Windows-1252 as UTF-8.
std::string Value(std::string_view rec, const FieldDef& f);
// The record's "#" field's number where the form has one (without blanks).
std::string NumberOf(const FormHeader& h, std::string_view rec);
// A design save's description of a form: "N fields, L bytes a record, C records".
std::string Size(const FormHeader& h, int32_t count);

// JSON in a quoted CSV cell: s written at p (at most 6 bytes for each of s and 4
// more), `cp1252` converting to UTF-8 on the way; returns the end.
char* PutJsonCell(char* p, std::string_view s, bool cp1252);
void AppendJsonCell(std::string& out, std::string_view s);
// Reads {"NAME":"value",...} as written above; stops at anything else.
std::vector<std::pair<std::string, std::string>> ParseValues(const std::string& s);

// A pack's map, "a-b>c-d a>c ...": runs of old numbers and the new numbers they became.
struct Run {
  int32_t oldFirst, oldLast, newFirst;
};
std::string MapText(const std::vector<int32_t>& kept);
std::vector<Run> ParseMap(const std::string& s);

template <class OnRow>
size_t ParseCsv(const std::string& text, size_t from, OnRow&& onRow) {
  std::vector<std::string> row;
  size_t done = from, i = from;
  const size_t n = text.size();
  while (i < n) {
    // One cell from i.
    std::string cell;
    if (text[i] == '"') {
      ++i;
      for (;;) {
        const size_t q = text.find('"', i);
        if (q == std::string::npos) return done;  // unfinished
        cell.append(text, i, q - i);
        if (q + 1 < n && text[q + 1] == '"') {
          cell += '"';
          i = q + 2;
        } else {
          i = q + 1;
          break;
        }
      }
      // Anything after the closing quote up to the separator belongs to the cell.
      const size_t e = text.find_first_of(",\n", i);
      if (e == std::string::npos) return done;
      cell.append(text, i, e - i);
      i = e;
    } else {
      const size_t e = text.find_first_of(",\n", i);
      if (e == std::string::npos) return done;
      cell.assign(text, i, e - i);
      if (text[e] == '\n' && !cell.empty() && cell.back() == '\r') cell.pop_back();
      i = e;
    }
    row.push_back(std::move(cell));
    if (text[i] == '\n') {
      onRow(row, done);
      row.clear();
      done = i + 1;
    }
    ++i;
  }
  return done;
}


}  // namespace modDB::history
