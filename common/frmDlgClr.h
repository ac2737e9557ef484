// frmDlgClr: the colour picker (caption "Color"). 216 swatches, the six levels 0, 51,
// … 255 of red, green and blue (blue fastest), in rows of 16; the box txtClr holds
// the colour as #RRGGBB, and the swatch lblSwatch beside it shows the colour typed.
// Hexadecimal digits without "#" are read the older way, as BBGGRR. Ok stores the
// box's colour in DialogColor (0x00BBGGRR, as the file keeps it); a box that holds no
// colour chooses nothing and the picker stays open.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class frmDlgClr : public QDialog {
  Q_OBJECT
 public:
  explicit frmDlgClr(QWidget* parent = nullptr);

  // The colour's last six hexadecimal digits, upper case: 0x00BBGGRR gives BBGGRR.
  static std::string ColorToHex(int32_t color);
  // The colour as it is shown and typed: "#RRGGBB", upper case.
  static QString ColorToRgbText(int32_t color);
  // The colour a text of the box stands for: "#RRGGBB" (exactly six digits), or
  // hexadecimal digits without "#" read as BBGGRR. False for anything else.
  static bool ColorFromText(const QString& text, int32_t& color);

  std::array<QLabel*, 217> lblClr{};  // 0 is the design element under swatch 1
  std::array<int32_t, 217> SwatchColor{};
  QLabel* lblHex;
  QLineEdit* txtClr;
  QLabel* lblSwatch;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void cmdOK_Click();
  void ShowSwatch();
};
