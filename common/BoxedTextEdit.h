// BoxedTextEdit: the multi-line text box both programs show for a form field. It has
// no inner margin and no scroll bars: the text area is one pixel in from the left,
// FormLook::kRightInset from the right, and placed by FormLook::TextTop (raised in a
// box one line high, lowered off the top line in a taller one); the 1-pixel box line
// is drawn over the edges in the text colour, or the highlight colour while the box
// has the focus (FormLook::DrawBoxEdges).
#pragma once

#include <QPlainTextEdit>

class BoxedTextEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit BoxedTextEdit(QWidget* parent);

 protected:
  // The text area's margins for the box's height and font (FormLook::TextTop).
  void PlaceText();
  // The sides are drawn on the box itself, the top and bottom over the text area.
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
};
