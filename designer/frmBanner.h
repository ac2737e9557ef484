// frmBanner: the banner properties dialog (caption "Banner Properties").
//
// ShowBanner(0) proposes a new banner on the designer's current page; ShowBanner(n)
// shows banner slot n for changing or deleting. The caption box TXT is the working
// copy of the banner's look: the Font, Foreground Color and Background Color buttons
// change only the box, and the look is taken from it when the banner is stored. Own
// checks (Invalid X, Y, Caption) come first, titled "BANNER" without an icon; the
// engine (InsertBanner, SetBanner, DeleteBanner) checks and reports on its own.
// The dialog opens in X; Tab goes on to Y and the caption. Enter stores the banner
// from every box (Add or Update is the default button), Ctrl+Enter starts a new line
// of the caption.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class DesignerState;

class frmBanner : public QDialog {
  Q_OBJECT
 public:
  explicit frmBanner(DesignerState* designer);

  void ShowBanner(int16_t n);

  QLabel* lblPNO;
  QLabel* lblBNO;
  QLineEdit* X;
  QLineEdit* Y;
  QPlainTextEdit* TXT;
  QPushButton* BtnFont;
  QPushButton* BtnForeground;
  QPushButton* btnBackground;
  QPushButton* BtnUpdate;
  QPushButton* btnDelete;
  QPushButton* btnHelp;
  QPushButton* btnCancel;
  QLabel* lblHint;  // what Enter and Ctrl+Enter do in the caption box

  // The caption box's look: font name as listed ("Arial"), size, style and colours.
  std::string LookName;
  int LookSize = 10;
  bool LookBold = false, LookItalic = false;
  int32_t LookFore = 0, LookBack = 0xFFFFFF;

  void BtnFont_Click();
  void BtnForeground_Click();
  void btnBackground_Click();
  void BtnUpdate_Click();
  void btnDelete_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyLook();
  bool Refuse(const char* text, QWidget* box);

  DesignerState* designer_;
};
