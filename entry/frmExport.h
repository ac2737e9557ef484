// frmExport ("Export"): writes the records of the open database to a CSV file.
//
// The user selects fields ("Select All" selects every one), presses "Export" and
// names the file in the save picker; a name that does not end in ".csv" (any letter
// case) gets it appended. Every record, marked ones included, becomes one line of the
// file as modDB::ExportCsv writes it, the same file as `qfd export`. While it runs the
// dialog is hidden and the progress window shows how far it has come; the entry
// window's current record is the same afterwards. A cancelled picker writes nothing.
// The dialog closes after the export or the cancelled picker.
//
// "Spreadsheet quoting" writes the file as spreadsheets read it back (quotes inside
// values doubled, line breaks kept, `qfd export --rfc4180`); "UTF-8", possible only
// with it, writes UTF-8 with a byte order mark. Both start unchecked: the plain
// export is the file as it has always been written.
//
// "Format" chooses the file: CSV (the default), Stata, SPSS, Excel workbook or SQLite
// (modDB::ExportTo, the same files as `qfd export`), with typed columns, variable
// labels from the banners and the value labels in `labels`; the picker and the name
// rule follow the format's extension, and the quoting boxes apply to CSV only.
#pragma once

#include <QDialog>

#include "engine/transfer/Transfer.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

class frmExport : public QDialog {
  Q_OBJECT
 public:
  explicit frmExport(QWidget* parent = nullptr);

  QListWidget* lstField;  // entry j stands for field slot j + 1
  QPushButton* Command1;  // "Select All"
  QPushButton* btnExport;
  QCheckBox* chkQuoting;  // "Spreadsheet quoting"
  QCheckBox* chkUtf8;     // "UTF-8", with spreadsheet quoting only
  QCheckBox* chkDeleted;  // "Deletion marks": a column #Deleted, "*" for a marked record
  QComboBox* cboFormat;   // "Format": entry k is kFormats[k]
  modDB::ExportLabels labels;  // value labels of the fields, given to every export

  void Command1_Click();
  void btnExport_Click();
};
