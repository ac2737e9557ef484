// frmImport ("Import"): brings the rows of a CSV file into the open database, from
// the entry window's File > Import... in browse mode.
//
// Run asks for the file in the load picker, reads and checks every row
// (modDB::ReadCsvImport, columns that name no field left out) and shows this preview:
// which column goes to which field, the first rows as read, the row count, and each
// refused row with its line, field, value and reason. "Import" appends the good rows
// under one hold of the writers' lock (modDB::WriteCsvImport) while the progress
// window shows how far it has come; the first new record is then current. When rows
// are refused, importing the others needs "Leave the refused rows out", and the
// refused rows go to FILE.rejected.csv as `qfd import --skip-bad` writes them.
//
// "Run the form script's Update on each row" (on by default when the script has an
// Update procedure) runs Update on each row as if it had been typed and saved: the
// row is the record text while it runs, what the script writes into fields is kept,
// and a row whose Update fails is left out and counted.
#pragma once

#include <QDialog>
#include <functional>

#include "engine/transfer/CsvImport.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

class frmImport : public QDialog {
  Q_OBJECT
 public:
  frmImport(const modDB::CsvImport& plan, bool scriptHasUpdate, QWidget* parent = nullptr);

  QLabel* lblSummary;
  QTableWidget* grdColumns;  // column name -> field
  QTableWidget* grdRows;     // the first rows as read
  QTableWidget* grdRefused;  // line, field, value, reason
  QCheckBox* chkSkipBad;     // "Leave the refused rows out"
  QCheckBox* chkUpdate;      // "Run the form script's Update on each row"
  QPushButton* btnImport;
  QPushButton* btnCancel;

  // The whole command: picker, preview, import. runUpdate runs the form script's
  // Update on the current record text and says whether it let the record be saved.
  // True when records were added (the first of them is current).
  static bool Run(QWidget* parent, const std::function<bool()>& runUpdate);

  // Whether a form script has an Update procedure.
  static bool HasUpdate(const std::string& script);

 private:
  void Refresh();
  const modDB::CsvImport& plan_;
};
