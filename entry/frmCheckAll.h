// frmCheckAll: Tools > Check All, the declared checks over every record of the open
// database (caption "Check All"). One line a broken rule: record, "#" number, field
// (its label on the form), rule, value and message, hard rules marked; below, the
// count per rule. Enter (or a double click) on a line closes the list and hands its
// record and field back, for the window to go there. With a note typed, Accept marks
// the line's record an accepted exception to its rule (kept beside the database and
// in the history); the line leaves the list. Records marked for deletion are not
// checked, nor exceptions accepted before.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "checks/FileCheck.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class EntryState;

class frmCheckAll : public QDialog {
  Q_OBJECT
 public:
  // Checks the database (base name) with the rules; a fault is said and the list
  // stays empty.
  frmCheckAll(EntryState* editor, const std::string& database, const qfchecks::Rules& rules);

  QTreeWidget* lstFindings;
  QLabel* lblCounts;
  QLineEdit* txtNote;
  QPushButton* cmdGoTo;
  QPushButton* cmdAccept;
  QPushButton* cmdClose;

  // The line picked with Enter: its record and field slot (0 when none was picked).
  int32_t PickedRecord = 0;
  int PickedSlot = 0;

  void cmdGoTo_Click();
  void cmdAccept_Click();

 private:
  void ShowCounts();
  std::string database_;
  qfchecks::Report report_;
  std::vector<qfchecks::Finding> shown_;  // in the list's order
};
