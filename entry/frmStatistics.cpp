#include "entry/frmStatistics.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "engine/modDB.h"
#include "lib/Codepage.h"

frmStatistics::frmStatistics(QWidget* parent, const std::string& database, const qfverify::Session& current)
    : QDialog(parent) {
  setWindowTitle("Keying Statistics");
  setObjectName("frmStatistics");
  std::vector<qfverify::StatRow> rows;
  if (const std::string why = qfverify::ReadStatistics(database, rows); !why.empty())
    modDB::GetHost().MsgBox(modLIB::Utf8ToCp1252(why), modDB::vbExclamation, "Keying Statistics");
  // The session in hand goes after the sessions written.
  size_t sessions = 0;
  while (sessions < rows.size() && rows[sessions].scope == "session") ++sessions;
  if (!current.Empty()) {
    qfverify::StatRow now;
    now.scope = "session";
    now.s = current;
    now.s.ended = "(now)";
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(sessions), now);
  }
  const auto table = qfverify::StatisticsTable(rows);
  tblStats = new QTableWidget(static_cast<int>(table.size()) - 1, static_cast<int>(table[0].size()));
  tblStats->setObjectName("tblStats");
  tblStats->setAccessibleName("Keying statistics");
  tblStats->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QStringList heading;
  for (const auto& h : table[0]) heading << QString::fromStdString(h);
  tblStats->setHorizontalHeaderLabels(heading);
  for (size_t r = 1; r < table.size(); ++r)
    for (size_t c = 0; c < table[r].size(); ++c)
      tblStats->setItem(static_cast<int>(r - 1), static_cast<int>(c),
                        new QTableWidgetItem(QString::fromStdString(table[r][c])));
  tblStats->resizeColumnsToContents();
  auto* close = new QPushButton("Close");
  close->setObjectName("cmdClose");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* all = new QVBoxLayout(this);
  all->addWidget(tblStats, 1);
  all->addWidget(close, 0, Qt::AlignRight);
  resize(900, 360);
}
