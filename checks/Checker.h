// Applies a form's declared checks (Rules.h) to the values of a record.
//
// A record's values are given per field slot (element k = field k's text as the
// record holds it, padded or not; element 0 unused). Expressions (required-if, skip
// conditions, rules over the form) run in the script engine as VBScript expressions
// over field names, each field typed by its format: a valid date ("D") or time ("T")
// is a Date, a number in a field that takes digits and no letters is a number,
// everything else text. A rule or condition is not checked while a field it names
// is blank: a missing value is a matter for "!" or a required-if, and a skip whose
// condition names a blank field does not skip. Ranges and legal values are not
// checked on a blank value either. The fields a skip passes over are not checked
// beyond being blank.
//
// Messages name fields by their label on the form (FieldLabel), never by their
// internal names, unless the designer wrote the message.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "checks/Rules.h"
#include "engine/FormHeader.h"

namespace qfchecks {

using Values = std::vector<std::string_view>;  // kMaxFields + 1 elements

// One broken rule on one record.
struct Finding {
  int32_t Record = 0;
  std::string Number;  // the record's "#" field, "" when the form has none
  int16_t Slot = 0;    // the field to go to
  std::string Field;   // its label
  std::string Rule;    // "NAME.Range", "NAME.Legal", "NAME.RequiredIf", "NAME.Skip", or a form rule's name
  std::string Value;   // the value that breaks it (for a form rule: "Label=value; ...")
  std::string Message;
  bool Hard = false;
};

class Checker {
 public:
  Checker();
  ~Checker();
  Checker(const Checker&) = delete;
  Checker& operator=(const Checker&) = delete;

  // Takes the form and its rules and makes them ready to apply. "" when every rule
  // can be applied; else the first fault, naming the rule ("AGE.Range: ..."), and
  // the faulty rule is left out.
  std::string Prepare(const modDB::FormHeader& h, const Rules& r);
  bool Any() const;

  // The rules of field `slot` alone (range, legal values, required-if), as when the
  // clerk leaves it. Nothing when the field is skipped over on this record.
  void CheckField(const Values& v, int16_t slot, std::vector<Finding>& out);
  // Every rule on the record, in slot order, then the form's rules in their order.
  void CheckRecord(const Values& v, std::vector<Finding>& out);
  // The slots skipped over on this record (element k true: field k is to be blank
  // and may not be entered).
  std::vector<bool> Skipped(const Values& v);
  // The slot a skip of field `slot` goes to on this record, or 0 when it does not skip.
  int16_t SkipTarget(const Values& v, int16_t slot);

  // Field slots any rule reads, ascending.
  std::vector<int16_t> SlotsRead() const;
  // The legal values of field `slot` (none when any value goes).
  std::vector<LegalValue> Legal(int16_t slot) const;
  // The field's label on the form.
  std::string Label(int16_t slot) const;
  // The slot of the "#" field, or 0.
  int16_t NumberSlot() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> p_;
  void FieldOn(const void* field, const Values& v, std::vector<Finding>& out);
  // Skipped, with whether each field's skip held (by its place among the fields).
  std::vector<bool> SkipsOn(const Values& v, std::vector<bool>& held);
};

// The label of field `slot` on the form as messages name it: modDB::FieldLabel
// (the banner that labels it, else its name) without a closing colon.
std::string FieldLabel(const modDB::FormHeader& h, int16_t slot);

// The legal values of the field named `field` in the rules: code and label pairs,
// none when any value goes.
std::vector<LegalValue> LegalValues(const Rules& r, const std::string& field);
// The legal values of every field of the form that has some, by field slot: the
// value labels the exports carry.
std::map<int16_t, std::vector<LegalValue>> LegalValuesBySlot(const modDB::FormHeader& h, const Rules& r);

}  // namespace qfchecks
