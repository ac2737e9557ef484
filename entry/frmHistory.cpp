#include "entry/frmHistory.h"

#include <QMenu>

#include <QCheckBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/modDlg.h"
#include "engine/history/History.h"
#include "engine/modDB.h"


namespace {

bool DatabaseOpen(const char* title) {
  if (modDB::GetFileNumber() != 0) return true;
  modDB::GetHost().MsgBox("DB not open", modDB::vbCritical, title);
  return false;
}

}  // namespace

void frmHistory::ShowFor(QWidget* parent) {
  if (!DatabaseOpen("HISTORY")) return;
  const std::string db = modDB::GetDatabaseName();
  if (!modDB::HistoryKept(db)) {
    modDB::GetHost().MsgBox("FILE:" + db + ".Qfd keeps no history.\r\nFile > Start History starts it.", modDB::vbInformation,
                     "HISTORY");
    return;
  }
  frmHistory window(parent, modDB::GetRecordNo());
  if (!window.Fill()) return;
  modDlg::RunModal(window);
}

void frmHistory::OfferStart(QMenu* menu, QAction* start) {
  QObject::connect(menu, &QMenu::aboutToShow, start, [start] {
    start->setEnabled(modDB::GetFileNumber() != 0 && !modDB::HistoryKept(modDB::GetDatabaseName()));
  });
}

void frmHistory::StartFor(QWidget*) {
  if (!DatabaseOpen("START HISTORY")) return;
  const std::string db = modDB::GetDatabaseName();
  const std::string file = modDB::HistoryFileOf(db);
  if (modDB::HistoryKept(db)) {
    modDB::GetHost().MsgBox("The history of " + db + ".Qfd is kept already, in " + file + ".", modDB::vbInformation,
                     "START HISTORY");
    return;
  }
  const int answer = modDB::GetHost().MsgBox(
      "From now on every change to " + db + ".Qfd made by QfEntry, QfLayout, qfd or a form script is written first to " + file +
          " (time, user, field, value before and after).\r\nA change whose history cannot be written is not "
          "made.\r\nStart the history?",
      modDB::vbYesNo | modDB::vbQuestion, "START HISTORY");
  if (answer != modDB::vbYes) return;
  if (const std::string why = modDB::StartHistory(db); !why.empty()) modDB::GetHost().MsgBox(why, modDB::vbCritical, "START HISTORY");
}

frmHistory::frmHistory(QWidget* parent, int32_t record) : QDialog(parent), record_(record) {
  setObjectName("frmHistory");
  setWindowTitle(QString("History of record %1").arg(record));
  resize(760, 420);
  grdLines = new QTableWidget(this);
  grdLines->setObjectName("grdLines");
  grdLines->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdLines->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdLines->verticalHeader()->hide();
  grdLines->horizontalHeader()->setStretchLastSection(true);
  chkWhole = new QCheckBox("Whole file", this);
  chkWhole->setObjectName("chkWhole");
  cmdClose = new QPushButton("Close", this);
  cmdClose->setObjectName("cmdClose");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chkWhole);
  buttons->addStretch();
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  lblDamage = new QLabel(this);
  lblDamage->setObjectName("lblDamage");
  lblDamage->setWordWrap(true);
  lblDamage->hide();
  layout->addWidget(grdLines);
  layout->addWidget(lblDamage);
  layout->addLayout(buttons);
  connect(chkWhole, &QCheckBox::toggled, this, [this] { Fill(); });
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

bool frmHistory::Fill() {
  std::vector<modDB::HistoryEntry> all;
  std::vector<modDB::HistoryDamage> damage;
  const bool whole = chkWhole->isChecked();
  const std::string why = whole ? modDB::ReadHistory(modDB::GetDatabaseName(), all, &damage)
                                : modDB::ReadRecordHistory(modDB::GetDatabaseName(), record_, all, &damage);
  if (!why.empty()) {
    modDB::GetHost().MsgBox(why, modDB::vbCritical, "HISTORY");
    return false;
  }
  // A damaged stretch hides nothing after it; where it is is said below the lines.
  const std::string note = modDB::HistoryDamageNote(modDB::GetDatabaseName(), damage);
  lblDamage->setText(QString::fromLocal8Bit(note.c_str()));
  lblDamage->setVisible(!note.empty());
  const std::vector<modDB::HistoryEntry> lines =
      whole ? std::vector<modDB::HistoryEntry>(all.rbegin(), all.rend()) : std::move(all);
  setWindowTitle(whole ? QString("History of %1.Qfd").arg(QString::fromLocal8Bit(modDB::GetDatabaseName().c_str()))
                       : QString("History of record %1").arg(record_));
  QStringList heads = {"Time", "User", "Field", "Before", "After"};
  if (whole) heads = {"Time", "User", "Program", "Operation", "Record", "Field", "Before", "After"};
  grdLines->clear();
  grdLines->setColumnCount(static_cast<int>(heads.size()));
  grdLines->setHorizontalHeaderLabels(heads);
  grdLines->setRowCount(static_cast<int>(lines.size()));
  auto u = [](const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); };
  for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
    const modDB::HistoryEntry& e = lines[static_cast<size_t>(r)];
    const std::string user = e.user + "@" + e.host;
    std::vector<std::string> cells = {e.time, user, e.field, e.before, e.after};
    if (whole) cells = {e.time, user, e.program, e.operation, e.record, e.field, e.before, e.after};
    else if (e.operation != "edit" && e.operation != "add") cells[2] = e.field + " (" + e.operation + ")";
    for (int c = 0; c < static_cast<int>(cells.size()); ++c)
      grdLines->setItem(r, c, new QTableWidgetItem(u(cells[static_cast<size_t>(c)])));
  }
  grdLines->resizeColumnsToContents();
  return true;
}
