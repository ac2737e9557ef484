// The check of a whole file, and the records accepted as exceptions to a rule.
//
// Exceptions are kept in base + ".Qfe" beside the database (README: "Checks"), UTF-8
// CSV with a heading, one line per accepted exception, only ever appended to:
//
//   Time,User,Host,Record,Number,Rule,Value,Note
//
// An exception holds for the record (by its "#" number where the form has a "#"
// field, else by its record number) while the rule finds the same value there: once
// the value changes, the rule is checked again. A damaged line (left unfinished, or
// not of eight cells) is not read and hides none of the lines after it. Every acceptance is also a line of the change history
// (operation "accept").
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "checks/Checker.h"
#include "checks/Rules.h"

namespace qfchecks {

struct Exception {
  std::string Time, User, Host;
  int32_t Record = 0;
  std::string Number, Rule, Value, Note;  // Windows-1252
};

// The heading of the exceptions file.
std::string ExceptionsHeading();
// The database's exceptions in file order (none without a file). "" when read, else
// the reason.
std::string ReadExceptions(const std::string& database, std::vector<Exception>& out);
// Whether an exception covers the finding.
bool Excepted(const std::vector<Exception>& all, const Finding& f);
// Accepts the finding on its record as an exception, with a note: a line of the
// exceptions file and of the history. "" when done, else the reason.
std::string Accept(const std::string& database, const Finding& f, const std::string& note);

struct Report {
  int32_t Records = 0;            // live records checked
  std::vector<Finding> Findings;  // by record, as CheckRecord gives them
  std::vector<std::pair<std::string, int32_t>> Counts;  // per rule, in the order the rules first broke
  int32_t Excepted = 0;           // findings left out as accepted exceptions
  bool HardBroken = false;
};

// Checks every live record of the database against the rules, leaving out accepted
// exceptions. "" when done; else the reason (a rule that cannot be applied, a file
// that cannot be read). The records are read as the file holds them now.
std::string CheckFile(const std::string& database, const Rules& r, Report& out);

// The findings of record n of the database as the file holds it now, exceptions
// included. "" when done, else the reason.
std::string CheckRecordOf(const std::string& database, const Rules& r, int32_t n, std::vector<Finding>& out);

// The findings of one record (its values as a record text: RecordLength bytes,
// deletion mark first), exceptions left out: for the entry window.
void CheckRecordText(Checker& c, const modDB::FormHeader& h, int32_t record, const std::string& text,
                     const std::vector<Exception>& exceptions, std::vector<Finding>& out);
// The values of a record text, per slot.
Values ValuesOf(const modDB::FormHeader& h, std::string_view text);

}  // namespace qfchecks
