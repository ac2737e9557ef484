// frmHistory: the change history of the open database (BASE.Qfh): the current
// record's lines, newest first, or, with "Whole file", every line of the file.
// Times are shown in local time, or in UTC with "Show times in UTC"; each
// cell's tooltip holds its whole value, and Enter or a double click on a line shows
// the whole line. Also starts keeping the history (File > Start History).
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

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
  QCheckBox* chkUtc;
  QTableWidget* grdLines;
  QPushButton* cmdClose;

  // Fills the table from the file again (record lines, or the whole file).
  bool Fill();
  // The times of the lines on show, in local time or UTC as chkUtc says.
  void ShowTimes();
  // Shows line `row` of the table (0 the first) whole, in a read-only box.
  void ShowLine(int row);
  // A time as written in the history (UTC), shown in local time, or in UTC
  // ("... UTC") when `utc`.
  static QString TimeText(const std::string& time, bool utc);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  int32_t record_;
  std::vector<std::string> records_;  // the record of each line on show
  std::vector<std::string> times_;    // and its time as written
};
