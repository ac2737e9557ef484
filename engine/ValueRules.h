// What a field's format makes of a value, and the checks an update in the entry
// window makes before it saves: shared by every path that puts values into records
// from outside the entry window (qfd add and set, the CSV import).
//
// Formats are expected trimmed and upper-cased; values are texts of the file
// (Windows-1252, line breaks as CR LF).
#pragma once

#include <cstdint>
#include <string>

namespace modDB {

// The position of the first character of value that the format's keys would not let
// the user type, or npos. A format that admits no typed key at all (none of its
// flags lets a character in) leaves its values to the script and the record: any
// value passes. A line break needs "M".
size_t RefusedChar(const std::string& format, const std::string& value);

// The format's case conversion, as after every change in the entry window: "U" (and
// "Y"), then "L", then "F" (first letter of each word upper case); only ASCII letters.
std::string CasedValue(const std::string& format, std::string value);

// The checks of an update, for one field's trimmed value, in the order the entry
// window makes them: a valid date in the database's date order (dateOrder 2:
// month/day/year), a valid time, not empty when required ("!"), and Y, N or nothing
// for a yes/no field.
enum class SaveCheck { Ok, Date, Time, Required, YesNo };
SaveCheck CheckForSave(const std::string& format, const std::string& value, int16_t dateOrder);

// The entry window's text for a failed check (after "Field: NAME, "), e.g.
// "Invalid time. Format (hh:mm)"; "" for Ok.
std::string SaveCheckText(SaveCheck check);

}  // namespace modDB
