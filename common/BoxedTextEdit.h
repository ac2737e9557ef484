// BoxedTextEdit: the multi-line text box both programs show for a form field. It has
// no inner margin and no scroll bars: the text area is one pixel in from the sides and
// raised by FormLook::kTextRaise, and the 1-pixel box line is drawn over the edges in
// the text colour (FormLook::DrawBoxEdges).
#pragma once

#include <QPlainTextEdit>

class BoxedTextEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit BoxedTextEdit(QWidget* parent);

 protected:
  // The sides are drawn on the box itself, the top and bottom over the text area.
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
};
