#include "FormLook.h"

#include <QPalette>
#include <QWidget>

#include "Platform.h"

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

QFont Font(const modDB::FontDef& f) {
  return Platform::FormFont(f.Name.Trimmed(), f.Size, f.Bold != 0, f.Italic != 0);
}

}  // namespace FormLook
