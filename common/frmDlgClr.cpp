#include "common/frmDlgClr.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/KeyFilter.h"
#include "common/modDlg.h"
#include "common/QtText.h"
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
  lblHex = new QLabel(tr("Color ( Hex )"), this);
  lblHex->setGeometry(x0, below, 90, 24);
  txtClr = new QLineEdit(this);
  txtClr->setObjectName("txtClr");
  txtClr->setMaxLength(6);
  txtClr->setGeometry(x0 + 92, below, gridRight - x0 - 92, 24);
  KeyFilter::Install(txtClr, QStringLiteral("XU"));

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

  txtClr->setText(QtText::FromCp(ColorToHex(modDlg::DialogColor)));

  connect(cmdOK, &QPushButton::clicked, this, &frmDlgClr::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmDlgClr::cmdOK_Click() {
  const QString text = txtClr->text().trimmed();
  bool ok = false;
  const uint32_t n = text.toUInt(&ok, 16);
  if (text.isEmpty() || !ok) {  // no colour to take: keep the picker open
    txtClr->setFocus();
    return;
  }
  const std::string s = ColorToHex(static_cast<int32_t>(n));
  const int red = std::stoi(s.substr(4, 2), nullptr, 16);
  const int green = std::stoi(s.substr(2, 2), nullptr, 16);
  const int blue = std::stoi(s.substr(0, 2), nullptr, 16);
  modDlg::DialogColor = Rgb(red, green, blue);
  accept();
}

bool frmDlgClr::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    const int k = watched->property("tag").toInt();
    if (k >= 1 && k <= 216 && watched == lblClr[k]) {
      txtClr->setText(QtText::FromCp(ColorToHex(SwatchColor[k])));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
