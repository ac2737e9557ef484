#include "common/frmProgress.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <algorithm>

#include "common/Platform.h"
#include "lib/modLIB.h"

namespace {
QPointer<frmProgress> g_window;
constexpr int kMargin = 14;
}  // namespace

frmProgress::frmProgress(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("frmProgress");
  setWindowTitle(tr("Progress"));
  const int barWidth = modLIB::TwipsToPixelsX(kBarTwips);
  const int width = barWidth + 2 * kMargin;
  setFixedSize(width, 84);

  shpFrame = new QFrame(this);
  shpFrame->setObjectName("shpFrame");
  shpFrame->setFrameShape(QFrame::Box);
  shpFrame->setGeometry(0, 0, this->width(), this->height());  // the window's inner area

  lblPer = new QLabel(this);
  lblPer->setObjectName("lblPer");
  lblPer->setAlignment(Qt::AlignCenter);
  lblPer->setGeometry(kMargin, 8, barWidth, 20);

  shpBack = new QFrame(this);
  shpBack->setObjectName("shpBack");
  shpBack->setFrameShape(QFrame::Box);
  shpBack->setGeometry(kMargin - 1, 31, barWidth + 2, 18);

  shpBar = new QFrame(this);
  shpBar->setObjectName("shpBar");
  shpBar->setAutoFillBackground(true);
  QPalette pal = shpBar->palette();
  pal.setColor(QPalette::Window, QColor(0, 0, 160));
  shpBar->setPalette(pal);
  shpBar->setGeometry(kMargin, 32, 0, 16);

  lblMin = new QLabel(QStringLiteral("0"), this);
  lblMin->setObjectName("lblMin");
  lblMin->setGeometry(kMargin, 52, 40, 18);
  lblMax = new QLabel(QStringLiteral("100"), this);
  lblMax->setObjectName("lblMax");
  lblMax->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lblMax->setGeometry(kMargin + barWidth - 40, 52, 40, 18);
  Platform::ZoomLayout(this);
}

frmProgress* frmProgress::Instance() { return g_window; }

void frmProgress::ShowPer(int32_t current, int32_t total) {
  if (!g_window) {
    g_window = new frmProgress(QApplication::activeWindow());
    g_window->setAttribute(Qt::WA_DeleteOnClose);
  }
  g_window->show();
  g_window->raise();
  g_window->Update(current, total);
}

void frmProgress::HidePer() {
  if (g_window) {
    g_window->close();
    delete g_window.data();
  }
}

void frmProgress::Update(int32_t current, int32_t total) {
  if (total < 1) total = 1;  // callers pass at least 1; never divide by nothing
  const int64_t p = std::min<int64_t>(static_cast<int64_t>(current) * 100 / total, 32766);
  if (p > Threshold) {
    Threshold = static_cast<int16_t>(p + 1);
    lblPer->setText(QString::number(p) + '%');
    const int32_t twips = static_cast<int32_t>(static_cast<int64_t>(kBarTwips) * current / total);
    shpBar->resize(qRound(modLIB::TwipsToPixelsX(twips) * Platform::Zoom()), shpBar->height());
    repaint();
  }
}
