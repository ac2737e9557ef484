// The README's screenshots, taken from the programs of this build: QfEntry on the
// example database and QfLayout with the example form loaded. They are always written
// into the build folder's docs/; with QF_UPDATE_DOCS=1 also into the source tree's
// docs/, where the README finds them.
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QStandardPaths>
#include <filesystem>

#include "entry/frmSearch.h"
#include "entry/ViewSettings.h"
#include "tests/designer/DesignerFixture.h"
#include "tests/entry/EntryFixture.h"

namespace {

void SaveShot(QWidget* window, const QString& name) {
  QApplication::processEvents();
  const QPixmap pix = window->grab();
  ASSERT_FALSE(pix.isNull());
  EXPECT_GE(pix.width(), 400);
  EXPECT_GE(pix.height(), 300);
  QStringList dirs{QStringLiteral(QF_BINARY_DIR "/docs")};
  if (qgetenv("QF_UPDATE_DOCS") == "1") dirs << QStringLiteral(QF_SOURCE_DIR "/docs");
  for (const QString& dir : dirs) {
    ASSERT_TRUE(QDir().mkpath(dir));
    EXPECT_TRUE(pix.save(dir + '/' + name)) << (dir + '/' + name).toStdString();
  }
}

// The example databases as the build made them, copied so that nothing changes them.
void CopyExamples(const std::filesystem::path& to) {
  for (const char* base : {"Contacts.Qfd", "Cities.Qfd"})
    std::filesystem::copy_file(std::filesystem::path(QF_BINARY_DIR) / "examples" / base, to / base);
}

class EntryScreenshot : public qfentry::EntryTest {};
class LayoutScreenshot : public qfdesign::DesignerTest {};

TEST_F(EntryScreenshot, TheExampleDatabaseAtItsFirstRecord) {
  CopyExamples(dir.path());
  frmEdit& w = Open(dir / "Contacts.Qfd");
  EXPECT_EQ(w.Mode, 1);
  EXPECT_EQ(w.lblRecNo->text(), " 1 / 8");
  // Browsing, the values show in the read-only captions.
  EXPECT_EQ(w.Dummy[2]->text(), "Ann");
  EXPECT_EQ(w.Dummy[3]->text(), "Baker");
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  SaveShot(&w, "qfentry.png");
}

// The low-vision view: the same record in high contrast while editing (the box being
// typed into framed), and zoomed to 150 percent. The settings go to a test folder.
TEST_F(EntryScreenshot, HighContrastAndZoom) {
  QStandardPaths::setTestModeEnabled(true);
  CopyExamples(dir.path());
  frmEdit& w = Open(dir / "Contacts.Qfd");
  ViewSettings::SetZoom(&w, 100);
  ViewSettings::SetHighContrast(&w, true);
  w.mnuEditRecord->trigger();
  w.Field[3]->setFocus();
  SaveShot(&w, "qfentry-high-contrast.png");
  w.mnuCancelUpdate->trigger();
  ViewSettings::SetHighContrast(&w, false);
  ViewSettings::SetZoom(&w, 150);
  SaveShot(&w, "qfentry-zoom.png");
  ViewSettings::SetZoom(&w, 100);
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}

// At 300 percent the form scrolls under the toolbar; the Find dialog zoomed too, in
// the usual colours and in high contrast.
TEST_F(EntryScreenshot, LargestZoomAndTheFindDialogZoomed) {
  QStandardPaths::setTestModeEnabled(true);
  CopyExamples(dir.path());
  frmEdit& w = Open(dir / "Contacts.Qfd");
  ViewSettings::SetZoom(&w, 300);
  SaveShot(&w, "qfentry-zoom-300.png");
  for (bool contrast : {false, true}) {
    ViewSettings::SetHighContrast(&w, contrast);
    frmSearch find(&w);
    find.resize(find.sizeHint().expandedTo(QSize(400, 300)));
    find.show();
    SaveShot(&find, contrast ? "qfentry-find-zoom-high-contrast.png" : "qfentry-find-zoom.png");
  }
  ViewSettings::SetHighContrast(&w, false);
  ViewSettings::SetZoom(&w, 100);
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}

TEST_F(LayoutScreenshot, TheExampleFormLoaded) {
  CopyExamples(dir.path());
  Load("Contacts");
  EXPECT_EQ(window->windowTitle(), "Contacts");
  EXPECT_FALSE(window->Modified);
  SaveShot(window, "qflayout.png");
}

}  // namespace
