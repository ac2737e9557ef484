#include "entry/Printers.h"

#include <QPageLayout>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QFile>
#include <QWidget>
#include <algorithm>
#include <optional>

namespace Printers {

namespace {

std::optional<QString> g_current;  // set on first use
int16_t g_orientation = 1;

}  // namespace

QStringList Installed() {
  QStringList names = QPrinterInfo::availablePrinterNames();
  names.removeAll(kPdfFile);  // one entry by that name, ours
  names.append(kPdfFile);
  return names;
}

QString Current() {
  if (!g_current) {
    const QString system = QPrinterInfo::defaultPrinterName();
    g_current = system.isEmpty() ? kPdfFile : system;
  }
  return *g_current;
}

void SetCurrent(const QString& name) { g_current = name; }

int16_t Orientation() { return g_orientation; }
void SetOrientation(int16_t orientation) { g_orientation = orientation == 2 ? 2 : 1; }

}  // namespace Printers

// The printer works at the screen's resolution, so that a widget paints on it with the
// same fonts and sizes as on screen; text and lines stay sharp all the same.
PrintJob::PrintJob(const QString& pdfPath) : printer_(std::make_unique<QPrinter>(QPrinter::ScreenResolution)) {
  const QString name = Printers::Current();
  if (name == Printers::kPdfFile) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(pdfPath);
  } else {
    printer_->setPrinterName(name);
  }
  printer_->setPageOrientation(Printers::Orientation() == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer_->setDocName("QfEntry");
}

PrintJob::~PrintJob() {
  if (painter_ && painter_->isActive()) painter_->end();
  // A PDF that could not be finished is not left behind half written.
  if (failed_ && started_ && printer_->outputFormat() == QPrinter::PdfFormat) QFile::remove(printer_->outputFileName());
}

bool PrintJob::PrintPage(QWidget* widget) {
  if (failed_ || !widget) return false;
  if (!painter_) {
    painter_ = std::make_unique<QPainter>();
    if (painter_->begin(printer_.get())) started_ = true;
    else failed_ = true;
  } else if (!printer_->newPage()) {
    failed_ = true;
  }
  if (failed_) return false;

  const QRect area = printer_->pageLayout().paintRectPixels(printer_->resolution());
  const QSize size = widget->size();
  const double scale = std::min({1.0, size.width() > 0 ? double(area.width()) / size.width() : 1.0,
                                 size.height() > 0 ? double(area.height()) / size.height() : 1.0});
  painter_->save();
  painter_->scale(scale, scale);
  // Through a picture, so that text and lines reach the printer as they are drawn
  // (a widget rendered straight onto a printer arrives as a screen-sized bitmap).
  QPicture picture;
  widget->render(&picture, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  painter_->drawPicture(0, 0, picture);
  painter_->restore();
  return true;
}

bool PrintJob::Finish() {
  if (failed_) return false;
  if (painter_ && !painter_->end()) failed_ = true;
  if (printer_->printerState() == QPrinter::Error) failed_ = true;
  return !failed_;
}
