// The entry window's double entry: Record > Verify, where a second clerk keys a
// record again over blank fields and every difference from the first keying is
// settled field by field; and the keying session whose statistics are kept beside
// the database (who, when, records added, edited and verified, keys and keying
// time) from the database's opening to its closing.
//
// Verify takes the record the clerk stopped half way, else the first one that is not
// verified and was keyed by someone else (verify/Verification.h). The window is in
// edit mode with Update off; the computed and "#" fields are not keyed. The clerk
// keys a field and ends it with Enter or Tab. A value that differs from the stored
// one beeps, is said to the screen reader and is asked again; the value keyed the
// same way twice in a row is taken. A value taken that differs from the stored one
// is saved at once through the record store (the history holds it); each field taken
// is written to the verification file, so that a stop (Cancel, closing, or the
// program ending) goes on at the same field next time. A done record is marked
// verified and the next one follows.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "verify/Statistics.h"
#include "verify/Verification.h"

class frmEdit;

class EntryVerify : public QObject {
  Q_OBJECT
 public:
  explicit EntryVerify(frmEdit* w) : w_(w) {}

  // The keying session: from a database's opening to its closing.
  void Opened(const std::string& database);
  void Closed();
  void Saved(bool added);  // a record saved in edit mode
  const qfverify::Session& Session() const { return session_; }
  int64_t Keys() const { return clock_.keys; }

  // Record > Verify, from browse mode.
  void Start();
  bool Active() const { return active_; }
  // Leaves verify mode (the window then cancels its edit).
  void Stop();
  // At the end of every page show.
  void PageShown();
  int32_t Record() const { return record_; }
  int CurrentSlot() const { return active_ && at_ < fields_.size() ? fields_[at_] : 0; }
  QString Status() const { return status_; }

  // Watches the field boxes: keys are counted, and Enter or Tab ends a field in
  // verify mode.
  void Watch(QObject* box) { box->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  bool NextRecord();
  void EndField();
  void ShowField();
  void Say(const QString& text);

  frmEdit* w_;
  std::string db_;
  qfverify::Session session_;
  qfverify::KeyClock clock_;
  qfverify::KeyerCache keyers_;
  bool active_ = false;
  int32_t record_ = 0;
  std::string keyer_, number_, progress_;
  std::vector<int16_t> fields_;  // still to key, in slot order
  size_t at_ = 0;
  bool shown_ = false;  // the record in hand is on screen
  std::vector<std::string> keyings_;  // of the field in hand
  QString status_;
};
