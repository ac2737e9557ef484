#include "designer/DesignerIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace DesignerIcons {

namespace {

const QColor kInk(40, 60, 110);

void Arrow(QPainter& p, double dir) {
  // A filled arrow head pointing right (dir 1) or left (dir -1) in the middle.
  QPainterPath path;
  const double x = dir > 0 ? 5 : 11;
  path.moveTo(x, 3);
  path.lineTo(x + 7 * dir, 8);
  path.lineTo(x, 13);
  path.closeSubpath();
  p.fillPath(path, kInk);
}

QPixmap Draw(int button) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kInk, 1));
  switch (button) {
    case 0:  // Load: an open folder
      p.setBrush(QColor(240, 200, 90));
      p.drawPolygon(QPolygonF({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {14.5, 5}, {14.5, 13.5}, {1.5, 13.5}}));
      p.setBrush(QColor(250, 220, 130));
      p.drawPolygon(QPolygonF({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
      break;
    case 1:  // Save: a diskette
      p.setBrush(QColor(70, 100, 170));
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4.5, 1.5, 7, 5));
      p.fillRect(QRectF(4, 9, 8, 5), QColor(220, 225, 235));
      break;
    case 2: Arrow(p, -1); break;  // Previous page
    case 3: Arrow(p, 1); break;   // Next page
    case 4:  // Add Field: an input box with a caret
      p.setBrush(QColor(255, 255, 204));
      p.drawRect(QRectF(0.5, 4.5, 15, 7));
      p.drawLine(QPointF(4, 6), QPointF(4, 10));
      p.setPen(QPen(QColor(30, 130, 50), 2));
      p.drawLine(QPointF(11, 1), QPointF(11, 6));
      p.drawLine(QPointF(8.5, 3.5), QPointF(13.5, 3.5));
      break;
    case 5:  // Tab Order: two lines with arrows up and down
      p.setPen(QPen(kInk, 1.5));
      p.drawLine(QPointF(4, 2), QPointF(4, 14));
      p.drawLine(QPointF(1, 5), QPointF(4, 2));
      p.drawLine(QPointF(7, 5), QPointF(4, 2));
      p.drawLine(QPointF(12, 2), QPointF(12, 14));
      p.drawLine(QPointF(9, 11), QPointF(12, 14));
      p.drawLine(QPointF(15, 11), QPointF(12, 14));
      break;
    case 6: {  // Add Banner: a capital A
      QFont f = p.font();
      f.setPixelSize(14);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
      break;
    }
    case 7:  // Script: a page of text
      p.setBrush(Qt::white);
      p.drawRect(QRectF(2.5, 0.5, 11, 15));
      for (double y : {4.0, 7.0, 10.0, 13.0}) p.drawLine(QPointF(4.5, y), QPointF(y == 13.0 ? 9 : 11.5, y));
      break;
    default: break;
  }
  return pm;
}

}  // namespace

QIcon Icon(int button) { return QIcon(Draw(button)); }

}  // namespace DesignerIcons
