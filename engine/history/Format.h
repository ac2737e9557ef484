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

#include "engine/files/AppendLog.h"
#include "engine/history/History.h"
#include "lib/CsvText.h"

namespace modDB::history {

std::string& ProgramSetting();
std::string ProgramName();
const std::string& UserName();
const std::string& HostName();
std::string Now();  // UTC, ISO 8601 to the second

// CSV: a whole line with its LF (the cells quoted by AppendCsvCell, read back by
// detail::ParseCsvLines, lib/CsvText.h).
void AppendLine(std::string& out, const HistoryEntry& e);

HistoryEntry EntryOf(std::vector<std::string>& row);

// Whether one of the history's lines can start at text[i]: its time (see
// detail::AppendLog::IsLineStart).
bool IsLineStart(const std::string& text, size_t i);

// Splits text (from offset `base` of the history) into its lines of ten cells, as
// detail::AppendLog::ForEachLine does.
using LineSink = detail::AppendLog::LineSink;
size_t ForEachLine(const std::string& text, int64_t base, bool whole, const LineSink& sink);

// A field's value in a record as the history shows it: the padding blanks at its end
// removed, Windows-1252 as UTF-8.
std::string Value(std::string_view rec, const FieldDef& f);
// The form's "#" field (its slot; 0 when it has none), and that field's number in a
// record (without blanks; "" without the field).
int16_t NumberField(const FormHeader& h);
std::string NumberOf(const FormHeader& h, int16_t field, std::string_view rec);
inline std::string NumberOf(const FormHeader& h, std::string_view rec) { return NumberOf(h, NumberField(h), rec); }
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



}  // namespace modDB::history
