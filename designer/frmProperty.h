// frmProperty: the form properties dialog (caption "Properties").
//
// Edits a working copy of the form-wide settings (FormProps): the form's size in
// pixels and background, the font and colours of all fields, the default font and
// colours of banners, and also the print orientation and date order. The preview
// frame shows the copy. Nothing reaches the definition before "Update", which checks
// the size against the screen, stores everything, gives the designer window its new
// size and background, and pushes the banner look onto every banner whose check box
// asks for it.
#pragma once

#include <QDialog>

#include "engine/FormHeader.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class DesignerState;

class frmProperty : public QDialog {
  Q_OBJECT
 public:
  explicit frmProperty(DesignerState* designer);

  modDB::FormProps Props;  // the working copy

  QLineEdit* MH;
  QLineEdit* MW;
  QPushButton* btnBackground;
  QPushButton* btnFieldForeground;
  QPushButton* btnFieldBackground;
  QPushButton* btnFieldFont;
  QPushButton* btnBannerForeground;
  QCheckBox* chkBFC;
  QPushButton* btnBannerBackground;
  QCheckBox* chkBBC;
  QPushButton* btnBannerFont;
  QCheckBox* chkBFNT;
  QRadioButton* optPort;
  QRadioButton* optLand;
  QRadioButton* optUS;
  QRadioButton* optUK;
  QFrame* Frame;
  QLabel* F;
  QLabel* B;
  QPushButton* BtnUpdate;
  QPushButton* btnHelp;
  QPushButton* btnCancel;

  void BtnUpdate_Click();

 private:
  void ShowPreview();
  void PickColor(int32_t& color);
  void PickFont(modDB::FontDef& font);

  DesignerState* designer_;
};
