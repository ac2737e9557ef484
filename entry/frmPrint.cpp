#include "entry/frmPrint.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <string>

#include "common/DialogParts.h"
#include "common/KeyFilter.h"
#include "common/modDlg.h"
#include "common/QtText.h"
#include "engine/modDB.h"
#include "entry/EntryState.h"
#include "entry/Printers.h"
#include "lib/modLIB.h"


namespace {

// The leading number of a box's text, rounded to a whole number; an empty or
// non-numeric text counts as 0.
int64_t NumberIn(const QLineEdit* box) {
  const std::string text = modLIB::Trim(QtText::ToCp(box->text()));
  size_t end = 0;
  while (end < text.size() && end < 18 && modLIB::IsDigit(static_cast<unsigned char>(text[end]))) ++end;
  if (end == 0) return 0;
  return modLIB::RoundHalfEven(std::stod(text.substr(0, end)));
}

int16_t Number16(const QLineEdit* box) {
  return static_cast<int16_t>(std::clamp<int64_t>(NumberIn(box), INT16_MIN, INT16_MAX));
}

QString Decimal(int64_t n) { return QString::number(n); }

QLineEdit* NumberBox(QWidget* parent, const char* name, int maxLength) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setMaxLength(maxLength);
  box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(std::max(maxLength, 2) + 1, '0')) + 12);
  KeyFilter::Install(box, "N");
  return box;
}

}  // namespace

frmPrint::frmPrint(EntryState* editor) : QDialog(editor->DialogParent()), editor_(editor) {
  setObjectName("frmPrint");
  setWindowTitle("Print");

  auto* printerLabel = new QLabel("System Printer", this);
  lstPrinter = new QListWidget(this);
  lstPrinter->setObjectName("lstPrinter");
  lstPrinter->setSelectionMode(QAbstractItemView::SingleSelection);
  DialogParts::Caption(printerLabel, lstPrinter);

  auto* records = new QGroupBox("Record To Print", this);
  optCurrent = new QRadioButton("Current", records);
  optCurrent->setObjectName("optCurrent");
  optRange = new QRadioButton("Range", records);
  optRange->setObjectName("optRange");
  txtFrom = NumberBox(records, "txtFrom", 6);
  txtTo = NumberBox(records, "txtTo", 6);
  txtCopies = NumberBox(records, "txtCopies", 2);
  auto* recordGrid = new QGridLayout(records);
  recordGrid->addWidget(optCurrent, 0, 0);
  recordGrid->addWidget(optRange, 0, 1, 1, 3);
  recordGrid->addWidget(DialogParts::Caption(new QLabel("From", records), txtFrom), 1, 0);
  recordGrid->addWidget(txtFrom, 1, 1);
  recordGrid->addWidget(DialogParts::Caption(new QLabel("To", records), txtTo), 1, 2);
  recordGrid->addWidget(txtTo, 1, 3);
  recordGrid->addWidget(DialogParts::Caption(new QLabel("Copies", records), txtCopies), 2, 0);
  recordGrid->addWidget(txtCopies, 2, 1);
  recordGrid->setColumnStretch(4, 1);

  auto* pages = new QGroupBox("Page To Print", this);
  optPageCurrent = new QRadioButton("Current", pages);
  optPageCurrent->setObjectName("optPageCurrent");
  optPageRange = new QRadioButton("Range", pages);
  optPageRange->setObjectName("optPageRange");
  txtFrmP2P = NumberBox(pages, "txtFrmP2P", 1);
  txtToP2P = NumberBox(pages, "txtToP2P", 1);
  auto* pageGrid = new QGridLayout(pages);
  pageGrid->addWidget(optPageCurrent, 0, 0);
  pageGrid->addWidget(optPageRange, 0, 1, 1, 3);
  pageGrid->addWidget(DialogParts::Caption(new QLabel("From", pages), txtFrmP2P), 1, 0);
  pageGrid->addWidget(txtFrmP2P, 1, 1);
  pageGrid->addWidget(DialogParts::Caption(new QLabel("To", pages), txtToP2P), 1, 2);
  pageGrid->addWidget(txtToP2P, 1, 3);
  pageGrid->setColumnStretch(4, 1);

  auto* orientation = new QGroupBox("Orientation", this);
  optPotrait = new QRadioButton("Portrait", orientation);
  optPotrait->setObjectName("optPotrait");
  optLandscape = new QRadioButton("Landscape", orientation);
  optLandscape->setObjectName("optLandscape");
  auto* orientationRow = new QHBoxLayout(orientation);
  orientationRow->addWidget(optPotrait);
  orientationRow->addWidget(optLandscape);

  cmdPrint = new QPushButton("Print", this);
  cmdPrint->setObjectName("cmdPrint");
  cmdPrint->setDefault(true);
  cmdCancel = new QPushButton("Cancel", this);
  cmdCancel->setObjectName("cmdCancel");

  auto* grid = new QGridLayout(this);
  grid->addWidget(printerLabel, 0, 0);
  grid->addWidget(lstPrinter, 1, 0, 2, 1);
  grid->addWidget(records, 0, 1, 2, 1);
  grid->addWidget(pages, 2, 1);
  grid->addWidget(orientation, 3, 0);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdPrint);
  buttons->addWidget(cmdCancel);
  grid->addLayout(buttons, 3, 1);

  connect(optCurrent, &QRadioButton::clicked, this, &frmPrint::optCurrent_Click);
  connect(optRange, &QRadioButton::clicked, this, &frmPrint::optRange_Click);
  connect(optPageCurrent, &QRadioButton::clicked, this, &frmPrint::optPageCurrent_Click);
  connect(optPageRange, &QRadioButton::clicked, this, &frmPrint::optPageRange_Click);
  connect(cmdPrint, &QPushButton::clicked, this, &frmPrint::cmdPrint_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmPrint::cmdCancel_Click);

  // Load: the printers with the current one selected; the current record and page,
  // one copy, the form's own orientation.
  const QString current = Printers::Current();
  for (const QString& name : Printers::Installed()) {
    lstPrinter->addItem(name);
    if (name == current) lstPrinter->setCurrentRow(lstPrinter->count() - 1);
  }
  optCurrent->setChecked(true);
  optCurrent_Click();
  txtFrom->setText("1");
  txtTo->setText(Decimal(modDB::GetRecordCount()));
  txtFrom->setEnabled(false);
  txtTo->setEnabled(false);
  txtCopies->setText("1");
  (modDB::GetOrientation() == 2 ? optLandscape : optPotrait)->setChecked(true);
  const int16_t lastPage = modDB::GetLastPage();
  txtFrmP2P->setText("1");
  txtToP2P->setText(Decimal(lastPage < 2 ? 1 : lastPage));
  txtFrmP2P->setEnabled(lastPage >= 2);
  txtToP2P->setEnabled(lastPage >= 2);
  optPageCurrent->setChecked(true);
  optPageCurrent_Click();
}

void frmPrint::optCurrent_Click() {
  txtFrom->setText(Decimal(modDB::GetRecordNo()));
  txtTo->setText(Decimal(modDB::GetRecordNo()));
  txtFrom->setEnabled(false);
  txtTo->setEnabled(false);
}

void frmPrint::optRange_Click() {
  txtFrom->setText("1");
  txtTo->setText(Decimal(modDB::GetRecordCount()));
  txtFrom->setEnabled(true);
  txtTo->setEnabled(true);
}

void frmPrint::optPageCurrent_Click() {
  txtFrmP2P->setText(Decimal(editor_->CurPage));
  txtToP2P->setText(Decimal(editor_->CurPage));
  txtFrmP2P->setEnabled(false);
  txtToP2P->setEnabled(false);
}

void frmPrint::optPageRange_Click() {
  txtFrmP2P->setText("1");
  txtToP2P->setText(Decimal(modDB::GetLastPage()));
  txtFrmP2P->setEnabled(true);
  txtToP2P->setEnabled(true);
}

void frmPrint::cmdCancel_Click() { reject(); }

void frmPrint::cmdPrint_Click() {
  modDB::Host& host = modDB::GetHost();
  auto refuse = [&](const std::string& text, QWidget* box) {
    host.MsgBox(text, modDB::vbOKOnly, "");
    box->setFocus();
  };
  int64_t first, last;
  if (optCurrent->isChecked()) {
    first = last = modDB::GetRecordNo();
  } else {
    first = NumberIn(txtFrom);
    last = NumberIn(txtTo);
    if (first < 1) return refuse("From must be > 0", txtFrom);
    if (last > modDB::GetRecordCount()) return refuse("To must be <" + std::to_string(modDB::GetRecordCount()), txtTo);
    // A range that holds no record would print nothing and say nothing.
    const std::string count = std::to_string(modDB::GetRecordCount());
    if (first > modDB::GetRecordCount()) return refuse("From record can be 1 to " + count, txtFrom);
    if (last < first) return refuse("To record can be " + std::to_string(first) + " to " + count, txtTo);
  }
  if (lstPrinter->selectedItems().isEmpty()) return refuse("Select Printer", lstPrinter);
  const int16_t copies = Number16(txtCopies);
  if (copies < 1 || copies > 10) return refuse("Copies can be 1 to 10", txtCopies);
  const int16_t lastPageOfForm = modDB::GetLastPage();
  const int16_t firstPage = Number16(txtFrmP2P);
  if (firstPage > lastPageOfForm || firstPage < 1)
    return refuse("From page can be 1 to " + std::to_string(lastPageOfForm), txtFrmP2P);
  const int16_t lastPage = Number16(txtToP2P);
  if (lastPage > lastPageOfForm || lastPage < firstPage)
    return refuse("To page can be 1 to " + std::to_string(lastPageOfForm), txtToP2P);

  const QString chosen = lstPrinter->selectedItems().first()->text();
  for (const QString& name : Printers::Installed()) {
    if (name == chosen) {
      Printers::SetCurrent(name);
      break;
    }
  }
  Printers::SetOrientation(optPotrait->isChecked() ? 1 : 2);

  // "PDF File" needs its file before anything is printed; no name, no print.
  QString pdfPath;
  if (Printers::Current() == Printers::kPdfFile && first <= last) {
    modDlg::DialogFileName.clear();
    modDlg::DialogFilter = "*.Pdf";
    modDlg::ShowSaveDialog();
    if (modDlg::DialogFileName.empty()) return;
    std::string name = modDlg::DialogFileName;
    if (name.size() < 4 || modLIB::UCase(name.substr(name.size() - 4)) != ".PDF") name += ".pdf";
    std::string folder = modDlg::DialogFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    pdfPath = QtText::FromCp(folder + name);
  }

  const int16_t rememberedPage = editor_->CurPage;
  const int32_t rememberedRecord = modDB::GetRecordNo();
  cmdPrint->setEnabled(false);
  editor_->SetPrinting(true);
  const bool ok = PrintPages(static_cast<int32_t>(first), static_cast<int32_t>(last), firstPage, lastPage, copies,
                             pdfPath);
  if (!ok) host.MsgBox("Error occured while prinitng", modDB::vbCritical, "Print");
  modDB::SetRecordNo(rememberedRecord);
  editor_->CurPage = rememberedPage;
  editor_->ShowCurPage();
  editor_->SetPrinting(false);
  accept();
}

bool frmPrint::PrintPages(int32_t first, int32_t last, int16_t firstPage, int16_t lastPage, int16_t copies,
                          const QString& pdfPath) {
  if (first > last) return true;
  PrintJob job(pdfPath);
  for (int32_t r = first; r <= last; ++r) {
    if (modDB::SetRecordNo(r) != 1) return false;
    for (int16_t p = firstPage; p <= lastPage; ++p) {
      editor_->CurPage = p;
      editor_->ShowCurPage();
      QWidget* surface = editor_->PrintSurface();
      surface->repaint();  // the user sees the window step through
      for (int16_t c = 1; c <= copies; ++c)
        if (!job.PrintPage(surface)) return false;
    }
  }
  return job.Finish();
}
