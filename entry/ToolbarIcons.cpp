#include "entry/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ToolbarIcons {

namespace {

const QColor kInk(40, 60, 110);

void Triangle(QPainter& p, double x, double dir) {
  // A filled arrow head pointing right (dir 1) or left (dir -1), 8 pixels wide.
  QPainterPath path;
  path.moveTo(x, 6);
  path.lineTo(x + 8 * dir, 12);
  path.lineTo(x, 18);
  path.closeSubpath();
  p.fillPath(path, kInk);
}

void Page(QPainter& p, const QColor& fill, double dx = 0) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(fill);
  p.drawRect(QRectF(5.5 + dx, 3.5, 13, 17));
  p.drawLine(QPointF(8 + dx, 8), QPointF(16 + dx, 8));
  p.drawLine(QPointF(8 + dx, 11), QPointF(16 + dx, 11));
  p.drawLine(QPointF(8 + dx, 14), QPointF(14 + dx, 14));
}

// The page buttons: a page pushed to one side and a large red arrow head on the
// other, so that the two read apart even at 16 pixels.
void PageTurn(QPainter& p, int dir) {
  Page(p, QColor(230, 235, 250), dir < 0 ? 5 : -4);
  QPainterPath head;
  const double tip = dir < 0 ? 0.5 : 23.5, base = dir < 0 ? 11 : 13;
  head.moveTo(base, 3);
  head.lineTo(tip, 12);
  head.lineTo(base, 21);
  head.closeSubpath();
  p.setPen(QPen(Qt::white, 1));
  p.setBrush(QColor(190, 30, 30));
  p.drawPath(head);
}

QPixmap Draw(int button) {
  QPixmap pm(24, 24);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  switch (button) {
    case 0:  // Open: a folder
      p.setBrush(QColor(240, 200, 90));
      p.drawPolygon(QPolygonF({{3, 7}, {9, 7}, {11, 9}, {21, 9}, {21, 19}, {3, 19}}));
      break;
    case 1:  // Close: a cross
      p.setPen(QPen(QColor(170, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(6, 6, 18, 18);
      p.drawLine(18, 6, 6, 18);
      break;
    case 2:  // Print: a printer
      p.setBrush(Qt::white);
      p.drawRect(QRectF(7, 3, 10, 6));
      p.setBrush(QColor(180, 185, 200));
      p.drawRect(QRectF(3, 9, 18, 8));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(7, 14, 10, 7));
      break;
    case 3:  // First
      p.fillRect(QRectF(5, 6, 2.5, 12), kInk);
      Triangle(p, 17, -1);
      break;
    case 4: Triangle(p, 15, -1); break;  // Previous
    case 5:  // Go to: a list
      for (int y : {7, 12, 17}) {
        p.drawPoint(6, y);
        p.drawLine(10, y, 19, y);
      }
      break;
    case 6: Triangle(p, 9, 1); break;  // Next
    case 7:  // Last
      Triangle(p, 7, 1);
      p.fillRect(QRectF(16.5, 6, 2.5, 12), kInk);
      break;
    case 8: PageTurn(p, -1); break;  // Previous page
    case 9: PageTurn(p, 1); break;   // Next page
    case 10:  // Find: a magnifier
      p.drawEllipse(QRectF(4, 4, 11, 11));
      p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(14, 14), QPointF(20, 20));
      break;
    case 11:  // Edit: a pencil
      p.setBrush(QColor(240, 200, 90));
      p.drawPolygon(QPolygonF({{5, 19}, {6, 15}, {16, 5}, {19, 8}, {9, 18}}));
      break;
    case 12:  // New: a page with a plus
      Page(p, Qt::white);
      p.setPen(QPen(QColor(30, 140, 60), 2.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(17, 14), QPointF(17, 22));
      p.drawLine(QPointF(13, 18), QPointF(21, 18));
      break;
    case 13:  // Update: a tick
      p.setPen(QPen(QColor(30, 140, 60), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({{5, 12}, {10, 17}, {19, 6}}));
      break;
    case 14:  // Cancel: a turning-back arrow
      p.drawArc(QRectF(6, 6, 13, 12), 90 * 16, -220 * 16);
      p.drawLine(QPointF(12.5, 6), QPointF(8, 4));
      p.drawLine(QPointF(12.5, 6), QPointF(9, 10));
      break;
    case 15:  // Delete: a bin
      p.setBrush(QColor(200, 205, 215));
      p.drawRect(QRectF(7, 8, 10, 12));
      p.drawLine(5, 6, 19, 6);
      p.drawLine(10, 4, 14, 4);
      break;
  }
  return pm;
}

}  // namespace

QIcon Icon(int button) {
  static const char* theme[16] = {
      "document-open", "window-close",  "document-print", "go-first",  "go-previous", "go-jump",
      "go-next",       "go-last",       "go-up",          "go-down",   "edit-find",   "document-edit",
      "document-new",  "document-save", "edit-undo",      "edit-delete"};
  if (button < 0 || button > 15) return {};
  return QIcon::fromTheme(theme[button], QIcon(Draw(button)));
}

}  // namespace ToolbarIcons
