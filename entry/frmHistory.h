// frmHistory: the change history of the open database (BASE.Qfh): the current
// record's lines, newest first, or, with "Whole file", every line of the file.
// Also starts keeping the history (File > Start History).
#pragma once

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

class frmHistory : public QDialog {
  Q_OBJECT
 public:
  // Shows the history of the current record of the open database; says so and shows nothing
  // when no database is open or it keeps no history.
  static void ShowFor(QWidget* parent);
  // Starts keeping the history of the open database, after saying what it means.
  static void StartFor(QWidget* parent);
  // File > Start History is offered only while the database keeps no history.
  static void OfferStart(class QMenu* menu, class QAction* start);

  frmHistory(QWidget* parent, int32_t record);
  QLabel* lblDamage = nullptr;
  QCheckBox* chkWhole;
  QTableWidget* grdLines;
  QPushButton* cmdClose;

  // Fills the table from the file again (record lines, or the whole file).
  bool Fill();

 private:
  int32_t record_;
};
