// frmDlgClr: the colour picker (caption "Color"). 216 swatches, the six levels 0, 51,
// … 255 of red, green and blue (blue fastest), in rows of 16; the box txtClr holds
// the colour as six hexadecimal digits BBGGRR. Ok stores the box's colour in
// DialogColor (0x00BBGGRR); an empty box chooses nothing and the picker stays open.
#pragma once

#include <QDialog>
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

  std::array<QLabel*, 217> lblClr{};  // 0 is the design element under swatch 1
  std::array<int32_t, 217> SwatchColor{};
  QLabel* lblHex;
  QLineEdit* txtClr;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void cmdOK_Click();
};
