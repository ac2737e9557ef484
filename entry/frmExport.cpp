#include "entry/frmExport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "common/DialogParts.h"
#include "common/modDlg.h"
#include "common/QtText.h"
#include "engine/transfer/CsvExport.h"
#include "engine/modDB.h"

namespace {

const struct {
  const char* caption;
  modDB::ExportFormat format;
} kFormats[] = {{"CSV (*.csv)", modDB::ExportFormat::Csv},
                {"Stata (*.dta)", modDB::ExportFormat::Stata},
                {"SPSS (*.sav)", modDB::ExportFormat::Spss},
                {"Excel workbook (*.xlsx)", modDB::ExportFormat::Xlsx},
                {"SQLite (*.sqlite)", modDB::ExportFormat::Sqlite}};

}  // namespace

frmExport::frmExport(QWidget* parent) : QDialog(parent) {
  setObjectName("frmExport");
  setWindowTitle("Export");
  auto* fieldsLabel = new QLabel("Fields", this);
  lstField = new QListWidget(this);
  lstField->setObjectName("lstField");
  // Click picks one field, Ctrl+click adds or drops one, Shift+click a range.
  lstField->setSelectionMode(QAbstractItemView::ExtendedSelection);
  DialogParts::Caption(fieldsLabel, lstField);
  Command1 = new QPushButton("Select All", this);
  Command1->setObjectName("Command1");
  btnExport = new QPushButton("Export", this);
  btnExport->setObjectName("btnExport");
  btnExport->setDefault(true);
  chkQuoting = new QCheckBox("Spreadsheet quoting", this);
  chkQuoting->setObjectName("chkQuoting");
  chkUtf8 = new QCheckBox("UTF-8", this);
  chkUtf8->setObjectName("chkUtf8");
  chkUtf8->setEnabled(false);
  chkDeleted = new QCheckBox("Deletion marks", this);
  chkDeleted->setObjectName("chkDeleted");
  auto* formatLabel = new QLabel("Format", this);
  cboFormat = new QComboBox(this);
  cboFormat->setObjectName("cboFormat");
  for (const auto& f : kFormats) cboFormat->addItem(f.caption);
  DialogParts::Caption(formatLabel, cboFormat);
  connect(cboFormat, &QComboBox::currentIndexChanged, this, [this](int k) {
    chkQuoting->setEnabled(k == 0);
    chkUtf8->setEnabled(k == 0 && chkQuoting->isChecked());
  });
  connect(chkQuoting, &QCheckBox::toggled, this, [this](bool on) { chkUtf8->setEnabled(on && cboFormat->currentIndex() == 0); });
  auto* grid = new QGridLayout(this);
  grid->addWidget(fieldsLabel, 0, 0);
  grid->addWidget(lstField, 1, 0, 3, 1);
  grid->addWidget(Command1, 1, 1);
  grid->addWidget(btnExport, 2, 1);
  grid->addWidget(formatLabel, 4, 0, 1, 2);
  grid->addWidget(cboFormat, 5, 0, 1, 2);
  grid->addWidget(chkQuoting, 6, 0, 1, 2);
  grid->addWidget(chkUtf8, 7, 0, 1, 2);
  grid->addWidget(chkDeleted, 8, 0, 1, 2);
  grid->setRowStretch(3, 1);
  connect(Command1, &QPushButton::clicked, this, &frmExport::Command1_Click);
  connect(btnExport, &QPushButton::clicked, this, &frmExport::btnExport_Click);

  const int16_t count = modDB::GetFieldCount();
  for (int16_t i = 1; i <= count; ++i) {
    modDB::FieldDef f;
    modDB::GetFieldDef(i, f);
    lstField->addItem(QtText::FromCp(f.Name.Trimmed()));
  }
}

void frmExport::Command1_Click() {
  for (int j = 0; j < lstField->count(); ++j) lstField->item(j)->setSelected(true);
}

void frmExport::btnExport_Click() {
  // With no field chosen a CSV file would hold record numbers alone: ask first. The
  // other formats need a field (the engine says so).
  const modDB::ExportFormat format = kFormats[std::max(0, cboFormat->currentIndex())].format;
  if (lstField->selectedItems().isEmpty() && format == modDB::ExportFormat::Csv &&
      modDB::GetHost().MsgBox("No field is selected: the file will hold only the record numbers.\r\nExport anyway?",
                       modDB::vbYesNo | modDB::vbQuestion | modDB::vbDefaultButton2, "Export") != modDB::vbYes) {
    lstField->setFocus();
    return;
  }
  if (lstField->selectedItems().isEmpty() && format != modDB::ExportFormat::Csv) {
    modDB::ExportTo("", format, {}, {});  // its message
    lstField->setFocus();
    return;
  }
  modDlg::DialogFileName.clear();
  modDlg::DialogFilter = format == modDB::ExportFormat::Csv ? std::string("*.Csv")
                                                            : std::string("*") + modDB::ExportExtension(format);
  modDlg::ShowSaveDialog();
  if (modDlg::DialogFileName.empty()) {
    reject();
    return;
  }
  std::string folder = modDlg::DialogFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::string path = folder + modDB::ExportFileName(modDlg::DialogFileName, format);

  std::vector<bool> selected(static_cast<size_t>(lstField->count()) + 1, false);
  for (int j = 0; j < lstField->count(); ++j) selected[static_cast<size_t>(j) + 1] = lstField->item(j)->isSelected();
  hide();
  modDB::ExportOptions options;
  options.csv.rfc4180 = chkQuoting->isChecked();
  options.csv.utf8 = options.csv.rfc4180 && chkUtf8->isChecked();
  options.withDeleted = chkDeleted->isChecked();
  options.labels = labels;
  modDB::ExportTo(path, format, selected, options);  // a failure is reported by the engine
  accept();
}
