#include "entry/frmHistory.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "common/modDlg.h"
#include "engine/history/History.h"
#include "engine/modDB.h"
#include "entry/frmShowText.h"


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
  grdLines->setSelectionMode(QAbstractItemView::SingleSelection);
  // Tab leaves the table for the boxes below it, as in every other window.
  grdLines->setTabKeyNavigation(false);
  grdLines->setWordWrap(false);  // one line a row; the tooltip holds a long value whole
  grdLines->verticalHeader()->hide();
  grdLines->horizontalHeader()->setStretchLastSection(true);
  grdLines->installEventFilter(this);
  chkWhole = new QCheckBox("Whole file", this);
  chkWhole->setObjectName("chkWhole");
  chkUtc = new QCheckBox("Show times in UTC", this);
  chkUtc->setObjectName("chkUtc");
  cmdClose = new QPushButton("Close", this);
  cmdClose->setObjectName("cmdClose");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chkWhole);
  buttons->addWidget(chkUtc);
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
  setTabOrder(grdLines, chkWhole);
  setTabOrder(chkWhole, chkUtc);
  setTabOrder(chkUtc, cmdClose);
  grdLines->setFocus();
  connect(chkWhole, &QCheckBox::toggled, this, [this] { Fill(); });
  connect(chkUtc, &QCheckBox::toggled, this, &frmHistory::ShowTimes);
  connect(grdLines, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { ShowLine(row); });
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

QString frmHistory::TimeText(const std::string& time, bool utc) {
  const QString written = QString::fromStdString(time);
  const QDateTime at = QDateTime::fromString(written, Qt::ISODate);
  if (!at.isValid()) return written;  // a time no program of ours wrote: as it stands
  return utc ? at.toUTC().toString("yyyy-MM-dd HH:mm:ss") + " UTC" : at.toLocalTime().toString("yyyy-MM-dd HH:mm:ss");
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
  QStringList heads = {"Time", "User", "Program", "Operation", "Field", "Before", "After"};
  if (whole) heads.insert(4, "Record");
  grdLines->clear();
  grdLines->setColumnCount(static_cast<int>(heads.size()));
  grdLines->setHorizontalHeaderLabels(heads);
  grdLines->setRowCount(static_cast<int>(lines.size()));
  records_.clear();
  times_.clear();
  auto u = [](const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); };
  for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
    const modDB::HistoryEntry& e = lines[static_cast<size_t>(r)];
    QStringList cells = {QString(), u(e.user + "@" + e.host), u(e.program),
                         u(e.operation), u(e.field), u(e.before), u(e.after)};
    if (whole) cells.insert(4, u(e.record));
    records_.push_back(whole ? e.record : std::to_string(record_));
    times_.push_back(e.time);
    for (int c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setToolTip(cells[c]);  // the whole value, where the column cuts it
      grdLines->setItem(r, c, item);
    }
  }
  ShowTimes();
  grdLines->resizeColumnsToContents();
  for (int c = 0; c + 1 < grdLines->columnCount(); ++c)  // the last one fills the rest
    grdLines->setColumnWidth(c, std::min(grdLines->columnWidth(c), 240));
  if (!lines.empty()) grdLines->setCurrentCell(0, 0);
  return true;
}

void frmHistory::ShowTimes() {
  for (int r = 0; r < grdLines->rowCount(); ++r) {
    const QString shown = TimeText(times_[static_cast<size_t>(r)], chkUtc->isChecked());
    grdLines->item(r, 0)->setText(shown);
    grdLines->item(r, 0)->setToolTip(shown);
  }
}

void frmHistory::ShowLine(int row) {
  if (row < 0 || row >= grdLines->rowCount()) return;
  QStringList text;
  for (int c = 0; c < grdLines->columnCount(); ++c)
    text << grdLines->horizontalHeaderItem(c)->text() + ": " + grdLines->item(row, c)->text();
  frmShowText viewer(this);
  viewer.setWindowTitle(QString("History of record %1, line %2")
                            .arg(QString::fromStdString(records_[static_cast<size_t>(row)]))
                            .arg(row + 1));
  viewer.Text1->setPlainText(text.join('\n'));
  viewer.resize(520, 260);
  modDlg::RunModal(viewer);
}

bool frmHistory::eventFilter(QObject* watched, QEvent* e) {
  // Enter on a line shows it whole; the dialog's Close button does not take it.
  if (watched == grdLines && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ShowLine(grdLines->currentRow());
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}
