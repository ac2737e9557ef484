// The README's screenshots, taken from the programs of this build: QfEntry on the
// example database and QfLayout with the example form loaded. They are always written
// into the build folder's docs/; with QF_UPDATE_DOCS=1 also into the source tree's
// docs/, where the README finds them.

#include "common/frmDlgClr.h"
#include "designer/frmBanner.h"
#include "engine/history/History.h"
#include "entry/frmBrowse.h"
#include "entry/frmHistory.h"
#include "entry/frmSearch.h"
#include "entry/frmShowText.h"
#include "entry/ViewSettings.h"
#include "tests/designer/DesignerFixture.h"
#include "tests/entry/EntryFixture.h"

namespace {

void SavePixmap(const QPixmap& pix, const QString& name, QSize least) {
  ASSERT_FALSE(pix.isNull());
  EXPECT_GE(pix.width(), least.width());  // a window, not a speck
  EXPECT_GE(pix.height(), least.height());
  QStringList dirs{QStringLiteral(QF_BINARY_DIR "/docs")};
  if (qgetenv("QF_UPDATE_DOCS") == "1") dirs << QStringLiteral(QF_SOURCE_DIR "/docs");
  for (const QString& dir : dirs) {
    ASSERT_TRUE(QDir().mkpath(dir));
    EXPECT_TRUE(pix.save(dir + '/' + name)) << (dir + '/' + name).toStdString();
  }
}

void SaveShot(QWidget* window, const QString& name, QSize least = {300, 200}) {
  QApplication::processEvents();
  SavePixmap(window->grab(), name, least);
}

class EntryScreenshot : public qfentry::EntryTest {};
class LayoutScreenshot : public qfdesign::DesignerTest {};

// The example database at its first record; then the low-vision view: zoomed to 300
// percent (where the form scrolls under the toolbar) with the Find dialog zoomed too,
// in the usual colours and in high contrast; the record in high contrast while editing
// (the box being typed into framed), and at 150 percent; the city list. The settings go
// to a test folder.
TEST_F(EntryScreenshot, TheExampleDatabaseHighContrastZoomAndTheCityList) {
  QStandardPaths::setTestModeEnabled(true);
  frmEdit& w = OpenExample("Contacts.Qfd");
  EXPECT_EQ(w.Mode, 1);
  EXPECT_EQ(w.lblRecNo->text(), " 1 / 8");
  // Browsing, the values show in the read-only captions.
  qfgui::ExpectTexts({{w.Dummy[2], "Ann"}, {w.Dummy[3], "Baker"}});
  SaveShot(&w, "qfentry.png");
  ViewSettings::SetZoom(&w, 300);
  SaveShot(&w, "qfentry-zoom-300.png");
  for (bool contrast : {false, true}) {
    ViewSettings::SetHighContrast(&w, contrast);
    frmSearch find(&w);
    find.resize(find.sizeHint().expandedTo(QSize(400, 300)));
    find.show();
    SaveShot(&find, contrast ? "qfentry-find-zoom-high-contrast.png" : "qfentry-find-zoom.png");
  }
  ViewSettings::SetZoom(&w, 100);
  ViewSettings::SetHighContrast(&w, true);
  QApplication::setActiveWindow(&w);  // the Find dialogs had it: the focus frame shows again
  w.mnuEditRecord->trigger();
  w.Field[3]->setFocus();
  SaveShot(&w, "qfentry-high-contrast.png");
  w.mnuCancelUpdate->trigger();
  ViewSettings::SetHighContrast(&w, false);
  ViewSettings::SetZoom(&w, 150);
  SaveShot(&w, "qfentry-zoom.png");
  ViewSettings::SetZoom(&w, 100);

  // Actions > PickCity: the city table, a typed "o" finding Oslo unsorted.
  w.mnuEditRecord->trigger();
  Through<frmBrowse>(w.mnuAction[1], [&](frmBrowse* t) {
    QTest::keyClicks(t->lstCol[0], "o");
    EXPECT_EQ(t->lstCol[1]->currentItem()->text(), "Oslo");
    SaveShot(t, "qfentry-city-list.png");
    QTest::keyClick(t->lstCol[0], Qt::Key_Escape);
  });
  w.mnuCancelUpdate->trigger();
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}

// The window with no database: the whole toolbar shows.
TEST_F(EntryScreenshot, TheEmptyWindow) {
  NewWindow();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
  EXPECT_LE(window->cTBarBtn[15]->geometry().right(), window->width());
  SaveShot(window, "qfentry-empty.png");
}

// Record > History after two changes, and one line shown whole.
TEST_F(EntryScreenshot, TheRecordsHistory) {
  qfgui::CopyExamples(dir.path());
  ASSERT_EQ(modDB::StartHistory(dir / "Contacts"), "");
  modDB::SetHistoryProgram("QfEntry");
  frmEdit& w = Open(dir / "Contacts.Qfd");
  for (const auto& [slot, value] : {std::pair{5, "0039 06 555 0102"}, {4, "Baker & Daughters Ltd., Rome branch"}}) {
    w.mnuEditRecord->trigger();
    RetypeField(slot, value);
    w.mnuUpdateRecord->trigger();
  }
  Through<frmHistory>(w.findChild<QAction*>("mnuHistory"), [&](frmHistory* h) {
    EXPECT_EQ(h->grdLines->rowCount(), 2);
    SaveShot(h, "qfentry-history.png");
    qfgui::OnShown<frmShowText>([&](frmShowText* v) { SaveShot(v, "qfentry-history-line.png"); });
    QTest::keyClick(h->grdLines, Qt::Key_Return);
  });
}

}  // namespace

// The example form loaded; the keyboard's way into a banner: Tab to it, Enter for
// Banner Properties, whose Foreground Color opens the colour picker; and the Component
// menu over the page.
TEST_F(LayoutScreenshot, TheExampleFormBannerPropertiesColourPickerAndComponentMenu) {
  qfgui::CopyExamples(dir.path());
  Load("Contacts");
  EXPECT_EQ(std::tuple(window->windowTitle(), modDB::GetFieldCount() > 5, window->Modified),
            std::tuple("Contacts", true, false));
  SaveShot(window, "qflayout.png");
  qfgui::OnShown<frmBanner>([&](frmBanner* d) {
    SaveShot(d, "qflayout-banner.png");
    qfgui::OnShown<frmDlgClr>([&](frmDlgClr* c) {
      qfdesign::Fill(c->txtClr, "#3366CC");
      SaveShot(c, "qflayout-color.png", {200, 200});
      qfdesign::Click(c->cmdCancel);
    });
    qfdesign::Click(d->BtnForeground);
    d->reject();
  });
  QApplication::setActiveWindow(window);
  window->Banner[1]->setFocus();
  QTest::keyClick(window->Banner[1], Qt::Key_Return);

  QApplication::setActiveWindow(window);
  window->Banner[1]->setFocus();
  QMenu* menu = window->mnuComponent;
  menu->popup(window->canvas->mapToGlobal(QPoint(window->canvas->width() / 2, 60)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QApplication::processEvents();
  QPixmap pix = window->grab();
  QPainter(&pix).drawPixmap(window->mapFromGlobal(menu->pos()), menu->grab());
  menu->hide();
  SavePixmap(pix, "qflayout-component-menu.png", {400, 300});
  EXPECT_EQ(host.boxes.size(), 1u) << host.Last();  // what Load reported
}
