// EntryChecks: the declared checks as the entry window applies them to the record in
// hand (the rules and their file: checks/).
//
// Opening a database reads its rules; a rule that cannot apply is said once
// ("CHECKS") and left out. In edit mode:
//  - leaving a field checks its own rules (range, legal values, required-if): a soft
//    rule asks whether to keep the value, a hard one says why and goes back; then its
//    skip: when the condition holds the fields it passes over are cleared, cannot be
//    entered, and the focus goes to the field it names;
//  - saving checks every rule after the format checks and before the script's
//    "Update": a hard rule refuses the save ("UPDATE"), soft ones are listed and the
//    clerk may save anyway; either way the focus goes to the field concerned.
//    Accepted exceptions are left out.
//  - F4 in a field with legal values opens the list to pick from.
// A date or a time is checked as its field is left, whether or not the form declares
// checks (a time typed hh:mm is shown hh:mm:ss then). Messages name fields by their
// label on the form.
#pragma once

#include <string>

#include "checks/Checker.h"
#include "checks/Rules.h"

class frmEdit;

class EntryChecks {
 public:
  explicit EntryChecks(frmEdit* w) : w_(w) {}

  void Load(const std::string& database);
  void Clear();
  const qfchecks::Rules& Rules() const { return rules_; }
  const std::string& Database() const { return database_; }

  // A field box took the focus: the one the clerk was in is left (checked once the
  // focus has settled). Reset forgets the field in hand (a new edit starts).
  void Focused(int slot);
  void Reset() { current_ = 0; }
  // The clerk left field `slot` for field `next` (0: elsewhere).
  void FieldLeft(int slot, int next);
  // Clears and locks the fields the record's skips pass over (edit mode); unlocks the
  // others.
  void ApplySkips();
  // Every rule on the record in hand, before it is saved: false when it is not to be
  // saved (said, and the focus is on the field concerned).
  bool AtSave(bool newRecord);
  // The legal values of the field whose box has the focus, to pick from.
  void PickLegal();
  // Shows page and box of field `slot`, with the focus in it where it can take it.
  void GoToField(int slot);

 private:
  qfchecks::Values RecordValues(std::string& text);
  // The date or time in field `slot` as it is left: false when it is none (said, and
  // the clerk is back in the field).
  bool FormatLeft(int slot);
  frmEdit* w_;
  int current_ = 0;  // the field box the clerk is in (edit mode)
  std::string database_;
  qfchecks::Rules rules_;
  qfchecks::Checker checker_;
};
