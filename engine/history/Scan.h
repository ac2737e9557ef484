// Going through the change history from its end back, newest line first, a block at
// a time: what a save needs to know of one record, and what one record's history
// shows, without reading the whole file into memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace modDB::history {

// Reads up to n bytes at an offset; returns how many.
using ReadFn = std::function<size_t(void* buf, size_t n, int64_t at)>;

// Hands each line of [0, end) newest first: its text (marks and line ends left out),
// where it starts, and how many line ends lie between its start and `end`. The
// heading is not handed on. onLine returns false to stop. Returns the number of line
// ends in [0, end) when it went through to the start, else -1.
int64_t ScanBack(const ReadFn& read, int64_t end,
              const std::function<bool(std::string_view line, int64_t at, int64_t linesAfter)>& onLine);

// The operation and record of a line, read without the rest; false when the line
// cannot be read so (then Row tells).
bool OpAndRecord(std::string_view line, std::string_view& op, int32_t& record);
// The line's ten cells; false when it is no whole line.
bool Row(std::string_view line, std::vector<std::string>& row);

}  // namespace modDB::history
