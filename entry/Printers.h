// Printers: the printers QfEntry prints on, and a print job that puts the image of a
// window on pages.
//
// The printers are the installed ones (through the system's print service), in its
// order, followed by the built-in "PDF File", which is always there: a job on it
// writes all its pages into one PDF file, named by the caller before the job starts.
//
// The program's current printer starts as the system's default printer, or "PDF
// File" when there is none. Printing may replace it; it then stays for the rest of
// the run. Its orientation (1 portrait, 2 landscape) is set before each print.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QPainter;
class QPrinter;
class QWidget;

namespace Printers {

inline const QString kPdfFile = QStringLiteral("PDF File");

// Device names of the printers, "PDF File" last.
QStringList Installed();

QString Current();
void SetCurrent(const QString& name);
int16_t Orientation();
void SetOrientation(int16_t orientation);

}  // namespace Printers

// One print on the current printer, with its orientation. Pages are added one by one;
// the job starts with the first page. For "PDF File" pdfPath is the file to write.
// After a failure every further call fails too; nothing is retried, and a PDF file
// begun by the job is removed.
class PrintJob {
 public:
  explicit PrintJob(const QString& pdfPath = {});
  ~PrintJob();
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  // Prints the widget's area as shown on screen as one page: at its size on screen,
  // from the top-left corner of the printable area, made smaller only where it would
  // not fit. False when the page could not be printed.
  bool PrintPage(QWidget* widget);
  // Ends the job and hands it to the printer (or closes the file). False on failure.
  bool Finish();

 private:
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  bool started_ = false;
  bool failed_ = false;
};
