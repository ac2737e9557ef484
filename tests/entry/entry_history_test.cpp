// The change history in the entry window: File > Start History starts it, an Update
// writes its line, and Record > History... shows the record's lines newest first, or
// the whole file.

#include "engine/history/History.h"
#include "entry/frmHistory.h"
#include "entry/frmShowText.h"
#include "tests/entry/EntryFixture.h"

using namespace qfentry;

namespace {

QStringList Row(QTableWidget* t, int r) {
  QStringList cells;
  for (int c = 0; c < t->columnCount(); ++c) cells << t->item(r, c)->text();
  return cells;
}

TEST_F(EntryTest, HistoryIsStartedAndShown) {
  const std::string file = MakeDatabase({{"Company", 10, 1, "*"}, {"Phone", 5, 1, "*"}}, {{"Old Co", "111"}});
  modDB::SetHistoryProgram("QfEntry");  // as the program's start does
  frmEdit& w = Open(file);
  QAction* start = w.findChild<QAction*>("mnuStartHistory");
  QAction* show = w.findChild<QAction*>("mnuHistory");
  ASSERT_TRUE(start && show);
  qfgui::ExpectTexts({{start, "Start History"}, {show, "History..."}});
  EXPECT_EQ(show->shortcut(), QKeySequence("Ctrl+H"));

  host.Clear();
  show->trigger();
  EXPECT_EQ(host.Last(), "HISTORY: FILE:" + std::string(dir / "Test") +
                             ".Qfd keeps no history.\r\nFile > Start History starts it.");
  host.Clear();
  host.replies = {modDB::vbYes};
  start->trigger();
  ASSERT_EQ(host.boxes.size(), 1u);
  emit w.mnuFile->aboutToShow();
  // Not offered while the history is kept.
  EXPECT_EQ(std::pair(modDB::HistoryKept(dir / "Test"), start->isEnabled()), std::pair(true, false));

  w.mnuEditRecord->trigger();
  RetypeField(1, "New Co");
  w.mnuUpdateRecord->trigger();
  ASSERT_EQ(w.Mode, 1) << host.Last();
  w.mnuEditRecord->trigger();
  RetypeField(2, "222");
  w.mnuUpdateRecord->trigger();
  std::vector<modDB::HistoryEntry> all;
  ASSERT_EQ(modDB::ReadHistory(dir / "Test", all), "");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].program, "QfEntry");

  auto ran = qfgui::OnShown<frmHistory>([&](frmHistory* h) {
    // Over its window, not wherever the window system puts it.
    EXPECT_LE((h->frameGeometry().center() - w.frameGeometry().center()).manhattanLength(), 40);
    QTableWidget* t = h->grdLines;
    ASSERT_EQ(t->rowCount(), 2);
    const QString who = QString::fromStdString(all[0].user + "@" + all[0].host);
    // Local time first: the same moment as the UTC written.
    const QDateTime local = QDateTime::fromString(t->item(0, 0)->text(), "yyyy-MM-dd HH:mm:ss");
    EXPECT_EQ(local.toUTC(), QDateTime::fromString(QString::fromStdString(all[1].time), Qt::ISODate));
    EXPECT_EQ(Row(t, 0).mid(1), (QStringList{who, "QfEntry", "edit", "Phone", "111", "222"}));
    EXPECT_EQ(t->item(1, 4)->toolTip(), "Company");  // the whole value, where the column cuts it
    h->chkUtc->setChecked(true);
    const QString utc = QString::fromStdString(all[0].time).replace('T', ' ').replace("Z", " UTC");
    EXPECT_EQ(Row(t, 1), (QStringList{utc, who, "QfEntry", "edit", "Company", "Old Co", "New Co"}));
    qfgui::Shot(h, "frmHistory");
    // Tab leaves the table for the boxes below it, and Shift+Tab comes back.
    t->setFocus();
    QTest::keyClick(t, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), h->chkWhole);
    QTest::keyClick(h->chkWhole, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), t);
    // Enter shows the line on the table's current row whole.
    t->setCurrentCell(1, 0);
    QString line;
    qfgui::OnShown<frmShowText>([&](frmShowText* v) {
      line = v->windowTitle() + "\n" + v->Text1->toPlainText();
      v->reject();
    });
    QTest::keyClick(t, Qt::Key_Return);
    EXPECT_EQ(line, "History of record 1, line 2\nTime: " + utc + "\nUser: " + who +
                        "\nProgram: QfEntry\nOperation: edit\nField: Company\nBefore: Old Co\nAfter: New Co");
    EXPECT_TRUE(h->isVisible());  // Enter did not close the window
    h->chkWhole->setChecked(true);
    EXPECT_EQ(std::tuple(t->columnCount(), t->horizontalHeaderItem(4)->text(), t->item(0, 4)->text()),
              std::tuple(8, "Record", "1"));
    h->cmdClose->click();
  });
  QTest::keyClick(&w, Qt::Key_H, Qt::ControlModifier);  // Record > History
  EXPECT_TRUE(*ran);
}

}  // namespace
