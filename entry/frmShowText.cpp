#include "entry/frmShowText.h"

#include <QPlainTextEdit>

frmShowText::frmShowText(QWidget* parent) : QDialog(parent) {
  setObjectName("frmShowText");
  Text1 = new QPlainTextEdit(this);
  Text1->setObjectName("Text1");
  Text1->setReadOnly(true);
  Text1->setGeometry(0, 0, width(), height());
}

void frmShowText::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  Text1->setGeometry(0, 0, width(), height());
}
