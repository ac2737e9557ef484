#include "common/BoxedTextEdit.h"

#include "common/FormLook.h"

BoxedTextEdit::BoxedTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setFrameShape(QFrame::NoFrame);
  PlaceText();
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  document()->setDocumentMargin(0);
}

void BoxedTextEdit::PlaceText() {
  setViewportMargins(1, FormLook::TextTop(height(), font()), FormLook::kRightInset, 0);
}

bool BoxedTextEdit::event(QEvent* e) {
  if (e->type() == QEvent::Resize || e->type() == QEvent::FontChange) PlaceText();
  // The line's colour follows the focus.
  if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) update();
  const bool done = QPlainTextEdit::event(e);
  // All four sides on the box itself (the text area may leave the top row to it),
  // the top and bottom again over the text area.
  if (e->type() == QEvent::Paint) FormLook::DrawBoxEdges(this, this, true, true);
  return done;
}

void BoxedTextEdit::paintEvent(QPaintEvent* e) {
  QPlainTextEdit::paintEvent(e);
  FormLook::DrawBoxEdges(this, viewport(), true, false);
}
