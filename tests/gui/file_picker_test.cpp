// The file picker and its launchers: load mode against save mode, folders in
// brackets, names without extension, the current folder, drives and ShortenPath.

#include "common/frmDlgFile.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;
namespace fs = std::filesystem;

class FilePicker : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    for (const char* sub : {"Forms", "Archive"}) fs::create_directories(tmp.path() / sub);
    for (const char* file : {"Contacts.Qfd", "stock.qfd", "notes.txt", "Forms/Inner.Qfd"})
      qftest::WriteFile(tmp / file, "x");
    folder = fs::canonical(tmp.path()).string();
    modDlg::DialogFolder = folder;
    modDlg::DialogFilter = "*.Qfd";
  }
  // Where the picker left the exchange members: folder and name.
  static std::tuple<std::string, std::string> Picked() { return {modDlg::DialogFolder, modDlg::DialogFileName}; }
  qftest::TempDir tmp;
  std::string folder;
};

TEST_F(FilePicker, LoadModeListsFoldersAndNamesADoubleClickOrTheKeysOpen) {
  modDlg::DialogFileName = "left over";
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    EXPECT_EQ(std::tuple(w->windowTitle(), w->txtPath->text().toStdString(), ListTexts(w->lstDrive).value(0)),
              std::tuple("Load", frmDlgFile::ShortenPath(folder), "/"));
    // ".." in brackets, the folders, then the matching files without extension (any case).
    EXPECT_EQ(ListTexts(w->lstDir).join('|'), "[..]|[Archive]|[Forms]|Contacts|stock");
    // A path may be typed; the launcher clears the name for loading.
    EXPECT_EQ(std::tuple(w->txtFile->isEnabled(), w->txtFile->text()), std::tuple(true, ""));
    Shot(w, "frmDlgFile_load");
    ClickItem(w->lstDir, FindRow(w->lstDir, "[Forms]"));  // a folder: the box stays
    EXPECT_EQ(w->txtFile->text(), "");
    ClickItem(w->lstDir, FindRow(w->lstDir, "stock"));
    EXPECT_EQ(w->txtFile->text(), "stock");
    DblClickItem(w->lstDir, FindRow(w->lstDir, "Contacts"));
  });
  modDlg::ShowOpenDialog();
  // The folder shown is the current folder: a bare name saved later lands there.
  EXPECT_EQ(std::tuple(modDlg::DialogTitle, int(modDlg::DialogSaveMode), Picked(), Platform::CurrentFolder()),
            std::tuple("Load", 0, std::tuple(folder, "Contacts"), folder));

  // The keyboard alone: the name box has the focus; Up and Down there walk the list,
  // a folder's name opens it on Enter; in the list the arrows choose a file and Enter
  // opens it.
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    ASSERT_EQ(QApplication::focusWidget(), w->txtFile);
    for (int k = 0; k < 3; ++k) QTest::keyClick(w->txtFile, Qt::Key_Down);
    EXPECT_EQ(w->txtFile->text(), "Forms");  // [..], [Archive], [Forms]
    QTest::keyClick(w->txtFile, Qt::Key_Return);
    EXPECT_EQ(ListTexts(w->lstDir).join('|'), "[..]|Inner");
    w->lstDir->setFocus();
    for (int k = 0; k < 2; ++k) QTest::keyClick(w->lstDir, Qt::Key_Down);
    EXPECT_EQ(w->txtFile->text(), "Inner");
    QTest::keyClick(w->lstDir, Qt::Key_Return);
  });
  modDlg::ShowOpenDialog();
  EXPECT_EQ(Picked(), std::tuple(folder + "/Forms", "Inner"));
}

TEST_F(FilePicker, SaveModeProposesTheNameADoubleClickFillsItCancelKeepsItAndDrives) {
  modDlg::DialogFileName = "Proposal";
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    EXPECT_EQ(std::tuple(w->txtFile->text(), w->txtFile->isEnabled()), std::tuple("Proposal", true));
    DblClickItem(w->lstDir, FindRow(w->lstDir, "stock"));
    EXPECT_EQ(std::tuple(w->isVisible(), w->txtFile->text()), std::tuple(true, "stock"));
    w->txtFile->clear();
    QTest::keyClicks(w->txtFile, "New Form");
    Shot(w, "frmDlgFile_save");
    QTest::mouseClick(w->cmdOk, Qt::LeftButton);
  });
  modDlg::ShowSaveDialog();
  EXPECT_EQ(std::tuple(modDlg::DialogTitle, int(modDlg::DialogSaveMode)), std::tuple("Save As", -1));
  EXPECT_EQ(Picked(), std::tuple(folder, "New Form"));

  // Folders change the process's folder; Cancel changes no member.
  modDlg::DialogFileName = "Keep";
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    DblClickItem(w->lstDir, FindRow(w->lstDir, "[Forms]"));
    EXPECT_EQ(std::tuple(ListTexts(w->lstDir).join('|'), w->txtFile->text()), std::tuple("[..]|Inner", ""));
    DblClickItem(w->lstDir, FindRow(w->lstDir, "[..]"));
    EXPECT_TRUE(ListTexts(w->lstDir).contains("Contacts"));
    DblClickItem(w->lstDir, FindRow(w->lstDir, "[Archive]"));
    QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
  });
  modDlg::ShowSaveDialog();
  // The folder the user went to stays the process's current folder.
  EXPECT_EQ(std::tuple(Picked(), Platform::CurrentFolder()),
            std::tuple(std::tuple(folder, "Keep"), folder + "/Archive"));

  // Drives: the root's parent is the root; a drive that cannot be read leaves the folder.
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    DblClickItem(w->lstDrive, FindRow(w->lstDrive, "/"));
    EXPECT_TRUE(w->CurFolder == "/" && w->lstDir->count() > 0);
    DblClickItem(w->lstDir, FindRow(w->lstDir, "[..]"));  // the root keeps itself
    EXPECT_EQ(w->CurFolder, "/");
    ASSERT_TRUE(Platform::SetCurrentFolder(folder));
    w->lstDrive->addItem("/no-such-volume");
    DblClickItem(w->lstDrive, w->lstDrive->count() - 1);
    EXPECT_EQ(w->CurFolder.toStdString(), folder);
    Shot(w, "frmDlgFile_drive");
  });
  modDlg::ShowOpenDialog();
  ExpectBox("QfTest: Drive unavailable.", modDB::vbCritical | modDB::vbOKOnly);
}

TEST(ShortenPath, LongPathsKeepTheirEnds) {
  const std::string p60 = "/home/user/projects/forms/customers/2026/october/invoices/a";
  ASSERT_EQ(p60.size(), 59u);
  const std::string p = p60 + "b";
  EXPECT_EQ(frmDlgFile::ShortenPath(p), p.substr(0, 22) + " .. " + p.substr(38));  // 48 characters
  EXPECT_EQ(frmDlgFile::ShortenPath(std::string(50, 'a')), std::string(50, 'a'));
  EXPECT_EQ(frmDlgFile::ShortenPath(std::string(51, 'a')), std::string(22, 'a') + " .. " + std::string(22, 'a'));
  EXPECT_EQ(frmDlgFile::ShortenPath(""), "");
}

// A hidden folder, which the list does not show, is reached by typing its path: Ok on
// a folder goes there; Ok on a path to a file goes to its folder and takes the name.
TEST_F(FilePicker, TypedPathsReachHiddenFoldersAFolderGoneOrNoneIsTheCurrentOne) {
  fs::create_directories(tmp.path() / ".hidden" / "deeper");
  qftest::WriteFile(tmp / ".hidden/Secret.Qfd", "x");
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    EXPECT_EQ(ListTexts(w->lstDir).indexOf("[.hidden]"), -1);
    w->txtFile->setFocus();
    QTest::keyClicks(w->txtFile, ".hidden");
    QTest::keyClick(w->txtFile, Qt::Key_Return);
    // A folder: shown, not picked.
    EXPECT_EQ(std::tuple(w->isVisible(), w->CurFolder, ListTexts(w->lstDir).join('|'), w->txtFile->text()),
              std::tuple(true, QString::fromStdString(folder + "/.hidden"), "[..]|[deeper]|Secret", ""));
    QTest::keyClicks(w->txtFile, "deeper/../Secret");
    QTest::keyClick(w->txtFile, Qt::Key_Return);
  });
  modDlg::ShowOpenDialog();
  EXPECT_EQ(Picked(), std::tuple(folder + "/.hidden", "Secret"));

  // A whole path from the home folder's sign works the same, in save mode too.
  modDlg::DialogFolder = folder;
  modDlg::DialogFileName = "";
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    w->txtFile->setFocus();
    QTest::keyClicks(w->txtFile, QString::fromStdString(folder + "/.hidden/deeper/New"));
    QTest::keyClick(w->txtFile, Qt::Key_Return);
  });
  modDlg::ShowSaveDialog();
  EXPECT_EQ(Picked(), std::tuple(folder + "/.hidden/deeper", "New"));

  // A folder that is gone, or none, is the current folder; an empty filter lists every file.
  ASSERT_TRUE(Platform::SetCurrentFolder(folder + "/Forms"));
  modDlg::DialogFolder = folder + "/Removed";
  OnShown<frmDlgFile>([&](frmDlgFile* w) { QTest::mouseClick(w->cmdOk, Qt::LeftButton); });
  modDlg::ShowOpenDialog();
  EXPECT_EQ(modDlg::DialogFolder, folder + "/Forms");

  ASSERT_TRUE(Platform::SetCurrentFolder(folder));
  modDlg::DialogFolder = "";
  modDlg::DialogFilter = "";
  OnShown<frmDlgFile>([&](frmDlgFile* w) {
    EXPECT_EQ(ListTexts(w->lstDir).join('|'), "[..]|[Archive]|[Forms]|Contacts|notes|stock");
    QTest::mouseClick(w->cmdOk, Qt::LeftButton);
  });
  modDlg::ShowOpenDialog();
  EXPECT_EQ(Picked(), std::tuple(folder, ""));
}
