#include "common/frmDlgClr.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/KeyFilter.h"
#include "common/modDlg.h"
#include "lib/modLIB.h"

namespace {
constexpr int32_t kSwatchTwips = 195;
constexpr int32_t kDesignLeft = 60, kDesignTop = 60;  // twips, element 0 of lblClr

int32_t Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
QColor ToQColor(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
}  // namespace

std::string frmDlgClr::ColorToHex(int32_t color) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(color));
  return std::string(buf).substr(2);
}

QString frmDlgClr::ColorToRgbText(int32_t color) {
  return QStringLiteral("#%1").arg(ToQColor(color).rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

bool frmDlgClr::ColorFromText(const QString& text, int32_t& color) {
  const bool rgb = text.startsWith('#');
  const QString digits = rgb ? text.mid(1) : text;
  bool ok = false;
  const uint32_t n = digits.toUInt(&ok, 16);
  if (digits.isEmpty() || !ok || (rgb && digits.size() != 6)) return false;
  if (rgb) {
    color = Rgb((n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
    return true;
  }
  // The older entry: the digits as a number whose last six are BBGGRR.
  const std::string s = ColorToHex(static_cast<int32_t>(n));
  color = Rgb(std::stoi(s.substr(4, 2), nullptr, 16), std::stoi(s.substr(2, 2), nullptr, 16),
              std::stoi(s.substr(0, 2), nullptr, 16));
  return true;
}

frmDlgClr::frmDlgClr(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Color"));
  const int x0 = modLIB::TwipsToPixelsX(kDesignLeft), y0 = modLIB::TwipsToPixelsY(kDesignTop);
  const int w = modLIB::TwipsToPixelsX(kSwatchTwips), h = modLIB::TwipsToPixelsY(kSwatchTwips);

  static const int kLevels[] = {0, 51, 102, 153, 204, 255};
  int x = x0, y = y0, k = 1;
  lblClr[0] = new QLabel(this);
  lblClr[0]->setGeometry(x0, y0, w, h);
  lblClr[0]->hide();  // design element: swatch 1 covers it
  for (int r : kLevels)
    for (int g : kLevels)
      for (int b : kLevels) {
        auto* s = new QLabel(this);
        s->setObjectName("lblClr");
        s->setProperty("tag", k);
        s->setGeometry(x, y, w, h);
        SwatchColor[k] = Rgb(r, g, b);
        s->setAutoFillBackground(true);
        QPalette pal = s->palette();
        pal.setColor(QPalette::Window, ToQColor(SwatchColor[k]));
        s->setPalette(pal);
        s->setCursor(Qt::PointingHandCursor);
        s->installEventFilter(this);
        x += w + 1;
        if (k % 16 == 0) {
          x = x0;
          y += h + 1;
        }
        s->show();
        lblClr[k] = s;
        ++k;
      }

  const int gridRight = x0 + 16 * (w + 1) - 1;
  const int below = y0 + 14 * (h + 1) + 10;
  lblHex = new QLabel(tr("Color (#RRGGBB)"), this);
  lblHex->setGeometry(x0, below, 112, 24);
  txtClr = new QLineEdit(this);
  txtClr->setObjectName("txtClr");
  txtClr->setMaxLength(7);
  txtClr->setGeometry(x0 + 114, below, gridRight - x0 - 114 - 30, 24);
  KeyFilter::Install(txtClr, QStringLiteral("XU#"));
  lblSwatch = new QLabel(this);
  lblSwatch->setObjectName("lblSwatch");
  lblSwatch->setFrameShape(QFrame::Box);
  lblSwatch->setAutoFillBackground(true);
  lblSwatch->setGeometry(gridRight - 26, below, 26, 24);
  connect(txtClr, &QLineEdit::textChanged, this, &frmDlgClr::ShowSwatch);

  const int buttons = below + 34;
  cmdOK = new QPushButton(tr("Ok"), this);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setDefault(true);
  cmdCancel = new QPushButton(tr("Cancel"), this);
  cmdCancel->setObjectName("cmdCancel");
  cmdCancel->setAutoDefault(false);
  const int bw = (gridRight - x0 - 8) / 2;
  cmdOK->setGeometry(x0, buttons, bw, 28);
  cmdCancel->setGeometry(gridRight - bw, buttons, bw, 28);
  setFixedSize(gridRight + x0 + 1, buttons + 28 + y0 + 2);

  txtClr->setText(ColorToRgbText(modDlg::DialogColor));
  ShowSwatch();

  connect(cmdOK, &QPushButton::clicked, this, &frmDlgClr::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmDlgClr::cmdOK_Click() {
  int32_t color = 0;
  if (!ColorFromText(txtClr->text().trimmed(), color)) {  // no colour to take: keep the picker open
    txtClr->setFocus();
    return;
  }
  modDlg::DialogColor = color;
  accept();
}

// The swatch shows the colour the box holds, or the dialog's own background while
// the text is no colour.
void frmDlgClr::ShowSwatch() {
  int32_t color = 0;
  QPalette pal = palette();
  if (ColorFromText(txtClr->text().trimmed(), color)) pal.setColor(QPalette::Window, ToQColor(color));
  lblSwatch->setPalette(pal);
}

bool frmDlgClr::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    const int k = watched->property("tag").toInt();
    if (k >= 1 && k <= 216 && watched == lblClr[k]) {
      txtClr->setText(ColorToRgbText(SwatchColor[k]));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
