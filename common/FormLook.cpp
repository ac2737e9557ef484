#include "common/FormLook.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <QPalette>
#include <QWidget>

#include "common/Platform.h"

namespace FormLook {

QColor Color(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

void SetColours(QWidget* w, int32_t fore, int32_t back) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, Color(fore));
  p.setColor(QPalette::Text, Color(fore));
  p.setColor(QPalette::Window, Color(back));
  p.setColor(QPalette::Base, Color(back));
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

int TextTop(int boxHeight, const QFont& font) {
  return std::clamp(boxHeight - 1 - QFontMetrics(font).height(), -kTextRaise, 1);
}

void DrawBoxEdges(QWidget* box, QWidget* on, bool horizontal, bool vertical) {
  QPainter p(on);
  // The box being typed into shows its line in the highlight colour.
  p.setPen(box->palette().color(box->hasFocus() ? QPalette::Highlight : QPalette::WindowText));
  if (on != box) p.translate(-on->mapTo(box, QPoint(0, 0)));
  const int r = box->width() - 1, b = box->height() - 1;
  if (horizontal) {
    p.drawLine(0, 0, r, 0);
    p.drawLine(0, b, r, b);
  }
  if (vertical) {
    p.drawLine(0, 0, 0, b);
    p.drawLine(r, 0, r, b);
  }
}

QFont Font(const modDB::FontDef& f) {
  return Platform::FormFont(f.Name.Trimmed(), f.Size, f.Bold != 0, f.Italic != 0);
}

}  // namespace FormLook
