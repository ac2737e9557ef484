// frmTabOrder: the tab order dialog (caption "Tab Order").
//
// Lists the fields in slot order, which is the tab order and the order of the values
// inside a record. "Up" and "Dn" swap the selected field with its neighbour in the
// definition at once (MoveFieldUp, MoveFieldDown) and in the list, keeping the moved
// field selected; there is no undo and no cancel. "Ok" closes.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class DesignerState;

class frmTabOrder : public QDialog {
  Q_OBJECT
 public:
  explicit frmTabOrder(DesignerState* designer);

  QListWidget* Lst;
  QPushButton* cmdUp;
  QPushButton* cmdDn;
  QPushButton* cmdOK;
  QPushButton* btnHelp;

  void cmdUp_Click();
  void cmdDn_Click();

 private:
  DesignerState* designer_;
};
