// Draws the icons of the programs and of their form databases, each as a scalable
// SVG and as PNG files of the usual sizes, into a hicolor icon theme tree:
//   qf_icons OUTDIR  ->  OUTDIR/hicolor/{scalable,16x16,...}/{apps,mimetypes}/NAME.{svg,png}
// Every icon is a short list of shapes on a 64 x 64 grid, painted by QPainter for the
// PNG files and written out as SVG elements for the scalable one, so both agree.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <cstdio>
#include <vector>

namespace {

struct Shape {
  enum Kind { Rect, Line, Poly } kind;
  std::vector<QPointF> pts;  // Rect: top-left and size; Line: two ends; Poly: corners
  double radius = 0;
  QColor fill;               // invalid: none
  QColor stroke;             // invalid: none
  double width = 0;
  bool dashed = false;
};

Shape R(double x, double y, double w, double h, double r, QColor fill, QColor stroke = {}, double sw = 0) {
  return {Shape::Rect, {{x, y}, {w, h}}, r, fill, stroke, sw};
}
Shape L(double x1, double y1, double x2, double y2, QColor stroke, double sw) {
  return {Shape::Line, {{x1, y1}, {x2, y2}}, 0, {}, stroke, sw};
}
Shape P(std::vector<QPointF> pts, QColor fill, QColor stroke = {}, double sw = 0) {
  return {Shape::Poly, std::move(pts), 0, fill, stroke, sw};
}

const QColor kFieldFill(0xff, 0xff, 0xc0);  // the input boxes' colour
const QColor kFieldLine(0x80, 0x80, 0x80);
const QColor kLabel(0x50, 0x50, 0x50);

// A form sheet: heading, three labels with their input boxes.
void Sheet(std::vector<Shape>& s, double x, double y, double w, double h) {
  s.push_back(R(x, y, w, h, 2, Qt::white, QColor(0x30, 0x30, 0x30), 1.5));
  s.push_back(R(x + 5, y + 5, w * 0.45, 4, 1, QColor(0x00, 0x00, 0x80)));
  for (int i = 0; i < 3; ++i) {
    const double row = y + 15 + i * (h - 20) / 3;
    s.push_back(L(x + 5, row + 3.5, x + 5 + w * 0.2, row + 3.5, kLabel, 2));
    s.push_back(R(x + 8 + w * 0.25, row, w * 0.55 - (i == 1 ? w * 0.15 : 0), 7, 1, kFieldFill, kFieldLine, 1));
  }
}

std::vector<Shape> EntryIcon() {
  std::vector<Shape> s;
  s.push_back(R(2, 2, 60, 60, 10, QColor(0x2f, 0x5d, 0x9e)));
  Sheet(s, 10, 8, 44, 48);
  // A caret in the second box: typing.
  s.push_back(L(40, 31, 40, 41, QColor(0xc0, 0x10, 0x10), 2));
  return s;
}

std::vector<Shape> LayoutIcon() {
  std::vector<Shape> s;
  s.push_back(R(2, 2, 60, 60, 10, QColor(0x3d, 0x8a, 0x4a)));
  Sheet(s, 10, 8, 44, 48);
  // The selected field with its dashed frame and handles, as the designer shows it.
  Shape frame = R(26.5, 30, 22.5, 11.5, 0, {}, QColor(0x10, 0x10, 0x10), 1);
  frame.dashed = true;
  s.push_back(frame);
  for (QPointF c : {QPointF(26.5, 30), QPointF(49, 30), QPointF(26.5, 41.5), QPointF(49, 41.5)})
    s.push_back(R(c.x() - 2, c.y() - 2, 4, 4, 0, QColor(0x10, 0x10, 0x10)));
  return s;
}

std::vector<Shape> DatabaseIcon() {
  std::vector<Shape> s;
  // A page with a folded corner, a form on it.
  s.push_back(P({{12, 4}, {42, 4}, {54, 16}, {54, 60}, {12, 60}}, Qt::white, QColor(0x40, 0x40, 0x40), 2));
  s.push_back(P({{42, 4}, {42, 16}, {54, 16}}, QColor(0xd8, 0xd8, 0xd8), QColor(0x40, 0x40, 0x40), 2));
  s.push_back(R(17, 10, 18, 4, 1, QColor(0x2f, 0x5d, 0x9e)));
  for (int i = 0; i < 4; ++i) {
    const double row = 22 + i * 9;
    s.push_back(L(17, row + 3.5, 24, row + 3.5, kLabel, 2));
    s.push_back(R(27, row, 22 - (i % 2) * 7, 7, 1, kFieldFill, kFieldLine, 1));
  }
  return s;
}

void Paint(QPainter& p, const std::vector<Shape>& shapes) {
  for (const Shape& s : shapes) {
    QPen pen = s.stroke.isValid() ? QPen(s.stroke, s.width) : QPen(Qt::NoPen);
    if (s.dashed) pen.setDashPattern({2, 2});
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(s.fill.isValid() ? QBrush(s.fill) : QBrush(Qt::NoBrush));
    switch (s.kind) {
      case Shape::Rect:
        p.drawRoundedRect(QRectF(s.pts[0], QSizeF(s.pts[1].x(), s.pts[1].y())), s.radius, s.radius);
        break;
      case Shape::Line:
        p.drawLine(s.pts[0], s.pts[1]);
        break;
      case Shape::Poly:
        p.drawPolygon(s.pts.data(), static_cast<int>(s.pts.size()));
        break;
    }
  }
}

QString Svg(const std::vector<Shape>& shapes) {
  QString out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n";
  auto n = [](double v) { return QString::number(v, 'g', 6); };
  for (const Shape& s : shapes) {
    QString style = QString(" fill=\"%1\"").arg(s.fill.isValid() ? s.fill.name() : "none");
    if (s.stroke.isValid()) {
      style += QString(" stroke=\"%1\" stroke-width=\"%2\" stroke-linejoin=\"miter\"").arg(s.stroke.name(), n(s.width));
      if (s.dashed) style += " stroke-dasharray=\"2 2\"";
    }
    switch (s.kind) {
      case Shape::Rect:
        out += QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\"%6/>\n")
                   .arg(n(s.pts[0].x()), n(s.pts[0].y()), n(s.pts[1].x()), n(s.pts[1].y()), n(s.radius), style);
        break;
      case Shape::Line:
        out += QString("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"%5/>\n")
                   .arg(n(s.pts[0].x()), n(s.pts[0].y()), n(s.pts[1].x()), n(s.pts[1].y()), style);
        break;
      case Shape::Poly: {
        QString pts;
        for (const QPointF& c : s.pts) pts += n(c.x()) + ',' + n(c.y()) + ' ';
        out += QString("  <polygon points=\"%1\"%2/>\n").arg(pts.trimmed(), style);
        break;
      }
    }
  }
  return out + "</svg>\n";
}

bool Write(const QString& root, const QString& context, const QString& name, const std::vector<Shape>& shapes) {
  const QString svgDir = root + "/hicolor/scalable/" + context;
  QDir().mkpath(svgDir);
  QFile svg(svgDir + '/' + name + ".svg");
  if (!svg.open(QIODevice::WriteOnly) || svg.write(Svg(shapes).toUtf8()) < 0) return false;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    Paint(p, shapes);
    p.end();
    const QString dir = QString("%1/hicolor/%2x%2/%3").arg(root).arg(size).arg(context);
    QDir().mkpath(dir);
    if (!img.save(dir + '/' + name + ".png")) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qf_icons OUTDIR\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  const bool ok = Write(root, "apps", "QfEntry", EntryIcon()) && Write(root, "apps", "QfLayout", LayoutIcon()) &&
                  Write(root, "mimetypes", "application-x-qfd", DatabaseIcon());
  if (!ok) std::fprintf(stderr, "qf_icons: cannot write into %s\n", argv[1]);
  return ok ? 0 : 1;
}
