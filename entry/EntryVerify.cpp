#include "entry/EntryVerify.h"

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QStatusBar>
#include <QToolButton>

#include "common/QtText.h"
#include "engine/history/Format.h"
#include "engine/modDB.h"
#include "entry/Accessible.h"
#include "entry/frmEdit.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"
#include "verify/Verification.h"

namespace {

std::string TrimEnd(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

void Tell(const std::string& text, int style) { modDB::GetHost().MsgBox(text, style, "VERIFY"); }

}  // namespace

void EntryVerify::Opened(const std::string& database) {
  db_ = database;
  keyers_ = {};
  session_ = {};
  session_.started = modDB::history::Now();
  session_.user = modDB::history::UserName();
  clock_ = {};
}

void EntryVerify::Closed() {
  if (db_.empty()) return;
  session_.keystrokes = clock_.keys;
  session_.seconds = clock_.ms / 1000;
  if (const std::string why = qfverify::LogSession(db_, session_); !why.empty())
    Tell("The keying statistics could not be written: " + why, modDB::vbExclamation);
  db_.clear();
}

void EntryVerify::Saved(bool added) { ++(added ? session_.added : session_.edited); }

void EntryVerify::Start() {
  if (db_.empty() || w_->Mode != 1) return;
  if (!qfverify::VerificationOn(db_)) {
    Tell("This database is not verified. A supervisor turns verification on with: qfd verify " +
             modLIB::FileTitle(db_) + " --start",
         modDB::vbInformation);
    return;
  }
  active_ = true;
  if (!NextRecord()) w_->mnuCancelUpdate_Click();
}

void EntryVerify::Stop() {
  if (!active_) return;
  active_ = false;
  record_ = 0;
  fields_.clear();
  keyings_.clear();
  for (int i = 1; i <= 128; ++i) w_->Field[i]->setReadOnly(false);
  w_->statusBar()->hide();
}

// The next record to verify, on screen with its first field to key; false (verify
// mode left) when there is none.
bool EntryVerify::NextRecord() {
  for (;;) {
    qfverify::Progress p;
    if (const std::string why = qfverify::ReadProgress(db_, p, &keyers_); !why.empty()) {
      Tell(why, modDB::vbCritical);
      Stop();
      return false;
    }
    progress_ = p.Text();
    const int32_t n = p.Next(modDB::history::UserName());
    if (n == 0) {
      Stop();
      Tell("No record is waiting for you to verify.\r\n" + progress_, modDB::vbInformation);
      return false;
    }
    record_ = n;
    keyer_ = p.records[static_cast<size_t>(n)].keyer;
    const auto& taken = p.records[static_cast<size_t>(n)].taken;
    const modDB::FormHeader h = modDB::GetHeader();
    fields_.clear();
    for (int16_t s : qfverify::KeyedFields(h))
      if (s <= 128 && !taken.count(modLIB::Cp1252ToUtf8(h.Fields[s].Name.Trimmed()))) fields_.push_back(s);
    at_ = 0;
    keyings_.clear();
    modDB::SetRecordNo(n);
    modDB::ReadRecord();
    number_ = modDB::history::NumberOf(h, modDB::GetRecordText());
    if (fields_.empty()) {  // every field was taken before a stop: only the mark is missing
      if (const std::string why = qfverify::LogVerified(db_, n, number_, keyer_,
                                                        qfverify::Print(modDB::GetRecordText()));
          !why.empty()) {
        Tell(why, modDB::vbCritical);
        Stop();
        return false;
      }
      continue;
    }
    w_->NewRecord = false;
    w_->EditMode();
    w_->mnuUpdateRecord->setEnabled(false);
    w_->cTBarBtn[13]->setEnabled(false);
    shown_ = false;  // the record's first page is laid out afresh
    ShowField();
    return true;
  }
}

void EntryVerify::ShowField() {
  const modDB::FieldDef f = modDB::GetHeader().Fields[fields_[at_]];
  if (!shown_ || w_->CurPage != f.Page) {
    shown_ = true;
    w_->CurPage = f.Page;
    w_->ShowCurPage();  // calls PageShown
  } else {
    PageShown();
  }
}

void EntryVerify::PageShown() {
  if (!active_ || at_ >= fields_.size()) return;
  const int current = fields_[at_];
  for (size_t k = at_; k < fields_.size(); ++k) w_->Field[fields_[k]]->SetText("");
  for (int i = 1; i <= 128; ++i) w_->Field[i]->setReadOnly(i != current);
  status_ = QString("Verify record %1: %2").arg(record_).arg(QtText::FromCp(modLIB::Utf8ToCp1252(progress_)));
  w_->statusBar()->show();
  w_->statusBar()->showMessage(status_);
  if (!w_->Field[current]->isHidden()) w_->Field[current]->setFocus();
}

void EntryVerify::Say(const QString& text) {
  w_->statusBar()->showMessage(text);
  Accessible::Announce(w_, CurrentSlot(), text);
}

// The clerk ended the field in hand.
void EntryVerify::EndField() {
  const int16_t slot = fields_[at_];
  FieldBox* box = w_->Field[slot];
  const std::string typed = TrimEnd(box->Text());
  std::string stored;
  modDB::ReadField(slot, stored);
  stored = TrimEnd(stored);
  keyings_.push_back(typed);
  const bool twice = keyings_.size() >= 2 && keyings_[keyings_.size() - 2] == typed;
  const std::string name = modDB::GetHeader().Fields[slot].Name.Trimmed();
  if (typed != stored && !twice) {
    QApplication::beep();
    Say(QtText::FromCp(name) + ": not as first keyed. Key it again.");
    box->SetText("");
    return;
  }
  const std::string error = qfverify::ErrorOf(stored, keyings_);
  const bool refused = typed != stored && modDB::WriteFieldsOf(record_, {{slot, typed, stored}}, "VERIFY") != 1;
  modDB::SetRecordNo(record_);
  modDB::ReadRecord();
  if (refused) {  // the store said why; the field is keyed again, against the record as the file holds it now
    keyings_.clear();
    box->SetText("");
    return;
  }
  const std::string print = qfverify::Print(modDB::GetRecordText());
  using modLIB::Cp1252ToUtf8;
  if (const std::string why = qfverify::LogField(
          db_, record_, number_, keyer_, {Cp1252ToUtf8(name), Cp1252ToUtf8(stored), Cp1252ToUtf8(typed), error}, print);
      !why.empty()) {
    Tell(why, modDB::vbCritical);
    Stop();
    w_->mnuCancelUpdate_Click();
    return;
  }
  if (error == "first keyer") ++session_.corrected;
  if (error == "verifier") ++session_.verifierErrors;
  keyings_.clear();
  if (++at_ < fields_.size()) {
    ShowField();
    return;
  }
  if (const std::string why = qfverify::LogVerified(db_, record_, number_, keyer_, print); !why.empty()) {
    Tell(why, modDB::vbCritical);
    Stop();
    w_->mnuCancelUpdate_Click();
    return;
  }
  ++session_.verified;
  if (!NextRecord()) w_->mnuCancelUpdate_Click();
}

bool EntryVerify::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return false;
  auto* box = qobject_cast<FieldBox*>(watched);
  if (!box || w_->Mode != 2 || box->isReadOnly()) return false;
  auto* k = static_cast<QKeyEvent*>(e);
  // Enter starts a new line in a field of several lines: there only Tab ends it.
  const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
  const bool ends = (k->key() == Qt::Key_Tab || (enter && box->format.find('M') == std::string::npos)) &&
                    (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (!k->text().isEmpty() || k->key() == Qt::Key_Backspace || k->key() == Qt::Key_Delete)
    clock_.Key(QDateTime::currentMSecsSinceEpoch());
  if (active_ && ends && box->slot() == CurrentSlot()) {
    EndField();
    return true;
  }
  return false;
}
