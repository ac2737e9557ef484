#include "BoxedTextEdit.h"

#include "FormLook.h"

BoxedTextEdit::BoxedTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setFrameShape(QFrame::NoFrame);
  setViewportMargins(1, -FormLook::kTextRaise, 1, 0);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  document()->setDocumentMargin(0);
}

bool BoxedTextEdit::event(QEvent* e) {
  const bool done = QPlainTextEdit::event(e);
  if (e->type() == QEvent::Paint) FormLook::DrawBoxEdges(this, this, false, true);
  return done;
}

void BoxedTextEdit::paintEvent(QPaintEvent* e) {
  QPlainTextEdit::paintEvent(e);
  FormLook::DrawBoxEdges(this, viewport(), true, false);
}
