#include "entry/EntryChecks.h"

#include <QApplication>
#include <QTimer>

#include "checks/FileCheck.h"
#include "common/QtText.h"
#include "engine/modDB.h"
#include "engine/ValueRules.h"
#include "entry/Accessible.h"
#include "lib/modLIB.h"
#include "entry/frmEdit.h"
#include "entry/frmLegal.h"
#include "common/modDlg.h"

void EntryChecks::Load(const std::string& database) {
  database_ = database;
  std::string why = qfchecks::ReadRules(database, rules_);
  if (why.empty()) why = checker_.Prepare(modDB::GetHeader(), rules_);
  else checker_.Prepare(modDB::GetHeader(), rules_);
  if (!why.empty()) modDB::GetHost().MsgBox(why, modDB::vbCritical | modDB::vbOKOnly, "CHECKS");
}

void EntryChecks::Clear() {
  database_.clear();
  rules_ = {};
  checker_.Prepare(modDB::FormHeader(), rules_);
}

qfchecks::Values EntryChecks::RecordValues(std::string& text) {
  text = modDB::GetRecordText();
  return qfchecks::ValuesOf(modDB::GetHeader(), text);
}

void EntryChecks::Focused(int slot) {
  const int left = current_;
  current_ = slot;
  if (w_->Mode != 2 || left == 0 || left == slot) return;
  QTimer::singleShot(0, w_, [this, left, slot] {
    if (current_ == slot) FieldLeft(left, slot);
  });
}

void EntryChecks::GoToField(int slot) {
  modDB::FieldDef f;
  if (slot < 1 || slot > 128 || modDB::GetFieldDef(static_cast<int16_t>(slot), f) != slot) return;
  if (f.Page != w_->CurPage) {
    if (w_->Mode == 2) w_->Form2Record();
    w_->CurPage = f.Page;
    w_->ShowCurPage();
  }
  FieldBox* box = w_->Field[slot];
  if (!box->isHidden() && box->isEnabled()) {
    w_->LastFieldSlot = current_ = slot;  // coming back is no leaving
    box->setFocus();
  }
}

void EntryChecks::ApplySkips() {
  if (w_->Mode != 2 || !checker_.Any()) {
    for (int k = 1; k <= 128; ++k) w_->Field[k]->setEnabled(true);
    return;
  }
  w_->Form2Record();
  std::string text;
  const std::vector<bool> skipped = checker_.Skipped(RecordValues(text));
  for (int k = 1; k <= 128; ++k) {
    if (skipped[static_cast<size_t>(k)]) {
      modDB::WriteField(static_cast<int16_t>(k), "");
      if (!w_->Field[k]->isHidden()) w_->Field[k]->SetText("");
    }
    w_->Field[k]->setEnabled(!skipped[static_cast<size_t>(k)]);
  }
}

bool EntryChecks::FormatLeft(int slot) {
  modDB::FieldDef f;
  FieldBox* box = w_->Field[slot];
  if (modDB::GetFieldDef(static_cast<int16_t>(slot), f) != slot || box->isHidden()) return true;
  const modDB::FormatRules rules(f.Format.Trimmed());
  std::string v = modLIB::Trim(box->Text());
  if (v.empty()) return true;
  if (rules.IsTime()) {
    const std::string t = modDB::TimeAsStored(v);
    if (t != v && static_cast<int>(t.size()) <= f.Length) box->SetText(v = t);
  }
  const modDB::SaveCheck check = rules.CheckForSave(v, modDB::GetDateOrder());
  if (check != modDB::SaveCheck::Date && check != modDB::SaveCheck::Time) return true;
  modDB::GetHost().MsgBox("Field: " + QtText::ToCp(Accessible::FieldLabel(w_, slot)) + ", " +
                              modDB::SaveCheckText(check, modDB::GetDateOrder()),
                          modDB::vbCritical | modDB::vbOKOnly, "CHECK");
  GoToField(slot);
  box->selectAll();
  return false;
}

void EntryChecks::FieldLeft(int slot, int next) {
  if (w_->Mode != 2 || !FormatLeft(slot) || !checker_.Any()) return;
  w_->Form2Record();
  std::string text;
  std::vector<qfchecks::Finding> found;
  checker_.CheckField(RecordValues(text), static_cast<int16_t>(slot), found);
  for (const qfchecks::Finding& f : found) {
    if (f.Hard) {
      modDB::GetHost().MsgBox(f.Message, modDB::vbCritical | modDB::vbOKOnly, "CHECK");
      GoToField(slot);
      return;
    }
    if (modDB::GetHost().MsgBox(f.Message + "\r\n\r\nKeep this value?",
                                modDB::vbYesNo | modDB::vbExclamation | modDB::vbDefaultButton2, "CHECK") != modDB::vbYes) {
      GoToField(slot);
      return;
    }
  }
  ApplySkips();
  const int16_t to = checker_.SkipTarget(RecordValues(text), static_cast<int16_t>(slot));
  if (to != 0 && (next == 0 || (next > slot && next < to) || !w_->Field[next]->isEnabled())) GoToField(to);
}

bool EntryChecks::AtSave(bool newRecord) {
  if (!checker_.Any()) return true;
  ApplySkips();
  std::string text;
  RecordValues(text);
  std::vector<qfchecks::Exception> exceptions;
  if (!newRecord) qfchecks::ReadExceptions(database_, exceptions);
  std::vector<qfchecks::Finding> found;
  qfchecks::CheckRecordText(checker_, modDB::GetHeader(), newRecord ? 0 : modDB::GetRecordNo(), text, exceptions,
                            found);
  if (found.empty()) return true;
  for (const qfchecks::Finding& f : found)
    if (f.Hard) {
      modDB::GetHost().MsgBox(f.Message, modDB::vbCritical | modDB::vbOKOnly, "UPDATE");
      GoToField(f.Slot);
      return false;
    }
  std::string list;
  for (const qfchecks::Finding& f : found) list += f.Message + "\r\n";
  if (modDB::GetHost().MsgBox(list + "\r\nSave the record anyway?",
                              modDB::vbYesNo | modDB::vbExclamation | modDB::vbDefaultButton2, "UPDATE") == modDB::vbYes)
    return true;
  GoToField(found.front().Slot);
  return false;
}

void EntryChecks::PickLegal() {
  auto* box = qobject_cast<FieldBox*>(QApplication::focusWidget());
  if (w_->Mode != 2 || !box) return;
  const int slot = box->slot();
  const std::vector<qfchecks::LegalValue> legal = checker_.Legal(static_cast<int16_t>(slot));
  if (legal.empty()) return;
  frmLegal dlg(w_, checker_.Label(static_cast<int16_t>(slot)), legal, box->Text());
  modDlg::RunModal(dlg);
  if (dlg.Picked >= 0) box->SetText(legal[static_cast<size_t>(dlg.Picked)].Code);
  box->setFocus();
}
