#include "entry/frmImport.h"

#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <vector>

#include "common/DialogParts.h"
#include "common/modDlg.h"
#include "common/QtText.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"


namespace {

QTableWidget* Table(QWidget* parent, const char* name, const QStringList& heading) {
  auto* t = new QTableWidget(parent);
  t->setObjectName(name);
  t->setColumnCount(static_cast<int>(heading.size()));
  t->setHorizontalHeaderLabels(heading);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->verticalHeader()->setVisible(false);
  t->horizontalHeader()->setStretchLastSection(true);
  return t;
}

void Put(QTableWidget* t, int row, int column, const std::string& cp1252) {
  std::string flat = cp1252;  // a line break shows as a pilcrow on one line
  QString text = QtText::FromCp(flat);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\u00B6")).replace('\n', QChar(0x00B6));
  t->setItem(row, column, new QTableWidgetItem(text));
}

}  // namespace

frmImport::frmImport(const modDB::CsvImport& plan, bool scriptHasUpdate, QWidget* parent) : QDialog(parent), plan_(plan) {
  setObjectName("frmImport");
  setWindowTitle("Import");
  lblSummary = new QLabel(this);
  lblSummary->setObjectName("lblSummary");
  lblSummary->setWordWrap(true);

  grdColumns = Table(this, "grdColumns", {"Column", "Field"});
  grdColumns->setRowCount(static_cast<int>(plan.heading.size()));
  for (size_t c = 0; c < plan.heading.size(); ++c) {
    Put(grdColumns, static_cast<int>(c), 0, plan.heading[c]);
    const int16_t slot = plan.fieldOf[c];
    std::string to;
    if (slot != 0) {
      modDB::FieldDef f;
      modDB::GetFieldDef(slot, f);
      to = f.Name.Trimmed();
      if (f.Format.Trimmed().find('#') != std::string::npos) to += " (numbered by the store)";
    } else {
      const std::string key = modLIB::UCase(modLIB::Trim(plan.heading[c]));
      to = key == "#" || key == "RECNO" ? "(record number: ignored)" : "(no such field: left out)";
    }
    Put(grdColumns, static_cast<int>(c), 1, to);
  }

  grdColumns->resizeColumnsToContents();
  grdColumns->setMinimumWidth(grdColumns->horizontalHeader()->length() + 24);

  QStringList heading;
  for (const std::string& h : plan.heading) heading << QtText::FromCp(h);
  grdRows = Table(this, "grdRows", heading);
  grdRows->setRowCount(static_cast<int>(plan.preview.size()));
  for (size_t r = 0; r < plan.preview.size(); ++r)
    for (size_t c = 0; c < plan.preview[r].values.size() && c < plan.heading.size(); ++c)
      Put(grdRows, static_cast<int>(r), static_cast<int>(c), plan.preview[r].values[c]);

  grdRows->resizeColumnsToContents();

  grdRefused = Table(this, "grdRefused", {"Line", "Field", "Value", "Reason"});
  grdRefused->setRowCount(static_cast<int>(plan.problems.size()));
  for (size_t p = 0; p < plan.problems.size(); ++p) {
    const modDB::CsvProblem& pr = plan.problems[p];
    Put(grdRefused, static_cast<int>(p), 0, std::to_string(pr.line));
    Put(grdRefused, static_cast<int>(p), 1, pr.field);
    Put(grdRefused, static_cast<int>(p), 2, pr.value);
    Put(grdRefused, static_cast<int>(p), 3, pr.reason);
  }
  grdRefused->resizeColumnsToContents();

  chkSkipBad = new QCheckBox("Leave the refused rows out (they go to " +
                                 QtText::FromCp(modLIB::FileTitle(modDB::RejectedFileName(plan.path))) + ")",
                             this);
  chkSkipBad->setObjectName("chkSkipBad");
  chkSkipBad->setVisible(!plan.refused.empty());
  chkUpdate = new QCheckBox("Run the form script's Update on each row", this);
  chkUpdate->setObjectName("chkUpdate");
  chkUpdate->setChecked(scriptHasUpdate);
  chkUpdate->setEnabled(!modDB::GetScript().empty());
  btnImport = new QPushButton("Import", this);
  btnImport->setObjectName("btnImport");
  btnImport->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");

  auto* grid = new QGridLayout(this);
  grid->addWidget(lblSummary, 0, 0, 1, 3);
  grid->addWidget(DialogParts::Caption(new QLabel("Columns", this), grdColumns), 1, 0);
  grid->addWidget(DialogParts::Caption(new QLabel("First rows", this), grdRows), 1, 1, 1, 2);
  grid->addWidget(grdColumns, 2, 0);
  grid->addWidget(grdRows, 2, 1, 1, 2);
  grid->addWidget(DialogParts::Caption(new QLabel("Refused rows", this), grdRefused), 3, 0, 1, 3);
  grid->addWidget(grdRefused, 4, 0, 1, 3);
  grid->addWidget(chkSkipBad, 5, 0, 1, 3);
  grid->addWidget(chkUpdate, 6, 0, 1, 3);
  grid->addWidget(btnImport, 7, 1);
  grid->addWidget(btnCancel, 7, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(2, 1);
  grid->setRowStretch(4, 1);
  connect(chkSkipBad, &QCheckBox::toggled, this, &frmImport::Refresh);
  connect(btnImport, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(760, 520);
  Refresh();
}

void frmImport::Refresh() {
  std::string text = modLIB::FileTitle(plan_.path) + ", read as " + plan_.encoding + ": " +
                     std::to_string(plan_.rows) + (plan_.rows == 1 ? " row, " : " rows, ") + std::to_string(plan_.good) + " good, " +
                     std::to_string(plan_.refused.size()) + " refused.";
  if (plan_.plainExport)
    text += " It is a plain export: blanks at the start of values were not written, and values holding a double "
            "quote are refused.";
  if (!plan_.unknown.empty()) text += " Columns naming no field are left out.";
  if (plan_.replaced > 0)
    text += " " + std::to_string(plan_.replaced) + " character(s) outside Windows-1252 became \"?\".";
  if (!plan_.refused.empty() && !chkSkipBad->isChecked())
    text += " Nothing is imported while rows are refused, unless they are left out.";
  lblSummary->setText(QtText::FromCp(text));
  btnImport->setEnabled(plan_.good > 0 && (plan_.refused.empty() || chkSkipBad->isChecked()));
}

bool frmImport::HasUpdate(const std::string& script) {
  static const QRegularExpression sub(QStringLiteral(R"(^[ \t]*((public|private)[ \t]+)?sub[ \t]+update\b)"),
                                      QRegularExpression::CaseInsensitiveOption |
                                          QRegularExpression::MultilineOption);
  return sub.match(QtText::FromCp(script)).hasMatch();
}

bool frmImport::Run(QWidget* parent, const std::function<bool()>& runUpdate) {
  modDlg::DialogFileName.clear();
  modDlg::DialogFilter = "*.Csv|*";
  modDlg::ShowOpenDialog("Import CSV File");
  if (modDlg::DialogFileName.empty()) return false;
  std::string folder = modDlg::DialogFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  // The load picker lists names without their extension: the chosen name is the
  // file when it exists, else the CSV file of that name (".csv" in any letter case).
  std::string path = folder + modDlg::DialogFileName;
  if (!QFileInfo(QtText::FromCp(path)).isFile()) {
    const QStringList found = QDir(QtText::FromCp(folder.empty() ? "." : folder))
                                  .entryList({QtText::FromCp(modDlg::DialogFileName) + ".csv"}, QDir::Files);
    if (!found.isEmpty()) path = folder + QtText::ToCp(found.front());
  }

  modDB::CsvImportOptions options;
  options.ignoreUnknown = true;  // the preview shows them as left out
  modDB::CsvImport plan;
  if (modDB::ReadCsvImport(path, options, plan) != 1) return false;
  frmImport preview(plan, HasUpdate(modDB::GetScript()), parent);
  if (modDlg::RunModal(preview) != QDialog::Accepted) return false;
  const bool update = preview.chkUpdate->isChecked() && runUpdate;

  int64_t vetoed = 0;
  if (update) {
    // Each row as the record text while Update runs on it, as if typed and saved.
    const size_t len = modDB::GetRecordText().size();
    const int32_t firstNumber = modDB::NextAutoNumber();
    std::string kept;
    kept.reserve(plan.records.size());
    const int32_t total = static_cast<int32_t>(plan.good);
    // The fields once for all rows: where each lies in a row, and whether the store
    // numbers it.
    struct Slot {
      int16_t k;
      size_t offset, length;
      bool numbered;
    };
    std::vector<Slot> inRow;
    for (int16_t k = 1; k <= modDB::GetFieldCount(); ++k) {
      modDB::FieldDef f;
      modDB::GetFieldDef(k, f);
      inRow.push_back({k, static_cast<size_t>(f.Offset), static_cast<size_t>(f.Length),
                       std::find(plan.numbered.begin(), plan.numbered.end(), k) != plan.numbered.end()});
    }
    for (int32_t r = 0; r < total; ++r) {
      modDlg::ShowPer(r + 1, total);
      const std::string_view rec = std::string_view(plan.records).substr(static_cast<size_t>(r) * len, len);
      modDB::ClearRecord();
      for (const Slot& s : inRow) {
        modDB::WriteField(s.k, std::string(rec.substr(s.offset, s.length)));
        if (s.numbered) modDB::WriteField(s.k, modDB::AutoNumberText(firstNumber + r));
      }
      if (!runUpdate()) {
        ++vetoed;
        continue;
      }
      std::string text = modDB::GetRecordText();
      text[0] = rec[0];  // the deletion mark of the file's "#Deleted" column
      kept += text;
    }
    modDlg::HidePer();
    plan.records.swap(kept);
    plan.good -= vetoed;
    if (modDB::GetRecordNo() > 0) modDB::ReadRecord();  // the record text of the current record again
    else modDB::ClearRecord();
  }
  const bool done = modDB::WriteCsvImport(plan, true) == 1;
  // The refused rows once the good ones are in: a failed import leaves no such file.
  if (done && !plan.refused.empty() && modDB::WriteRejectedCsv(plan, modDB::RejectedFileName(path)) != 1) return false;
  if (vetoed > 0)
    modDB::GetHost().MsgBox(std::to_string(vetoed) + " row(s) were left out: the form script's Update refused them",
                     modDB::vbExclamation, "IMPORT");
  return done && plan.good > 0;
}
