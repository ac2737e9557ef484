// What a field's format makes of a value, and the checks an update in the entry
// window makes before it saves: shared by every path that puts values into records
// from outside the entry window (qfd add and set, the CSV import).
//
// Formats are expected trimmed and upper-cased; values are texts of the file
// (Windows-1252, line breaks as CR LF).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace modDB {

// The position of the first CR or LF in value, or npos.
size_t FirstLineBreak(std::string_view value);

// The position of the first character of value that the format's keys would not let
// the user type, or npos. A format that admits no typed key at all (none of its
// flags lets a character in) leaves its values to the script and the record: any
// value passes. A line break needs "M".
size_t RefusedChar(const std::string& format, std::string_view value);

enum class SaveCheck { Ok, Date, Time, Required, YesNo };  // see CheckForSave

// The same rules with the format's flags looked up once, for checking many values.
class FormatRules {
 public:
  explicit FormatRules(const std::string& format = "");
  // As RefusedChar; `breaks` false: the caller knows the value holds no line break.
  size_t Refused(std::string_view value, bool breaks = true) const;
  bool ChangesCase() const { return upper_ || lower_ || proper_; }
  void ApplyCase(char* text, size_t size) const;  // as CasedValue, in place
  bool Checked() const { return date_ || time_ || required_ || yesNo_; }  // CheckForSave can refuse
  bool IsTime() const { return time_ && !date_; }  // a "T" field whose keys are a time's
  SaveCheck CheckForSave(std::string_view value, int16_t dateOrder) const;  // as the function below

 private:
  bool any_ = false, star_ = false, multi_ = false, email_ = false, web_ = false, yesNo_ = false, date_ = false,
       time_ = false, digits_ = false, letters_ = false, space_ = false, dot_ = false, minus_ = false,
       upper_ = false, lower_ = false, proper_ = false, required_ = false;
  bool simple_ = false;  // each character passes or fails alone: looked up in allowed_ ...
  bool inDigits_ = false, inLetters_ = false, inSpace_ = false, inSlash_ = false, inColon_ = false;  // ... or so
  bool allowed_[256] = {};
};

// The format's case conversion, as after every change in the entry window: "U" (and
// "Y"), then "L", then "F" (first letter of each word upper case); only ASCII letters.
std::string CasedValue(const std::string& format, std::string value);

// The checks of an update, for one field's trimmed value, in the order the entry
// window makes them: a valid date in the database's date order (dateOrder 2:
// month/day/year), a valid time, not empty when required ("!"), and Y, N or nothing
// for a yes/no field.
SaveCheck CheckForSave(const std::string& format, std::string_view value, int16_t dateOrder);

// A time as a "T" field stores it: "h:mm", "hh:mm" and "h:mm:ss" become "hh:mm:ss"
// ("9:30" -> "09:30:00"); any other value comes back as it is, for the check to judge.
std::string TimeAsStored(std::string_view value);

// The text for a failed check (after "Field: NAME, "), e.g. "Invalid time. Format
// (hh:mm or hh:mm:ss)"; a date's names the form's own order (dateOrder 2: month
// first); "" for Ok.
std::string SaveCheckText(SaveCheck check, int16_t dateOrder);

}  // namespace modDB
