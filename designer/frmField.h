// frmField: the field properties dialog (caption "Field Properties").
//
// ShowField(0) proposes a new field on the designer's current page; ShowField(n)
// shows field slot n for changing or deleting. The dialog estimates a box's width and
// height from a number of characters and lines, measured in the form's field font
// with the invisible label Prv. Its Checks page holds the field's declared checks
// (a range, legal values "CODE = Label" one a line, required-if, a skip, the
// message and whether the rules are hard); they are tried on the form before the
// field is stored, and stored with it under its (new) name. Its own checks come first (Invalid Name, X, Y, Width,
// Height, Length); then the engine (AddField, SetFieldDef, DeleteField) checks and
// reports on its own, and the dialog stays open when it refuses. The designer's
// Modified is set before the engine is called; the caller redraws the canvas.
#pragma once

#include <QDialog>
#include <cstdint>

#include "checks/Rules.h"
#include "engine/FormHeader.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class DesignerState;

class frmField : public QDialog {
  Q_OBJECT
 public:
  explicit frmField(DesignerState* designer);

  void ShowField(int16_t n);

  QLabel* lblPNO;
  QLabel* lblFNO;
  QLineEdit* NAM;
  QLineEdit* X;
  QLineEdit* Y;
  QLineEdit* W;
  QLineEdit* H;
  QLineEdit* nChars;
  QLineEdit* nLines;
  QLineEdit* L;
  QLineEdit* FMT;
  QPushButton* AutoWidth;
  QPushButton* AutoHeight;
  QPushButton* btnFMTHelp;
  QPushButton* BtnUpdate;
  QPushButton* btnDelete;
  QPushButton* btnHelp;
  QPushButton* btnCancel;
  QLabel* Prv;
  QTabWidget* tabField;  // "Field" and "Checks"
  QLineEdit* txtMin;
  QLineEdit* txtMax;
  QPlainTextEdit* txtLegal;
  QLineEdit* txtRequiredIf;
  QLineEdit* txtSkipIf;
  QLineEdit* txtSkipTo;
  QLineEdit* txtCheckMessage;
  QCheckBox* chkHard;

  void AutoWidth_Click();
  void AutoHeight_Click();
  void BtnUpdate_Click();
  void btnDelete_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetSample(const QString& text);
  // Prv's size in twips, as the estimates read it.
  int32_t PrvWidthTwips() const;
  int32_t PrvHeightTwips() const;
  bool Refuse(const char* text, const char* title, QLineEdit* box);
  // The Checks page's rules for a field of the given name and definition, tried on
  // the form as it would be with it in slot n: false (said) when they cannot apply.
  bool ChecksApply(const modDB::FieldDef& f, int16_t n, qfchecks::FieldRules& out);

  DesignerState* designer_;
};
