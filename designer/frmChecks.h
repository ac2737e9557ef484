// frmChecks: the form's checks over several fields (caption "Checks", Component >
// Checks). One row a rule: its name (empty: "Check" + its place), the rule as an
// expression over field names that must hold ("DISCH >= ADMIT"), the message the
// clerk sees when it does not, and whether it is hard (the record cannot be saved)
// or soft (the clerk may confirm past it). OK tries every rule on the form and keeps
// them, or says the first that cannot apply and stays open; Cancel keeps nothing.
#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;
class DesignerState;

class frmChecks : public QDialog {
  Q_OBJECT
 public:
  explicit frmChecks(DesignerState* designer);

  QTableWidget* lstChecks;
  QPushButton* cmdAdd;
  QPushButton* cmdDelete;
  QPushButton* cmdOK;
  QPushButton* btnCancel;
  QPushButton* btnHelp;

  void cmdAdd_Click();
  void cmdDelete_Click();
  void cmdOK_Click();

 private:
  void AddRow(const QString& name, const QString& rule, const QString& message, bool hard);
  DesignerState* designer_;
};
