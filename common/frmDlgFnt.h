// frmDlgFnt: the font picker (caption DialogTitle, "Select Font"). Fifteen font
// names and thirteen sizes; the name is found ignoring letter case and the size by
// its number, each falling back to the first entry ("Arial", "8"). Ok stores the
// selected name, size, bold and italic (1 or 0) in the exchange members.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

class frmDlgFnt : public QDialog {
  Q_OBJECT
 public:
  explicit frmDlgFnt(QWidget* parent = nullptr);

  static const QStringList& FontNames();
  static const QStringList& FontSizes();

  QListWidget* lstFN;
  QListWidget* lstFS;
  QCheckBox* chkBold;
  QCheckBox* chkItalic;
  QLabel* lblSample;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

 private:
  void cmdOK_Click();
  void ShowSample();
};
