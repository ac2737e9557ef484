// frmInput: the one-line input box. Caption DialogTitle; the text box txtStr starts
// with InputText trimmed, holds at most InputMaxLength characters (32 when 0) and
// lets through only the keys of InputMode ("*" when empty: only the asterisk); a mode
// with "P" shows every character as "#". Ok stores the text, trimmed, in InputText;
// any other way of closing leaves InputText as it was.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class frmInput : public QDialog {
  Q_OBJECT
 public:
  explicit frmInput(QWidget* parent = nullptr);

  QLineEdit* txtStr;
  QPushButton* cmdOK;
  QString Mode;

 private:
  void cmdOK_Click();
};
