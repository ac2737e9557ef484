// File > Import... in the entry window: the picker, the preview (column mapping,
// first rows, count, refused rows with reasons), all or nothing, leaving refused rows
// out, the form script's Update on each row, the first new record on screen. The
// preview with a refused row is the picture in docs/ (written to the source tree with
// QF_UPDATE_DOCS=1).
#include "tests/entry/EntryFixture.h"

#include "entry/frmImport.h"

using namespace qfentry;
namespace fs = std::filesystem;

namespace {

class Import : public EntryTest {
 protected:
  // The form: No "#", Name "ASF", Born "D", Notes "*M"; with the script given.
  std::string Form(const std::string& script = "") {
    MakeDatabase({{"No", 5, 1, "#"}, {"Name", 12, 1, "ASF"}, {"Born", 10, 1, "D"}, {"Notes", 40, 1, "*M"}},
                 {{" 1", "Old", "", ""}});
    return ChangeForm([&] { modDB::SetScript(script); });
  }
  // Runs File > Import... on `csv` (written to the test folder first); `drive` works
  // the preview.
  void RunImport(const std::string& csv, const std::function<void(frmImport*)>& drive) {
    qftest::WriteFile(dir / "in.csv", csv);
    modDlg::DialogFolder = dir.path().string();
    qfgui::OnShown<frmDlgFile>([&](frmDlgFile* picker) {
      EXPECT_EQ(picker->windowTitle(), "Import CSV File");
      ASSERT_NE(picker->cboType, nullptr);
      EXPECT_EQ(picker->cboType->itemText(1), "All files");
      picker->cboType->setCurrentIndex(1);  // every file, named whole
      EXPECT_TRUE(qfgui::FindRow(picker->lstDir, "in.csv") >= 0 && qfgui::FindRow(picker->lstDir, "Test.Qfd") >= 0);
      picker->cboType->setCurrentIndex(0);
      // The CSV files are listed without their extension.
      const auto items = picker->lstDir->findItems("in", Qt::MatchExactly);
      ASSERT_EQ(items.size(), 1);
      picker->lstDir->setCurrentItem(items.front());
      QTest::mouseClick(picker->lstDir->viewport(), Qt::LeftButton, {},
                        picker->lstDir->visualItemRect(items.front()).center());
      EXPECT_EQ(picker->txtFile->text(), "in");
      qfgui::OnShown<frmImport>([&](frmImport* w) { drive(w); });
      QTest::mouseClick(picker->cmdOk, Qt::LeftButton);
    });
    window->mnuImport->trigger();
  }
  // A click on a check box's own box (its middle may lie beyond its caption).
  static void Tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
  static QString Cell(QTableWidget* t, int r, int c) { return t->item(r, c) ? t->item(r, c)->text() : "<none>"; }
};

}  // namespace

TEST_F(Import, PreviewRefusedRowsAndLeavingThemOut) {
  frmEdit& w = Open(Form());  // Import offered: a disabled entry would import nothing below
  const std::string before = qftest::ReadFile(dir / "Test.Qfd");
  const std::string csv = "#,NAME,born,Street,notes\r\n"
                          "7,ann lee,01/02/2003,x,\"two\r\nlines\"\r\n"
                          "8,bob,31/02/2003,y,\r\n"
                          "9,cy,,z,\"say \"\"hi\"\"\"\r\n";
  RunImport(csv, [&](frmImport* p) {
    EXPECT_EQ(p->windowTitle(), "Import");
    EXPECT_EQ(p->lblSummary->text(),
              "in.csv, read as Windows-1252 (the program's own export): 3 rows, 2 good, 1 refused. Columns naming "
              "no field are left out. Nothing is imported while rows are refused, unless they are left out.");
    ASSERT_EQ(p->grdColumns->rowCount(), 5);
    for (auto [row, text] : {std::pair(0, "(record number: ignored)"), {1, "Name"}, {3, "(no such field: left out)"},
                             {4, "Notes"}})
      EXPECT_EQ(Cell(p->grdColumns, row, 1), text) << row;
    EXPECT_EQ(std::tuple(p->grdRows->rowCount(), Cell(p->grdRows, 0, 4)), std::tuple(3, "two\u00B6lines"));
    ASSERT_EQ(p->grdRefused->rowCount(), 1);
    // Line, field, value, reason; the first row takes lines 2 and 3.
    EXPECT_EQ(QStringList({Cell(p->grdRefused, 0, 0), Cell(p->grdRefused, 0, 1), Cell(p->grdRefused, 0, 2),
                           Cell(p->grdRefused, 0, 3)}),
              QStringList({"4", "Born", "31/02/2003", "Invalid date. Format (DD/MM/YYYY)"}));
    EXPECT_FALSE(p->btnImport->isEnabled() || p->chkUpdate->isEnabled());  // all or nothing; no script
    // The picture for the documentation.
    QApplication::processEvents();
    const QPixmap pix = p->grab();
    QStringList dirs{QStringLiteral(QF_BINARY_DIR "/docs")};
    if (qgetenv("QF_UPDATE_DOCS") == "1") dirs << QStringLiteral(QF_SOURCE_DIR "/docs");
    for (const QString& d : dirs) {
      ASSERT_TRUE(QDir().mkpath(d));
      EXPECT_TRUE(pix.save(d + "/import-preview.png"));
    }
    Tick(p->chkSkipBad);
    EXPECT_TRUE(p->btnImport->isEnabled());
    QTest::mouseClick(p->btnImport, Qt::LeftButton);
  });
  // Records 2 and 3 follow the old one, numbered by the store; record 2 is on screen.
  EXPECT_EQ(std::tuple(host.Last(), StoredCount()), std::tuple("", 3));
  qftest::ExpectJson(Stored(2), {{"/Fields/Name", "Ann Lee"}, {"/Fields/No", "2"}, {"/Fields/Notes", "two\r\nlines"}});
  EXPECT_EQ(Stored(3)["Fields"]["Notes"], "say \"hi\"");
  qfgui::ExpectTexts({{w.lblRecNo, " 2 / 3"}, {w.Dummy[2], "Ann Lee"}});
  // The refused row left out is kept beside the CSV (its bytes checked in csvimport_test).
  EXPECT_NE(qftest::ReadFile(dir / "in.rejected.csv").find("\r\n\"8\",\"bob\","), std::string::npos);
  EXPECT_NE(qftest::ReadFile(dir / "Test.Qfd"), before);
}

TEST_F(Import, CancelWritesNothingAndUpdateRunsOnEachRow) {
  frmEdit& w = Open(Form("Sub Start\r\nEnd Sub\r\nSub Update\r\n"
                         "  Qf.SetField \"Notes\", \"seen \" & Qf.GetField(\"Name\")\r\n"
                         "  If Qf.GetField(\"Name\") = \"Zed\" Then Qf.GetField \"No such field\"\r\n"
                         "End Sub"));
  const std::string before = qftest::ReadFile(dir / "Test.Qfd");
  RunImport("Name\r\nann\r\n", [&](frmImport* p) { QTest::mouseClick(p->btnCancel, Qt::LeftButton); });
  EXPECT_EQ(std::tuple(qftest::ReadFile(dir / "Test.Qfd") == before, w.lblRecNo->text()), std::tuple(true, " 1 / 1"));

  RunImport("Name\r\nann\r\nzed\r\nbo\r\n", [&](frmImport* p) {
    EXPECT_TRUE(p->chkUpdate->isChecked());  // the script has an Update
    QTest::mouseClick(p->btnImport, Qt::LeftButton);
  });
  // The failing call told of itself, as when the record is typed; then the import.
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(std::tuple(host.boxes[0].title, host.Last(), StoredCount(), w.lblRecNo->text()),
            std::tuple("GetField", "IMPORT: 1 row(s) were left out: the form script's Update refused them", 3,
                       " 2 / 3"));
  EXPECT_EQ(Stored(2)["Fields"]["Notes"], "seen Ann");
  qftest::ExpectJson(Stored(3), {{"/Fields/Name", "Bo"}, {"/Fields/No", "3"}});

  EXPECT_TRUE(frmImport::HasUpdate("sub start\r\nend sub\r\n  Public Sub UPDATE()\r\nEnd Sub"));
  EXPECT_FALSE(frmImport::HasUpdate("Sub UpdateAll\r\nEnd Sub\r\n' Sub Update"));
}
