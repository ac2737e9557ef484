// The CSV export from the entry window: the same file as `qfd export` (its bytes are
// checked in the engine and transfer tests), the name rule, a cancelled picker, and
// the current record kept.
#include "tests/entry/EntryFixture.h"

using namespace qfentry;
namespace fs = std::filesystem;

namespace {

class Export : public EntryTest {
 protected:
  std::string Read(const std::string& name) { return qftest::ReadFile(dir / name); }
  std::vector<std::string> CsvFiles() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path().extension() != ".Qfd") out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  // `qfd export` of the same database, run as its own process.
  std::string QfdExport(std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"export", dir / "Test.Qfd", dir / "qfd.out"});
    qftest::QfdOk(extra);
    const std::string bytes = Read("qfd.out");
    fs::remove(dir / "qfd.out");
    return bytes;
  }
};

void SelectAll(frmExport* w) { QTest::mouseClick(w->Command1, Qt::LeftButton); }

}  // namespace

TEST_F(Export, EveryRecordWithItsNumberAndQuotedValuesAsQfdWritesThem) {
  const std::string file = MakeDatabase({{"Name", 20, 1, "AS"}, {"City", 20, 1, "AS"}, {"Notes", 60, 2, "AS"}},
                                        {{"Ann", "Rome", "first line\r\nsecond line"},
                                         {"Bo \"the Bear\"", "Oslo, Norway", ""},
                                         {"  Cy  ", "", "a\r\nb\r\nc"},
                                         {"Di", "Paris", "caf\xE9"}});
  qftest::QfdOk({"delete", dir / "Test", "3"});  // record 3, marked for deletion: exported all the same
  frmEdit& w = Open(file);
  w.mnuNextRecord->trigger();  // the export starts on record 2
  const QString shownBefore = w.lblRecNo->text();

  QStringList entries;
  ASSERT_TRUE(RunExport(
      [&](frmExport* d) {
        entries = qfgui::ListTexts(d->lstField);
        EXPECT_TRUE(d->lstField->selectedItems().isEmpty());
        SelectAll(d);
        EXPECT_EQ(d->lstField->selectedItems().size(), 3);
        qfgui::Shot(d, "frmExport");
      },
      "people"));
  EXPECT_EQ(entries.join('|'), "Name|City|Notes");
  // The bytes as the engine writes them (each rule in csvexport_test).
  EXPECT_EQ(Read("people.csv"), QfdExport());
  // No message; the progress shown, then hidden.
  EXPECT_EQ(std::tuple(host.Last(), host.Progress()), std::tuple("", std::vector<int>{4, 0, 4, 4, 1}));
  // The window stays on its record; its display is left as it was.
  EXPECT_EQ(std::tuple(modDB::GetRecordNo(), w.lblRecNo->text(), w.Mode), std::tuple(2, shownBefore, 1));

  // With spreadsheet quoting in UTF-8 (offered with the quoting alone) and the
  // deletion marks, as qfd writes them.
  ASSERT_TRUE(RunExport(
      [&](frmExport* d) {
        SelectAll(d);
        EXPECT_FALSE(d->chkUtf8->isEnabled());
        d->chkQuoting->setChecked(true);
        d->chkUtf8->setChecked(true);
        d->chkDeleted->setChecked(true);
      },
      "marked"));
  EXPECT_EQ(Read("marked.csv"), QfdExport({"--rfc4180", "--utf8", "--with-deleted"}));
}

TEST_F(Export, SelectedFieldsGoInSlotOrderAndNoneLeavesTheNumbersAlone) {
  const std::string file =
      MakeDatabase({{"Name", 10, 1, "AS"}, {"City", 10, 1, "AS"}, {"Zip", 5, 1, "N"}},
                   {{"Ann", "Rome", "00100"}, {"Bo", "Oslo", "0150"}});
  frmEdit& w = Open(file);
  w.mnuLastRecord->trigger();

  // The list selects as the help says: a click picks one field, Shift+click a range,
  // Ctrl+click adds or drops one. Zip picked first, then Name: the columns follow
  // the slots all the same.
  ASSERT_TRUE(RunExport(
      [](frmExport* d) {
        QWidget* v = d->lstField->viewport();
        auto click = [&](int row, Qt::KeyboardModifiers keys) {
          QTest::mouseClick(v, Qt::LeftButton, keys, qfgui::ItemPos(d->lstField, row));
        };
        qfgui::ClickItem(d->lstField, 1);
        qfgui::ClickItem(d->lstField, 0);  // a plain click: this one alone
        EXPECT_EQ(d->lstField->selectedItems().size(), 1);
        click(2, Qt::ShiftModifier);
        EXPECT_EQ(d->lstField->selectedItems().size(), 3);
        qfgui::ClickItem(d->lstField, 2);
        click(0, Qt::ControlModifier);
        click(1, Qt::ControlModifier);
        EXPECT_EQ(d->lstField->selectedItems().size(), 3);
        click(1, Qt::ControlModifier);  // dropped again
      },
      "some"));
  EXPECT_EQ(Read("some.csv").substr(0, 12), "#,Name,Zip\r\n");
  EXPECT_EQ(Read("some.csv"), QfdExport({"--fields", "Zip,Name"}));

  // With no field selected the export asks first: No keeps the dialog open, with
  // nothing written; Yes writes the record numbers alone.
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  const std::string ask = "No field is selected: the file will hold only the record numbers.\r\nExport anyway?";
  host.replies = {modDB::vbNo};
  Through<frmExport>(w.mnuExport, [&](frmExport* d) {
    QTest::mouseClick(d->btnExport, Qt::LeftButton);
    EXPECT_EQ(std::tuple(d->isVisible(), QApplication::focusWidget()), std::tuple(true, d->lstField));
  });
  ExpectBox("Export: " + ask, modDB::vbYesNo | modDB::vbQuestion | modDB::vbDefaultButton2);
  host.Clear();
  host.replies = {modDB::vbYes};
  ASSERT_TRUE(RunExport([](frmExport*) {}, "none"));
  EXPECT_EQ(std::tuple(host.Last(), modDB::GetRecordNo()), std::tuple("Export: " + ask, 2));
  EXPECT_EQ(Read("none.csv"), QfdExport({"--fields", ""}));
}

TEST_F(Export, ADatabaseWithoutRecordsGivesTheHeadingAlone) {
  frmEdit& w = Open(MakeDatabase({{"Name", 10, 1, "AS"}, {"City", 10, 1, "AS"}}));
  ASSERT_TRUE(RunExport(SelectAll, "empty"));  // offered: a disabled entry shows no dialog
  EXPECT_EQ(Read("empty.csv"), QfdExport());
  EXPECT_EQ(std::tuple(host.Last(), host.showPer, modDB::GetRecordNo(), w.lblRecNo->text()),
            std::tuple("", 0, 0, "Record"));
}

// The window names its file by the engine's rule (each case of it in csvexport_test)
// and shows the engine's refusal (each refusal in the transfer tests).
TEST_F(Export, TheNameRuleACancelledPickerAndAFailedWrite) {
  Open(MakeDatabase({{"Name", 10, 1, "AS"}}, {{"Ann"}, {"Bo"}}));
  ASSERT_TRUE(RunExport(SelectAll, ""));
  EXPECT_TRUE(CsvFiles().empty());
  for (const char* name : {"B.CSV", "e.txt"}) ASSERT_TRUE(RunExport(SelectAll, name));
  EXPECT_EQ(CsvFiles(), (std::vector<std::string>{"B.CSV", "e.txt.csv"}));
  for (const std::string& f : CsvFiles()) EXPECT_EQ(Read(f), "#,Name\r\n1,\"Ann\"\r\n2,\"Bo\"\r\n") << f;
  EXPECT_TRUE(host.boxes.empty()) << host.Last();

  // A name the file system cannot take as a file: the failure is reported, never
  // passed off as an export.
  fs::create_directory(dir / "taken.csv");
  ASSERT_TRUE(RunExport(SelectAll, "taken"));
  ExpectBox("EXPORT: FILE:" + (dir / "taken.csv") + " cannot be written: it is a folder", modDB::vbCritical);
  EXPECT_EQ(modDB::GetRecordNo(), 1);
}

// The other formats come from the same window, as qfd writes them (each read back in
// the transfer tests); the quoting boxes are CSV's alone.
TEST_F(Export, AStataFileNamedByItsExtension) {
  Open(MakeDatabase({{"Name", 10, 1, "AS"}, {"Age", 3, 1, "N"}}, {{"Ann", "42"}, {"Bo", ""}}));
  ASSERT_TRUE(RunExport(
      [](frmExport* d) {
        SelectAll(d);
        d->chkQuoting->setChecked(true);
        d->cboFormat->setCurrentIndex(1);
        EXPECT_FALSE(d->chkQuoting->isEnabled() || d->chkUtf8->isEnabled());
      },
      "people", "*.dta"));
  EXPECT_EQ(CsvFiles(), (std::vector<std::string>{"people.dta"}));
  const auto r = qftest::RunProgram({"/usr/bin/readstat", dir / "people.dta", "-"});
  EXPECT_EQ(r.out, "\"Name\",\"Age\"\n\"Ann\",42\n\"Bo\",\n") << r.err;
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}
