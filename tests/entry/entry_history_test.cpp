// The change history in the entry window: File > Start History starts it, an Update
// writes its line, and Record > History... shows the record's lines newest first, or
// the whole file.
#include <QAction>
#include <QCheckBox>
#include <QTableWidget>
#include <filesystem>

#include "engine/history/History.h"
#include "entry/frmHistory.h"
#include "tests/entry/EntryFixture.h"

using namespace qfentry;

namespace {

QAction* MenuItem(QWidget* w, const char* name) { return w->findChild<QAction*>(name); }

QStringList Row(QTableWidget* t, int r) {
  QStringList cells;
  for (int c = 0; c < t->columnCount(); ++c) cells << t->item(r, c)->text();
  return cells;
}

TEST_F(EntryTest, HistoryIsStartedAndShown) {
  const std::string file = MakeDatabase({{"Company", 10, 1, "*"}, {"Phone", 5, 1, "*"}}, {{"Old Co", "111"}});
  modDB::SetHistoryProgram("QfEntry");  // as the program's start does
  frmEdit& w = Open(file);
  QAction* start = MenuItem(&w, "mnuStartHistory");
  QAction* show = MenuItem(&w, "mnuHistory");
  ASSERT_TRUE(start && show);
  EXPECT_EQ(start->text(), "Start History");
  EXPECT_EQ(show->text(), "History...");

  host.Clear();
  show->trigger();
  EXPECT_EQ(host.Last(), "HISTORY: FILE:" + std::string(dir / "Test") +
                             ".Qfd keeps no history.\r\nFile > Start History starts it.");
  host.Clear();
  host.replies = {modDB::vbYes};
  start->trigger();
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_TRUE(modDB::HistoryKept(dir / "Test"));
  emit w.mnuFile->aboutToShow();
  EXPECT_FALSE(start->isEnabled());  // not offered while the history is kept

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

  bool shown = false;
  auto ran = qfgui::OnShown<frmHistory>([&](frmHistory* h) {
    shown = true;
    QTableWidget* t = h->grdLines;
    ASSERT_EQ(t->rowCount(), 2);
    const QString who = QString::fromStdString(all[0].user + "@" + all[0].host);
    EXPECT_EQ(Row(t, 0), (QStringList{QString::fromStdString(all[1].time), who, "Phone", "111", "222"}));
    EXPECT_EQ(Row(t, 1), (QStringList{QString::fromStdString(all[0].time), who, "Company", "Old Co",
                                      "New Co"}));
    qfgui::Shot(h, "frmHistory");
    h->chkWhole->setChecked(true);
    EXPECT_EQ(t->columnCount(), 8);
    EXPECT_EQ(t->horizontalHeaderItem(3)->text(), "Operation");
    EXPECT_EQ(t->item(0, 3)->text(), "edit");
    h->cmdClose->click();
  });
  show->trigger();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(*ran);
}

}  // namespace
