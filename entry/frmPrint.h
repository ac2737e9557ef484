// frmPrint ("Print"): prints records as the entry window shows them.
//
// The user picks a printer, the records (the current one or a range of record
// numbers), the form's pages (the current one or a range), the orientation and the
// number of copies. The Print button checks the entries in a fixed order (the first
// failure says why and puts the focus into the box to correct), then makes the entry
// window show each chosen page of each chosen record in turn, its toolbar strip
// hidden, and prints the window's inner area once per copy: record by record, page by
// page, the copies of a page one after the other. Afterwards, or after a failure, the
// entry window is back on the record and page it showed, with its toolbar, and the
// dialog closes.
//
// On "PDF File" the pages go into one PDF file named with the save picker; cancelling
// the picker prints nothing and leaves the dialog open.
#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class EntryState;

class frmPrint : public QDialog {
  Q_OBJECT
 public:
  explicit frmPrint(EntryState* editor);

  QListWidget* lstPrinter;
  QRadioButton* optCurrent;
  QRadioButton* optRange;
  QLineEdit* txtFrom;
  QLineEdit* txtTo;
  QLineEdit* txtCopies;
  QRadioButton* optPageCurrent;
  QRadioButton* optPageRange;
  QLineEdit* txtFrmP2P;
  QLineEdit* txtToP2P;
  QRadioButton* optPotrait;
  QRadioButton* optLandscape;
  QPushButton* cmdPrint;
  QPushButton* cmdCancel;

  void optCurrent_Click();
  void optRange_Click();
  void optPageCurrent_Click();
  void optPageRange_Click();
  void cmdPrint_Click();
  void cmdCancel_Click();

 private:
  // Steps the entry window through the records and pages and prints each; false on a
  // printing failure.
  bool PrintPages(int32_t first, int32_t last, int16_t firstPage, int16_t lastPage, int16_t copies,
                  const QString& pdfPath);

  EntryState* editor_;
};
