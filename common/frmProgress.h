// frmProgress: the progress window of the long loops (saving a header over records,
// packing, the CSV export). Not modal: it exists from the first ShowPer of a loop to
// HidePer. ShowPer(current, total) redraws only when the whole percentage rises above
// the stored threshold, which it then sets one above the shown value, so the display
// moves in steps of at least two points after the first. A new window starts at
// threshold 0 with an empty bar.
#pragma once

#include <QWidget>
#include <cstdint>

class QFrame;
class QLabel;

class frmProgress : public QWidget {
  Q_OBJECT
 public:
  explicit frmProgress(QWidget* parent = nullptr);

  static void ShowPer(int32_t current, int32_t total);
  static void HidePer();
  static frmProgress* Instance();  // the loaded window, or nullptr

  static constexpr int32_t kBarTwips = 3495;  // the bar's width at 100 percent

  QFrame* shpFrame;
  QFrame* shpBack;
  QFrame* shpBar;
  QLabel* lblPer;
  QLabel* lblMin;
  QLabel* lblMax;
  int16_t Threshold = 0;

 private:
  void Update(int32_t current, int32_t total);
};
