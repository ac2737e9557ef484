// Printing from the entry window onto the built-in "PDF File" printer: the dialog's
// opening state, its checks in order with their messages and focus, the order and
// number of printed pages (read back with pdfinfo and pdftotext), orientation, the
// error path, and the entry window back on its record and page afterwards.
#include "tests/entry/EntryFixture.h"

#include <regex>

#include "entry/frmPrint.h"
#include "entry/Printers.h"

using namespace qfentry;
namespace fs = std::filesystem;

namespace {

// Replaces a box's text with real keys: End, Backspace over the old text, then the
// new characters.
void Retype(QLineEdit* box, const QString& keys) {
  box->setFocus();
  QTest::keyClick(box, Qt::Key_End);
  for (int i = box->text().size(); i > 0; --i) QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, keys);
}

// An option button takes clicks on its circle and caption only.
void Choose(QRadioButton* option) { QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2)); }

class Print : public EntryTest {
 protected:
  // A two-page form (A on page 1, B on page 2, a banner on each) stored with the
  // given orientation, and records holding "AlphaN" and "BetaN".
  std::string MakeForm(int records, uint8_t orientation = 1, bool twoPages = true) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 1; r <= records; ++r) rows.push_back({"Alpha" + std::to_string(r), "Beta" + std::to_string(r)});
    MakeDatabase({{"A", 20, 1, "AS"}, {"B", 20, twoPages ? 2 : 1, "AS"}}, rows, 1);
    const std::string file = ChangeForm([&] {
      if (twoPages) {
        modDB::BannerDef b = qfgui::MakeBanner("Second page", 2, 20, 30);
        EXPECT_NE(modDB::InsertBanner(b), 0);
      }
      modDB::SetOrientation(orientation);
    });
    host.replies.clear();
    return file;
  }

  // Chooses "PDF File", answers the save picker with `name` (empty: cancel) and
  // presses Print.
  void PrintToPdf(frmPrint* d, const QString& name) {
    qfgui::ClickItem(d->lstPrinter, qfgui::FindRow(d->lstPrinter, Printers::kPdfFile));
    modDlg::DialogFolder = dir.path().string();
    AnswerSavePicker("*.Pdf", name);
    QTest::mouseClick(d->cmdPrint, Qt::LeftButton);
  }

  // Width and height of each page in points, as pdfinfo reads them.
  std::vector<std::pair<double, double>> PdfPageSizes(const std::string& pdf) {
    const auto r = qftest::RunProgram({"/usr/bin/pdfinfo", "-f", "1", "-l", "999", pdf});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::pair<double, double>> out;
    const std::regex size("size:\\s+([\\d.]+) x ([\\d.]+) pts");
    for (std::sregex_iterator m(r.out.begin(), r.out.end(), size), end; m != end; ++m)
      out.push_back({std::stod((*m)[1]), std::stod((*m)[2])});
    return out;
  }
  // The printed pages as "record/page" read from their text (pdftotext ends each page
  // with a form feed).
  std::vector<std::string> PrintedPages(const std::string& pdf) {
    const auto r = qftest::RunProgram({"/usr/bin/pdftotext", pdf, "-"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> out;
    std::smatch m;
    for (size_t at = 0, end; (end = r.out.find('\f', at)) != std::string::npos; at = end + 1) {
      const std::string text = r.out.substr(at, end - at);
      std::string page = "?";
      if (std::regex_search(text, m, std::regex("Alpha(\\d+)"))) page = std::string(m[1]) + "/1";
      if (std::regex_search(text, m, std::regex("Beta(\\d+)"))) page = page == "?" ? std::string(m[1]) + "/2" : "both";
      out.push_back(page);
      EXPECT_EQ(text.find(" / "), std::string::npos) << "the toolbar strip was printed on page " << out.size();
    }
    return out;
  }
};

}  // namespace

TEST_F(Print, RecordsTwoToFourPagesOneToTwoGiveSixPagesInOrderAndTheWindowComesBack) {
  const std::string file = MakeForm(5);
  qftest::QfdOk({"delete", dir / "Test", "3"});  // record 3 is marked: printed like the others
  frmEdit& w = Open(file);
  w.mnuLastRecord->trigger();
  w.mnuNextPage->trigger();
  ASSERT_EQ(w.CurPage, 2);
  bool closed = false;
  Through<frmPrint>(w.mnuPrint, [&](frmPrint* d) {
    // Opening: current printer, current record and page, one copy, the form's
    // orientation.
    EXPECT_EQ(d->windowTitle(), "Print");
    ASSERT_EQ(d->lstPrinter->selectedItems().size(), 1);
    EXPECT_EQ(d->lstPrinter->selectedItems()[0]->text(), Printers::Current());
    EXPECT_NE(qfgui::FindRow(d->lstPrinter, "PDF File"), -1);
    EXPECT_TRUE(d->optCurrent->isChecked() && d->optPageCurrent->isChecked() && d->optPotrait->isChecked());
    EXPECT_FALSE(d->txtFrom->isEnabled() || d->txtTo->isEnabled() || d->txtFrmP2P->isEnabled());
    qfgui::ExpectTexts({{d->txtCopies, "1"}, {d->txtFrmP2P, "2"}, {d->txtToP2P, "2"}});

    Choose(d->optRange);
    qfgui::ExpectTexts({{d->txtFrom, "1"}, {d->txtTo, "5"}});
    EXPECT_TRUE(d->txtFrom->isEnabled() && d->txtTo->isEnabled());
    Retype(d->txtFrom, "2");
    Retype(d->txtTo, "4");
    Choose(d->optPageRange);
    qfgui::ExpectTexts({{d->txtFrmP2P, "1"}, {d->txtToP2P, "2"}});
    qfgui::Shot(d, "frmPrint");
    PrintToPdf(d, "range");
    closed = !d->isVisible();
  });
  EXPECT_EQ(std::tuple(closed, host.Last()), std::tuple(true, ""));

  const std::string pdf = dir / "range.pdf";
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_EQ(PrintedPages(pdf), (std::vector<std::string>{"2/1", "2/2", "3/1", "3/2", "4/1", "4/2"}));
  const auto [width, height] = PdfPageSizes(pdf).at(0);
  EXPECT_LT(width, height) << "portrait";
  qftest::RunProgram({"/usr/bin/pdftoppm", "-png", "-r", "96", "-f", "1", "-l", "2", pdf,
                      std::string(QF_BINARY_DIR) + "/gui-shots/print_range"});

  // The window is back on record 5, page 2, with its toolbar; the printer stays.
  EXPECT_EQ(std::tuple(modDB::GetRecordNo(), w.CurPage, w.cTBar->isVisible(), w.Dummy[2]->isVisible()),
            std::tuple(5, 2, true, true));
  qfgui::ExpectTexts({{w.lblRecNo, " 5 / 5"}, {w.Dummy[2], "Beta5"}});
  EXPECT_EQ(Printers::Current(), Printers::kPdfFile);
  qfgui::Shot(w.surface, "print_window_5_2");
}

TEST_F(Print, TheChecksRunInOrderEachWithItsMessageAndFocus) {
  frmEdit& w = Open(MakeForm(5));
  // Each check in turn: its message, the box the focus goes to (none: the printer
  // list), and what the user types there to mend it before the next press.
  const struct {
    const char* message;
    QLineEdit* frmPrint::*box;
    QString mend;
  } checks[] = {
      {"From must be > 0", &frmPrint::txtFrom, "a6"},
      {"To must be <5", &frmPrint::txtTo, "2"},
      {"From record can be 1 to 5", &frmPrint::txtFrom, "3"},
      {"To record can be 3 to 5", &frmPrint::txtTo, "4"},
      {"Select Printer", nullptr, ""},
      {"Copies can be 1 to 10", &frmPrint::txtCopies, "0"},
      {"Copies can be 1 to 10", &frmPrint::txtCopies, "10"},
      {"From page can be 1 to 2", &frmPrint::txtFrmP2P, "0"},
      {"From page can be 1 to 2", &frmPrint::txtFrmP2P, "2"},
      {"To page can be 1 to 2", &frmPrint::txtToP2P, "1"},
      {"To page can be 1 to 2", &frmPrint::txtToP2P, "3"},
      {"To page can be 1 to 2", &frmPrint::txtToP2P, ""},
  };
  int pressed = 0;
  Through<frmPrint>(w.mnuPrint, [&](frmPrint* d) {
    // Letters typed into the number boxes are swallowed.
    Retype(d->txtCopies, "x1y");
    EXPECT_EQ(d->txtCopies->text(), "1");

    // Everything wrong at once, then put right one by one: each press shows the
    // next check's message.
    Choose(d->optRange);
    Choose(d->optPageRange);
    Retype(d->txtFrom, "0");
    Retype(d->txtTo, "6");
    QTest::mouseClick(d->lstPrinter->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      qfgui::ItemPos(d->lstPrinter, d->lstPrinter->currentRow()));
    EXPECT_TRUE(d->lstPrinter->selectedItems().isEmpty());
    Retype(d->txtCopies, "11");
    Retype(d->txtFrmP2P, "3");
    Retype(d->txtToP2P, "0");
    for (const auto& c : checks) {
      ++pressed;
      host.Clear();
      QTest::mouseClick(d->cmdPrint, Qt::LeftButton);
      EXPECT_TRUE(d->isVisible());
      SCOPED_TRACE("press " + std::to_string(pressed));
      ExpectBox(std::string(": ") + c.message, modDB::vbOKOnly);
      QWidget* box = c.box ? static_cast<QWidget*>(d->*c.box) : d->lstPrinter;
      EXPECT_EQ(QApplication::focusWidget(), box) << "focus after press " << pressed << ": " << c.message;
      if (!c.box)
        qfgui::ClickItem(d->lstPrinter, qfgui::FindRow(d->lstPrinter, Printers::kPdfFile));
      else if (!c.mend.isEmpty())
        Retype(d->*c.box, c.mend);
    }
    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
  });
  EXPECT_EQ(std::tuple(pressed, modDB::GetRecordNo()), std::tuple(static_cast<int>(std::size(checks)), 1));
  for (const auto& e : fs::directory_iterator(dir.path())) EXPECT_NE(e.path().extension(), ".pdf");
}

TEST_F(Print, OnePageFormsAndEmptyRangesPrintNothingExtra) {
  frmEdit& w = Open(MakeForm(4, 2, false));  // stored landscape
  bool closed = false;
  Through<frmPrint>(w.mnuPrint, [&](frmPrint* d) {
    EXPECT_TRUE(d->optLandscape->isChecked() && !d->optPotrait->isChecked());
    qfgui::ExpectTexts({{d->txtFrmP2P, "1"}, {d->txtToP2P, "1"}});
    EXPECT_FALSE(d->txtFrmP2P->isEnabled() || d->txtToP2P->isEnabled());
    // A range that holds no record is refused with the range that would do, and
    // nothing is printed: no file is asked for.
    Choose(d->optRange);
    Retype(d->txtFrom, "4");
    Retype(d->txtTo, "2");
    qfgui::ClickItem(d->lstPrinter, qfgui::FindRow(d->lstPrinter, Printers::kPdfFile));
    QTest::mouseClick(d->cmdPrint, Qt::LeftButton);
    ExpectBox(": To record can be 4 to 4", modDB::vbOKOnly);
    EXPECT_EQ(QApplication::focusWidget(), d->txtTo);
    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    closed = !d->isVisible();
  });
  EXPECT_EQ(std::tuple(closed, w.cTBar->isVisible(), host.boxes.size()), std::tuple(true, true, 1u));
}

TEST_F(Print, ThreeCopiesInLandscapeThenACancelledNameAndAFailedPrint) {
  frmEdit& w = Open(MakeForm(3));
  w.mnuNextRecord->trigger();  // record 2, page 1
  Through<frmPrint>(w.mnuPrint, [&](frmPrint* d) {
    Retype(d->txtCopies, "3");
    Choose(d->optLandscape);
    PrintToPdf(d, "copies.PDF");
  });
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  const std::string pdf = dir / "copies.PDF";
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_EQ(PrintedPages(pdf), (std::vector<std::string>{"2/1", "2/1", "2/1"}));
  for (const auto& [width, height] : PdfPageSizes(pdf)) EXPECT_GT(width, height) << "landscape";
  EXPECT_EQ(modDB::GetOrientation(), 1) << "the choice is not stored in the form";

  // A cancelled file name keeps the dialog; a failed print restores the window.
  w.mnuLastRecord->trigger();
  w.mnuNextPage->trigger();
  Through<frmPrint>(w.mnuPrint, [&](frmPrint* d) {
    EXPECT_TRUE(d->optPotrait->isChecked());  // the form's orientation again
    PrintToPdf(d, "");
    EXPECT_TRUE(d->isVisible() && d->cmdPrint->isEnabled());
    // A file name the system cannot write to: a folder of that name.
    fs::create_directory(dir / "busy.pdf");
    Choose(d->optRange);
    Choose(d->optPageRange);
    PrintToPdf(d, "busy");
    EXPECT_FALSE(d->isVisible());
  });
  ExpectBox("Print: Error occured while prinitng", modDB::vbCritical);
  EXPECT_EQ(std::tuple(modDB::GetRecordNo(), w.CurPage, w.cTBar->isVisible()), std::tuple(3, 2, true));
  qfgui::ExpectTexts({{w.lblRecNo, " 3 / 3"}, {w.Dummy[2], "Beta3"}});
}
