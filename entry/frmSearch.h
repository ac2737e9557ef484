// frmSearch ("Find"): searches the records from the first one on for a text inside
// the chosen fields and shows each hit on the entry window; "Again" goes on from the
// record after the last hit, with the same text and fields. No wrap-around. It opens
// with the field last typed in (or the page's first) chosen; after a hit Enter means
// "Again", and the dialog moves off the field found.
#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;
class EntryState;

class frmSearch : public QDialog {
  Q_OBJECT
 public:
  explicit frmSearch(EntryState* editor);

  QLineEdit* SearchStr;
  QListWidget* FldList;  // entry j stands for field slot j + 1
  QPushButton* BtnSearch;
  QPushButton* BtnCancel;

  void BtnSearch_Click();
  void BtnCancel_Click();

 private:
  void MoveOffField(int slot);
  EntryState* editor_;
};
