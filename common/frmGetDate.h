// frmGetDate: the calendar date picker (caption "Date"). Opens at DatePickerLeft,
// DatePickerTop (twips) on the date DateText holds when it is valid in the date order
// DatePickerOrder (the caller's: the database's), else on today. Weeks start on Monday; six rows of seven day cells.
// The selected day is red and bold while its month is shown. A double-click on a day
// writes it into DateText (dd/mm/yyyy, or mm/dd/yyyy for DatePickerOrder 2) and closes;
// closing otherwise leaves DateText alone.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QLabel;
class QPushButton;

class frmGetDate : public QDialog {
  Q_OBJECT
 public:
  explicit frmGetDate(QWidget* parent = nullptr);

  QLabel* lblMonth;
  QLabel* lblYear;
  std::array<QLabel*, 8> lblDayOfWeek{};  // 1 … 7, Monday first
  std::array<QLabel*, 43> lblDay{};       // 1 … 42
  QPushButton* cmdBack;
  QPushButton* cmdNext;
  QPushButton* cmdYBack;
  QPushButton* cmdYNext;

  int16_t SelDay = 0, SelMonth = 0, SelYear = 0;
  int16_t ShowMonth = 0, ShowYear = 0;

  void DrawMonth();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void cmdBack_Click();
  void cmdNext_Click();
  void cmdYBack_Click();
  void cmdYNext_Click();
  void lblDay_DblClick(int index);
};
