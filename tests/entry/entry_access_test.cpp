// The entry window as a screen reader finds it (Qt's accessibility interface, the
// same tree the desktop's accessibility bus carries), and its low-vision view: high
// contrast and zoom, remembered per user and never written into the database.
#include "tests/entry/EntryFixture.h"

#include <cmath>

#include "common/QtText.h"
#include "entry/Accessible.h"
#include "entry/frmBrowse.h"
#include "entry/frmImport.h"
#include "entry/frmPrint.h"
#include "entry/frmSearch.h"
#include "entry/Printers.h"
#include "entry/ViewSettings.h"

using namespace qfentry;

namespace {

QAccessibleInterface* Iface(QObject* o) { return QAccessible::queryAccessibleInterface(o); }

// The form's children of one role as the tree holds them.
std::vector<QAccessibleInterface*> FormChildren(frmEdit& w, QAccessible::Role role) {
  std::vector<QAccessibleInterface*> out;
  QAccessibleInterface* form = Iface(w.surface);
  for (int i = 0; i < form->childCount(); ++i)
    if (QAccessibleInterface* c = form->child(i); c && c->role() == role) out.push_back(c);
  return out;
}
std::vector<std::pair<QString, QString>> FieldsRead(frmEdit& w) {
  std::vector<std::pair<QString, QString>> out;
  for (QAccessibleInterface* c : FormChildren(w, QAccessible::EditableText))
    out.push_back({c->text(QAccessible::Name), c->text(QAccessible::Description)});
  return out;
}
// Every field's box may be typed into, but the numbered one ("No."), or none may.
void ExpectEditable(frmEdit& w, bool editing) {
  for (QAccessibleInterface* c : FormChildren(w, QAccessible::EditableText)) {
    const bool typed = editing && c->text(QAccessible::Name) != "No.";
    EXPECT_EQ(std::tuple(c->state().editable != 0, c->state().readOnly != 0), std::tuple(typed, !typed))
        << c->text(QAccessible::Name).toStdString();
  }
}

using Expected = std::vector<std::pair<QString, QString>>;
const Expected kContactsPage1 = {
    {"No.", "numbered automatically, cannot be typed into"},
    {"First name", "letters and blanks, first letters capital, required, at most 30"},
    {"Last name", "letters and blanks, first letters capital, required, at most 30"},
    {"Company", "any characters, at most 40"},
    {"Phone", "digits, blanks and minus sign, at most 20"},
    {"E-mail", "e-mail address, at most 60"},
    {"Web site", "web address, at most 60"},
    {"City", "letters and blanks, upper case, at most 30"},
};
const Expected kContactsPage2 = {
    {"Birthday", "date, day/month/year"},
    {"Call after", "time, hours:minutes:seconds"},
    {"Active (Y/N)", "yes or no, type Y or N"},
    {"Rating", "digits and full stop, at most 4"},
    {"Full name", "computed, cannot be typed into"},
    {"Notes", "any characters, several lines, at most 400"},
    {"Tag", "letters only, lower case, at most 12"},
};

// Runs `paint` whenever the watched widget is painted.
struct PaintWatch : QObject {
  explicit PaintWatch(std::function<void()> paint) : paint_(std::move(paint)) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) paint_();
    return false;
  }
  std::function<void()> paint_;
};

class AccessTest : public EntryTest {
 protected:
  void SetUp() override {
    EntryTest::SetUp();
    // The settings go to this test's own folder: tests run side by side.
    for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(dir.path().string()));
    Clear();
  }
  void TearDown() override {
    EntryTest::TearDown();
    Clear();
  }
  static void Clear() { QSettings(QSettings::UserScope, "Qf", QCoreApplication::applicationName()).clear(); }
};

}  // namespace

TEST(AccessibleWords, FormatsInWords) {
  using Accessible::FormatInWords;
  // "N" and "D" alone: the forms read in the tests below.
  EXPECT_EQ(FormatInWords("D!", 10, 2), "date, month/day/year, required");
  EXPECT_EQ(FormatInWords("", 10, 1), "cannot be typed into");
  EXPECT_EQ(FormatInWords("U", 10, 1), "cannot be typed into");  // no key passes
  EXPECT_EQ(FormatInWords("#N", 5, 1), "numbered automatically, cannot be typed into");
  EXPECT_EQ(FormatInWords("=*", 5, 1), "computed, cannot be typed into");
  // The key rules' precedence: e-mail before date; the last case conversion wins.
  EXPECT_EQ(FormatInWords("DE", 30, 1), "e-mail address, at most 30");
  EXPECT_EQ(FormatInWords("AULF", 8, 1), "letters only, first letters capital, at most 8");
  EXPECT_EQ(FormatInWords("ANS.-ML", 8, 1),
            "digits, letters, blanks, full stop and minus sign, lower case, several lines, at most 8");
  EXPECT_EQ(FormatInWords("A.", 3, 1), "letters and full stop, at most 3");
}

TEST(AccessibleWords, TheBannerThatLabelsAField) {
  using Accessible::LabelFor;
  const QRect field(120, 100, 200, 21);
  // On its left on the same line, the nearest one wins over one further left and
  // over one above; one on its right or below does not label it.
  EXPECT_EQ(LabelFor(field, {{QRect(10, 102, 40, 16), "Far"},
                             {QRect(60, 104, 50, 16), "Near"},
                             {QRect(120, 70, 50, 16), "Above"},
                             {QRect(330, 100, 50, 16), "Right"}}),
            "Near");
  // None on the line: the lowest one above that overlaps its columns.
  EXPECT_EQ(LabelFor(field, {{QRect(120, 40, 50, 16), "Higher"},
                             {QRect(200, 70, 50, 16), "Just above"},
                             {QRect(0, 80, 50, 16), "Above, to the left"},
                             {QRect(120, 130, 50, 16), "Below"}}),
            "Just above");
  EXPECT_EQ(LabelFor(field, {{QRect(0, 80, 50, 16), "Above, to the left"}}), "");
  // A record, a marked one and a new one: the toolbar's test below.
  EXPECT_EQ(Accessible::RecordPosition(false, 0, 0, false), "no records");
}

TEST_F(AccessTest, TheExampleFormReadInBrowseAndEditModeAndAfterAPageChange) {
  frmEdit& w = OpenExample("Contacts.Qfd");  // a copy, so that nothing changes the example
  ASSERT_EQ(w.Mode, 1);
  qfgui::Shot(&w, "entry-browse");
  QAccessibleInterface* form = Iface(w.surface);
  // The form's role, name and description.
  auto said = [&] {
    return std::tuple(form->role(), form->text(QAccessible::Name), form->text(QAccessible::Description));
  };
  EXPECT_EQ(said(), std::tuple(QAccessible::Form, "Page 1 of 2: Contact", "browse mode, read-only"));
  // Browse mode: read-only texts that hold the values; nothing of page 2 and none of
  // the unused slots in the tree, only the page's banners besides.
  EXPECT_EQ(FieldsRead(w), kContactsPage1);
  // The exports label each field as the screen reader names it (the engine's rule,
  // over the banners' extents estimated from their captions and fonts).
  auto asTheExports = [&] {
    for (int16_t i = 1; i <= modDB::GetFieldCount(); ++i) {
      QWidget* shown = !w.Dummy[i]->isHidden() ? static_cast<QWidget*>(w.Dummy[i]) : w.Field[i];
      if (!shown->isHidden()) {
        EXPECT_EQ(Iface(shown)->text(QAccessible::Name), QtText::FromCp(modDB::FieldLabel(modDB::GetHeader(), i)));
      }
    }
  };
  asTheExports();
  ExpectEditable(w, false);
  EXPECT_EQ(FormChildren(w, QAccessible::StaticText).size(), 9u);  // the banners of page 1
  QAccessibleInterface* first = Iface(w.Dummy[2]);
  ASSERT_NE(first->textInterface(), nullptr);
  EXPECT_EQ(std::tuple(first->text(QAccessible::Value), first->textInterface()->text(0, -1), form->indexOfChild(first)),
            std::tuple("Ann", "Ann", 1));
  EXPECT_EQ(first->parent()->object(), w.surface);

  // Edit mode: input boxes, editable, the same names and descriptions; the numbered
  // field stays a read-only caption.
  w.mnuEditRecord->trigger();
  qfgui::Shot(&w, "entry-edit");
  EXPECT_EQ(std::tuple(form->text(QAccessible::Description), FieldsRead(w)), std::tuple("edit mode", kContactsPage1));
  ExpectEditable(w, true);
  EXPECT_EQ(Iface(w.Field[2])->text(QAccessible::Name), "First name");

  // Page 2 in edit mode, then in browse mode: its fields alone, the page said.
  w.mnuNextPage->trigger();
  qfgui::Shot(&w, "entry-edit-page2");
  EXPECT_EQ(std::tuple(form->text(QAccessible::Name), FieldsRead(w)),
            std::tuple("Page 2 of 2: Details", kContactsPage2));
  asTheExports();
  w.mnuCancelUpdate->trigger();
  EXPECT_EQ(std::tuple(form->text(QAccessible::Description), FieldsRead(w)),
            std::tuple("browse mode, read-only", kContactsPage2));
  w.mnuPreviousPage->trigger();
  EXPECT_EQ(FieldsRead(w), kContactsPage1);

  // Closed: no page is said any more, and no field is read.
  w.mnuClose_Click();
  EXPECT_EQ(said(), std::tuple(QAccessible::Form, "No database open", ""));
  EXPECT_TRUE(FieldsRead(w).empty());
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}

TEST_F(AccessTest, TheSecondExampleItsDialogsAndAFormWithoutBannersBesideItsFields) {
  frmEdit& w = OpenExample("Cities.Qfd");
  EXPECT_EQ(FieldsRead(w), (Expected{{"City", "letters and blanks, first letters capital, required, at most 30"},
                                     {"Country", "letters and blanks, first letters capital, at most 30"},
                                     {"Code", "letters only, upper case, at most 3"}}));
  // One page: the form is named by its page heading, or by the window's title.
  EXPECT_EQ(Iface(w.surface)->text(QAccessible::Name), "Cities");
  {  // Find, print, export and import: every box read by the caption beside it.
    frmSearch find(&w);
    EXPECT_EQ(qfgui::BoxNames(&find), "FldList=In; SearchStr=For");
    frmPrint print(&w);
    EXPECT_EQ(qfgui::BoxNames(&print),
              "lstPrinter=System Printer; txtCopies=Copies; txtFrmP2P=From; txtFrom=From; txtTo=To; txtToP2P=To");
    frmExport exporter(&w);
    EXPECT_EQ(qfgui::BoxNames(&exporter), "lstField=Fields");
    frmImport import(modDB::CsvImport{}, false, &w);
    EXPECT_EQ(qfgui::BoxNames(&import), "grdColumns=Columns; grdRefused=Refused rows; grdRows=First rows");
  }
  CloseWindow();

  // A banner on the first field's line labels it; the second has none beside or
  // above it (the banner ends left of its columns) and is read by its name.
  Open(MakeDatabase({{"Name", 20, 1, "AS"}, {"Code", 5, 1, "N"}}, {{"Ann", "1"}}, 1));
  EXPECT_EQ(Iface(window->surface)->text(QAccessible::Name), "Test.Qfd");
  EXPECT_EQ(FieldsRead(*window), (Expected{{"Banner", "letters and blanks, at most 20"}, {"Code", "digits only, at most 5"}}));
}

TEST_F(AccessTest, ToolbarPositionRefusedKeysAndTheRecordTable) {
  frmEdit& w = OpenExample("Contacts.Qfd");
  static const char* names[16] = {"Open",          "Close",     "Print",        "First Record",
                                  "Previous Record", "Go to Record", "Next Record", "Last Record",
                                  "Previous Page", "Next Page", "Find",         "Edit",
                                  "New",           "Update",    "Cancel",       "Delete"};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Iface(w.cTBarBtn[i])->text(QAccessible::Name), names[i]);
  auto position = [&] { return Iface(w.lblRecNo)->text(QAccessible::Name); };
  EXPECT_EQ(std::tuple(Iface(w.cTBarBtn[12])->text(QAccessible::Description), Iface(w.cTBar)->text(QAccessible::Name),
                       position()),
            std::tuple("shortcut F8", "Toolbar", "record 1 of 8"));
  for (int k = 0; k < 2; ++k) w.mnuNextRecord->trigger();
  EXPECT_EQ(position(), "record 3 of 8");
  host.replies = {modDB::vbYes};
  w.mnuDeleteRecord->trigger();
  EXPECT_EQ(std::tuple(w.lblRecNo->text(), position()), std::tuple(" 3 / 8*", "record 3 of 8, deleted"));

  // A key the format refuses is said in the box's description until it loses the focus.
  w.mnuNewRecord->trigger();
  EXPECT_EQ(position(), "new record");
  // The box's text and description.
  auto phone = [&] { return std::tuple(BoxText(5), Iface(w.Field[5])->text(QAccessible::Description)); };
  Type(5, "x");
  EXPECT_EQ(phone(), std::tuple("", "x not allowed: digits, blanks and minus sign, at most 20"));
  Type(5, "1");
  Leave(6);
  EXPECT_EQ(phone(), std::tuple("1", "digits, blanks and minus sign, at most 20"));
  w.mnuCancelUpdate->trigger();
  host.Clear();

  // The record table: headings and cells read with their column names.
  Through<frmBrowse>(w.mnuGotoRecord, [&](frmBrowse* t) {
    ASSERT_GE(t->lstCol.size(), 3u);
    auto name = [](QAccessibleInterface* i) { return i->text(QAccessible::Name); };
    ASSERT_GT(Iface(t->lstCol[2])->childCount(), 0);
    EXPECT_EQ(QStringList({name(Iface(t->lblCol[0])), name(Iface(t->lblCol[2])), name(Iface(t->lstCol[2])),
                           name(Iface(t->lstCol[2])->child(0)), name(Iface(t->lstCol[0])->child(0))}),
              QStringList({"record number column heading", "FirstName column heading", "FirstName", "FirstName: Ann",
                           "record number: 1"}));
    // A click on a heading sorts by it, and the heading says so.
    QTest::mouseClick(t->lblCol[3], Qt::LeftButton);
    EXPECT_EQ(QStringList({name(Iface(t->lblCol[3])), name(Iface(t->lblCol[2]))}),
              QStringList({"LastName column heading, sorted", "FirstName column heading"}));
  });
}

// At 300 percent the form scrolls and Tab keeps the box typed into in view, clear of
// the toolbar; the dialogs take the zoomed font and the high-contrast palette.
TEST_F(AccessTest, ZoomedFormScrollsToTheFocusAndTheDialogsFollow) {
  frmEdit& w = OpenExample("Contacts.Qfd");
  const double points = QApplication::font().pointSizeF();
  ViewSettings::SetZoom(&w, 300);
  ViewSettings::SetHighContrast(&w, true);
  w.mnuEditRecord->trigger();
  QApplication::processEvents();
  QWidget* view = w.scroller->viewport();
  EXPECT_GT(w.surface->height(), view->height());
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
    QWidget* box = w.focusWidget();
    const QRect seen(box->mapTo(view, QPoint()), box->size());
    // All of the box in view below the strip, or as much as the view holds.
    const QRect visible = view->rect().adjusted(0, w.cTBar->height(), 0, 0);
    EXPECT_EQ(visible.intersected(seen).size(), seen.size().boundedTo(visible.size())) << box->objectName().toStdString();
  }
  w.mnuCancelUpdate->trigger();
  QTest::keyClick(w.surface, Qt::Key_PageDown);  // the next record, not the next screenful
  EXPECT_EQ(modDB::GetRecordNo(), 2);
  frmSearch find(&w);
  EXPECT_DOUBLE_EQ(find.font().pointSizeF(), points * 3);
  EXPECT_EQ(find.palette().color(QPalette::Window), QColor(Qt::white));
  ViewSettings::SetZoom(&w, 100);
  EXPECT_DOUBLE_EQ(QApplication::font().pointSizeF(), points);
}

TEST_F(AccessTest, HighContrastAndZoomOnScreenOnlyRememberedPerUser) {
  const std::string file = dir / "Contacts.Qfd";
  frmEdit& w = OpenExample("Contacts.Qfd");
  const std::string stored = qftest::ReadFile(file);
  const QRect designed = w.Dummy[2]->geometry();
  const double points = w.Dummy[2]->font().pointSizeF();
  const QSize size = w.size();
  EXPECT_EQ(std::tuple(ViewSettings::Zoom(&w), ViewSettings::HighContrast(&w)), std::tuple(100, false));

  // The shortcuts: none taken twice in the window.
  std::map<QString, QString> taken;
  for (QAction* a : w.findChildren<QAction*>())
    for (const QKeySequence& k : a->shortcuts()) {
      const QString key = k.toString();
      EXPECT_TRUE(taken.emplace(key, a->objectName()).second)
          << key.toStdString() << ": " << a->objectName().toStdString() << " and " << taken[key].toStdString();
    }

  QTest::keyClick(&w, Qt::Key_Plus, Qt::ControlModifier);
  QTest::keyClick(&w, Qt::Key_Equal, Qt::ControlModifier);  // Ctrl+= too, as keyboards without a plus key give
  EXPECT_EQ(ViewSettings::Zoom(&w), 150);
  auto half = [](int v) { return static_cast<int>(std::lround(v * 1.5)); };
  EXPECT_EQ(w.Dummy[2]->geometry(),
            QRect(half(designed.x()), half(designed.y()), half(designed.width()), half(designed.height())));
  EXPECT_DOUBLE_EQ(w.Dummy[2]->font().pointSizeF(), points * 1.5);
  EXPECT_GT(w.width(), size.width());
  // Edit mode and the next page keep the zoom.
  w.mnuEditRecord->trigger();
  EXPECT_EQ(w.Field[2]->geometry().width(), half(designed.width()));
  EXPECT_DOUBLE_EQ(w.Field[2]->font().pointSizeF(), points * 1.5);
  w.mnuNextPage->trigger();
  EXPECT_DOUBLE_EQ(w.Field[14]->font().pointSizeF(), points * 1.5);
  w.mnuCancelUpdate->trigger();
  w.mnuPreviousPage->trigger();

  // High contrast: black on white whatever the form's colours, and a thick frame
  // round the box being typed into.
  w.findChild<QAction*>("mnuHighContrast")->trigger();
  EXPECT_TRUE(ViewSettings::HighContrast(&w));
  // A caption's text and back, a banner's text (navy in the form); then a box's.
  auto colors = [](QWidget* x, QPalette::ColorRole text, QPalette::ColorRole back) {
    return std::pair(x->palette().color(text), x->palette().color(back));
  };
  const auto blackOnWhite = std::pair(QColor(Qt::black), QColor(Qt::white));
  EXPECT_EQ(colors(w.Dummy[2], QPalette::WindowText, QPalette::Window), blackOnWhite);
  EXPECT_EQ(w.Banner[1]->palette().color(QPalette::WindowText), QColor(Qt::black));
  w.mnuEditRecord->trigger();
  EXPECT_EQ(colors(w.Field[2], QPalette::Text, QPalette::Base), blackOnWhite);
  ASSERT_TRUE(w.Field[2]->hasFocus());
  // The zoom keys work from inside a field and type nothing into it.
  for (auto [key, zoom] : {std::pair(Qt::Key_Minus, 125), {Qt::Key_Plus, 150}}) {
    QTest::keyClick(w.Field[2], key, Qt::ControlModifier);
    EXPECT_EQ(ViewSettings::Zoom(&w), zoom);
  }
  EXPECT_EQ(BoxText(2), "Ann");
  auto* frame = w.surface->findChild<QWidget*>("focusFrame");
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(std::tuple(frame->isVisible(), frame->geometry()),
            std::tuple(true, w.Field[2]->geometry().adjusted(-3, -3, 3, 3)));
  Leave(3);
  EXPECT_EQ(frame->geometry(), w.Field[3]->geometry().adjusted(-3, -3, 3, 3));
  QImage shot = w.surface->grab().toImage();
  const QPoint corner = w.Field[3]->geometry().topLeft() - QPoint(2, 2);
  EXPECT_EQ(shot.pixelColor(corner * shot.devicePixelRatio()), QColor(Qt::black));
  EXPECT_EQ(FieldsRead(w), kContactsPage1);  // the frame is not in the tree
  w.mnuCancelUpdate->trigger();

  // Printing draws the pages as the form defines them, and the screen view comes back.
  std::vector<std::pair<double, QColor>> printed;  // font size and background of a caption
  PaintWatch watch([&] {
    if (w.cTBar->isHidden())
      printed.push_back({w.Dummy[2]->font().pointSizeF(), w.Dummy[2]->palette().color(QPalette::Window)});
  });
  Through<frmPrint>(w.mnuPrint, [&](frmPrint* d) {
    qfgui::ClickItem(d->lstPrinter, qfgui::FindRow(d->lstPrinter, Printers::kPdfFile));
    modDlg::DialogFolder = dir.path().string();
    AnswerSavePicker("*.Pdf", "out");
    w.surface->installEventFilter(&watch);
    QTest::mouseClick(d->cmdPrint, Qt::LeftButton);
    w.surface->removeEventFilter(&watch);
  });
  ASSERT_FALSE(printed.empty());
  for (const auto& [size, back] : printed) {
    EXPECT_DOUBLE_EQ(size, points);
    EXPECT_EQ(back, QColor(0xFF, 0xFF, 0xCC));  // the form's field colour
  }
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "out.pdf"));
  EXPECT_DOUBLE_EQ(w.Dummy[2]->font().pointSizeF(), points * 1.5);
  EXPECT_EQ(w.Dummy[2]->palette().color(QPalette::Window), QColor(Qt::white));

  // Remembered for the next window (and the next form); the database never written.
  CloseWindow();
  frmEdit& again = Open(file);
  EXPECT_EQ(std::tuple(ViewSettings::Zoom(&again), ViewSettings::HighContrast(&again),
                       again.findChild<QAction*>("mnuHighContrast")->isChecked(), again.Dummy[2]->geometry().width(),
                       again.Dummy[2]->palette().color(QPalette::Window)),
            std::tuple(150, true, true, half(designed.width()), QColor(Qt::white)));

  // Back: Ctrl+0 and the menu entry give the form's own size and colours again.
  QTest::keyClick(&again, Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(std::tuple(ViewSettings::Zoom(&again), again.Dummy[2]->geometry(), again.size()),
            std::tuple(100, designed, size));
  EXPECT_DOUBLE_EQ(again.Dummy[2]->font().pointSizeF(), points);
  QTest::keyClick(&again, Qt::Key_Minus, Qt::ControlModifier);
  again.findChild<QAction*>("mnuHighContrast")->trigger();
  EXPECT_EQ(std::tuple(ViewSettings::Zoom(&again), again.Banner[1]->palette().color(QPalette::WindowText)),
            std::tuple(75, QColor(0, 0, 0x80)));
  EXPECT_NE(again.Dummy[2]->palette().color(QPalette::Window), QColor(Qt::white));
  again.close();
  EXPECT_EQ(qftest::ReadFile(file), stored);
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}
