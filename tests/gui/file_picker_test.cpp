// The file picker and its launchers: load mode against save mode, folders in
// brackets, names without extension, the current folder, drives and ShortenPath.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "frmDlgFile.h"

using namespace qfgui;
namespace fs = std::filesystem;

class FilePicker : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    fs::create_directories(tmp.path() / "Forms");
    fs::create_directories(tmp.path() / "Archive");
    qftest::WriteFile(tmp / "Contacts.Qfd", "x");
    qftest::WriteFile(tmp / "stock.qfd", "x");
    qftest::WriteFile(tmp / "notes.txt", "x");
    qftest::WriteFile(tmp / "Forms/Inner.Qfd", "x");
    folder = fs::canonical(tmp.path()).string();
  }
  static QStringList Entries(QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
  }
  qftest::TempDir tmp;
  std::string folder;
};

TEST_F(FilePicker, LoadModeListsFoldersAndNamesAndADoubleClickOpens) {
  modDlg::DialogFolder = folder;
  modDlg::DialogFilter = "*.Qfd";
  modDlg::DialogFileName = "left over";
  QString caption, path, boxText;
  QStringList entries, drives;
  bool boxEnabled = true;
  auto ran = OnShown<frmDlgFile>([&](frmDlgFile* w) {
    caption = w->windowTitle();
    path = w->txtPath->text();
    entries = Entries(w->lstDir);
    drives = Entries(w->lstDrive);
    boxEnabled = w->txtFile->isEnabled();
    boxText = w->txtFile->text();
    Shot(w, "frmDlgFile_load");
    ClickItem(w->lstDir, FindRow(w->lstDir, "[Forms]"));  // a folder: the box stays
    EXPECT_EQ(w->txtFile->text(), "");
    ClickItem(w->lstDir, FindRow(w->lstDir, "stock"));
    EXPECT_EQ(w->txtFile->text(), "stock");
    DblClickItem(w->lstDir, FindRow(w->lstDir, "Contacts"));
  });
  modDlg::ShowOpenDialog();
  ASSERT_TRUE(*ran);
  EXPECT_EQ(caption, "Load");
  EXPECT_EQ(modDlg::DialogTitle, "Load");
  EXPECT_EQ(modDlg::DialogSaveMode, 0);
  EXPECT_TRUE(boxEnabled);  // a path may be typed
  EXPECT_EQ(boxText, "");  // the launcher clears the name for loading
  EXPECT_EQ(path.toStdString(), frmDlgFile::ShortenPath(folder));
  // ".." in brackets, the folders, then the matching files without extension (any case).
  EXPECT_EQ(entries.join('|'), "[..]|[Archive]|[Forms]|Contacts|stock");
  ASSERT_FALSE(drives.isEmpty());
  EXPECT_EQ(drives.first(), "/");
  EXPECT_EQ(modDlg::DialogFileName, "Contacts");
  EXPECT_EQ(modDlg::DialogFolder, folder);
  // The folder shown is the current folder: a bare name saved later lands there.
  EXPECT_EQ(Platform::CurrentFolder(), folder);
}

TEST_F(FilePicker, SaveModeProposesTheNameAndADoubleClickOnlyFillsIt) {
  modDlg::DialogFolder = folder;
  modDlg::DialogFilter = "*.Qfd";
  modDlg::DialogFileName = "Proposal";
  QString boxText;
  bool boxEnabled = false, openAfterDblClick = false;
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    boxText = w->txtFile->text();
    boxEnabled = w->txtFile->isEnabled();
    DblClickItem(w->lstDir, FindRow(w->lstDir, "stock"));
    openAfterDblClick = w->isVisible();
    EXPECT_EQ(w->txtFile->text(), "stock");
    w->txtFile->clear();
    QTest::keyClicks(w->txtFile, "New Form");
    Shot(w, "frmDlgFile_save");
    QTest::mouseClick(w->cmdOk, Qt::LeftButton);
  });
  modDlg::ShowSaveDialog();
  EXPECT_EQ(modDlg::DialogTitle, "Save As");
  EXPECT_EQ(modDlg::DialogSaveMode, -1);
  EXPECT_EQ(boxText, "Proposal");
  EXPECT_TRUE(boxEnabled);
  EXPECT_TRUE(openAfterDblClick);
  EXPECT_EQ(modDlg::DialogFileName, "New Form");
  EXPECT_EQ(modDlg::DialogFolder, folder);
}

TEST_F(FilePicker, FoldersChangeTheProcessFolderAndCancelChangesNoMember) {
  modDlg::DialogFolder = folder;
  modDlg::DialogFilter = "*.Qfd";
  modDlg::DialogFileName = "Keep";
  QStringList inner, back;
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    DblClickItem(w->lstDir, FindRow(w->lstDir, "[Forms]"));
    inner = Entries(w->lstDir);
    EXPECT_EQ(w->txtFile->text(), "");
    DblClickItem(w->lstDir, FindRow(w->lstDir, "[..]"));
    back = Entries(w->lstDir);
    DblClickItem(w->lstDir, FindRow(w->lstDir, "[Archive]"));
    QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
  });
  modDlg::ShowSaveDialog();
  EXPECT_EQ(inner.join('|'), "[..]|Inner");
  EXPECT_TRUE(back.contains("Contacts"));
  EXPECT_EQ(modDlg::DialogFileName, "Keep");
  EXPECT_EQ(modDlg::DialogFolder, folder);
  // The folder the user went to stays the process's current folder.
  EXPECT_EQ(Platform::CurrentFolder(), folder + "/Archive");
}

TEST_F(FilePicker, AFolderThatIsGoneShowsTheCurrentOne) {
  ASSERT_TRUE(Platform::SetCurrentFolder(folder + "/Forms"));
  modDlg::DialogFolder = folder + "/Removed";
  modDlg::DialogFilter = "*.Qfd";
  QString shown;
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    shown = w->CurFolder;
    QTest::mouseClick(w->cmdOk, Qt::LeftButton);
  });
  modDlg::ShowOpenDialog();
  EXPECT_EQ(shown.toStdString(), folder + "/Forms");
  EXPECT_EQ(modDlg::DialogFolder, folder + "/Forms");
}

TEST_F(FilePicker, EmptyFilterListsEveryFileAndEmptyFolderIsTheCurrentOne) {
  ASSERT_TRUE(Platform::SetCurrentFolder(folder));
  modDlg::DialogFolder = "";
  modDlg::DialogFilter = "";
  QStringList entries;
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    entries = Entries(w->lstDir);
    QTest::mouseClick(w->cmdOk, Qt::LeftButton);
  });
  modDlg::ShowOpenDialog();
  EXPECT_EQ(entries.join('|'), "[..]|[Archive]|[Forms]|Contacts|notes|stock");
  EXPECT_EQ(modDlg::DialogFileName, "");
  EXPECT_EQ(modDlg::DialogFolder, folder);
}

TEST_F(FilePicker, DrivesRootParentAndAnUnreadableDrive) {
  modDlg::DialogFolder = folder;
  modDlg::DialogFilter = "*.Qfd";
  QString atRoot, afterParent, afterBadDrive;
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    DblClickItem(w->lstDrive, FindRow(w->lstDrive, "/"));
    atRoot = w->CurFolder;
    EXPECT_TRUE(w->lstDir->count() > 0);
    DblClickItem(w->lstDir, FindRow(w->lstDir, "[..]"));  // the root keeps itself
    afterParent = w->CurFolder;
    ASSERT_TRUE(Platform::SetCurrentFolder(folder));
    w->lstDrive->addItem("/no-such-volume");
    DblClickItem(w->lstDrive, w->lstDrive->count() - 1);
    afterBadDrive = w->CurFolder;
    Shot(w, "frmDlgFile_drive");
  });
  modDlg::ShowOpenDialog();
  EXPECT_EQ(atRoot, "/");
  EXPECT_EQ(afterParent, "/");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "Drive unavailable.");
  EXPECT_EQ(host.boxes[0].title, "QfTest");
  EXPECT_EQ(host.boxes[0].style, modDB::vbCritical | modDB::vbOKOnly);
  EXPECT_EQ(afterBadDrive.toStdString(), folder);
}

TEST(ShortenPath, LongPathsKeepTheirEnds) {
  const std::string p60 = "/home/user/projects/forms/customers/2026/october/invoices/a";
  ASSERT_EQ(p60.size(), 59u);
  const std::string p = p60 + "b";
  EXPECT_EQ(frmDlgFile::ShortenPath(p), p.substr(0, 22) + " .. " + p.substr(38));
  EXPECT_EQ(frmDlgFile::ShortenPath(p).size(), 48u);
  EXPECT_EQ(frmDlgFile::ShortenPath(std::string(50, 'a')), std::string(50, 'a'));
  EXPECT_EQ(frmDlgFile::ShortenPath(std::string(51, 'a')), std::string(22, 'a') + " .. " + std::string(22, 'a'));
  EXPECT_EQ(frmDlgFile::ShortenPath(""), "");
}

// A hidden folder, which the list does not show, is reached by typing its path: Ok on
// a folder goes there; Ok on a path to a file goes to its folder and takes the name.
TEST_F(FilePicker, TypedPathsReachHiddenFolders) {
  fs::create_directories(tmp.path() / ".hidden" / "deeper");
  qftest::WriteFile(tmp / ".hidden/Secret.Qfd", "x");
  modDlg::DialogFolder = folder;
  modDlg::DialogFilter = "*.Qfd";
  QStringList top, inside;
  QString shownAfterFolder;
  auto ran = OnShown<frmDlgFile>([&](frmDlgFile* w) {
    top = Entries(w->lstDir);
    w->txtFile->setFocus();
    QTest::keyClicks(w->txtFile, ".hidden");
    QTest::keyClick(w->txtFile, Qt::Key_Return);
    EXPECT_TRUE(w->isVisible());  // a folder: shown, not picked
    shownAfterFolder = w->CurFolder;
    inside = Entries(w->lstDir);
    EXPECT_EQ(w->txtFile->text(), "");
    QTest::keyClicks(w->txtFile, "deeper/../Secret");
    QTest::keyClick(w->txtFile, Qt::Key_Return);
  });
  modDlg::ShowOpenDialog();
  ASSERT_TRUE(*ran);
  EXPECT_EQ(top.indexOf("[.hidden]"), -1);
  EXPECT_EQ(shownAfterFolder.toStdString(), folder + "/.hidden");
  EXPECT_EQ(inside.join('|'), "[..]|[deeper]|Secret");
  EXPECT_EQ(modDlg::DialogFolder, folder + "/.hidden");
  EXPECT_EQ(modDlg::DialogFileName, "Secret");

  // A whole path from the home folder's sign works the same, in save mode too.
  modDlg::DialogFolder = folder;
  modDlg::DialogFileName = "";
  ran = OnShown<frmDlgFile>([&](frmDlgFile* w) {
    w->txtFile->setFocus();
    QTest::keyClicks(w->txtFile, QString::fromStdString(folder + "/.hidden/deeper/New"));
    QTest::keyClick(w->txtFile, Qt::Key_Return);
  });
  modDlg::ShowSaveDialog();
  ASSERT_TRUE(*ran);
  EXPECT_EQ(modDlg::DialogFolder, folder + "/.hidden/deeper");
  EXPECT_EQ(modDlg::DialogFileName, "New");
}
