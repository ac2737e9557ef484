// frmShowText: shows a multi-line field value in full, in one read-only text box
// that fills the window.
#pragma once

#include <QDialog>

class QPlainTextEdit;

class frmShowText : public QDialog {
  Q_OBJECT
 public:
  explicit frmShowText(QWidget* parent = nullptr);
  QPlainTextEdit* Text1;

 protected:
  void resizeEvent(QResizeEvent* e) override;
};
