// frmCompare: File > Compare With..., the open database (A) beside another file of
// the same form (B) keyed from the same paper forms (caption "Compare With"). The
// key field is chosen, then one line a difference: key, field, A's value, B's value;
// a key found in one file only has the field "(record)". Go To (Enter, a double
// click) shows the line's record of A in the entry window; Take B's Value writes B's
// value into A's record through the record store (the history keeps it), and the
// line leaves the list.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "verify/Compare.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

class frmCompare : public QDialog {
  Q_OBJECT
 public:
  // `goTo` shows record n of A in the entry window.
  frmCompare(QWidget* parent, const std::string& a, const std::string& b, std::function<void(int32_t)> goTo);

  QComboBox* cboKey;
  QPushButton* cmdCompare;
  QTreeWidget* lstDiffs;
  QLabel* lblCount;
  QPushButton* cmdGoTo;
  QPushButton* cmdTake;
  QPushButton* cmdClose;

  void Compare();
  void GoTo();
  void TakeB();

 private:
  std::string a_, b_;
  std::function<void(int32_t)> goTo_;
  std::vector<qfverify::Difference> diffs_;
};
