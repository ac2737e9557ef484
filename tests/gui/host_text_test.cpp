// The Qt side of the host (message boxes as the style asks, progress), the text
// crossing between QString and Windows-1252, and the screen and drive pieces.

#include "common/frmProgress.h"
#include "common/KeyFilter.h"
#include "common/QtHost.h"
#include "common/QtText.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;

// The text crossing between QString and Windows-1252, and typed text through a key set.
TEST(QtText, CrossesBetweenQStringAndWindows1252AndThroughTheKeyFilter) {
  EXPECT_EQ(QtText::FromCp("caf\xE9 \x80 5"), QString::fromUtf8("café € 5"));
  EXPECT_EQ(QtText::ToCp(QString::fromUtf8("naïve ☃ €")), "na\xEFve ? \x80");
  EXPECT_EQ(QtText::ToCp(QtText::FromCp(std::string("\x01\x7F\xA0\xFF", 4))), std::string("\x01\x7F\xA0\xFF", 4));
  for (auto [c, code] : {std::pair(0xE9, 0xE9), {0x20AC, 0x80}, {'?', '?'}, {0x2603, -1}})
    EXPECT_EQ(QtText::CharCode(QChar(c)), code) << c;
  EXPECT_EQ(QtText::FromCode(0x80), QChar(0x20AC));
  for (auto [typed, set, kept] : {std::tuple("a1 b/", "N", "1"), {"a1 b/", "N/", "1/"}, {"Ab c", "ANS", "Ab c"},
                                  {"fg9", "XU", "F9"}, {"\xc3\xa9" "a", "A", "a"}})
    EXPECT_EQ(KeyFilter::Filter(QString::fromUtf8(typed), set), kept) << typed << " " << set;
}

class Host : public GuiTest {};

// Each box as the style asks: its title (the program's when none is given), icon,
// default button and text (CR LF a line break, markup shown as written), answered by
// the key or button pressed. A short text leaves room for the whole title beside the
// window system's buttons.
TEST_F(Host, MessageBoxesShowTheStyleAndAnswerTheButtonPressedProgressShowsScreenAndDrives) {
  QtHost qt;
  ASSERT_EQ(&modDB::GetHost(), &qt);
  using B = QMessageBox;
  const struct {
    std::string text;
    int style;
    std::string title;
    QString shownTitle, shownText;
    B::Icon icon;
    B::StandardButton byDefault, pressed;  // NoButton: Return, Cancel: Escape
    int answer;
    const char* shot = nullptr;
  } cases[] = {
      {"Delete this record?", modDB::vbYesNo | modDB::vbQuestion, "DELETE", "DELETE", "Delete this record?",
       B::Question, B::Yes, B::No, modDB::vbNo, "MsgBox_question"},
      {"Pack?", modDB::vbYesNo | modDB::vbExclamation | modDB::vbDefaultButton2, "PACK", "PACK", "Pack?",
       B::Warning, B::No, B::NoButton, modDB::vbNo},
      {"DB not open", modDB::vbCritical, "", "QfTest", "DB not open", B::Critical, B::Ok, B::Cancel, modDB::vbOK,
       "MsgBox_critical"},
      {"No.", modDB::vbOKOnly, "A LONGER TITLE OF A BOX", "A LONGER TITLE OF A BOX", "No.", B::NoIcon, B::Ok,
       B::NoButton, modDB::vbOK},
      {"Saved.", modDB::vbYesNo | modDB::vbInformation, "SAVE", "SAVE", "Saved.", B::Information, B::Yes, B::Yes,
       modDB::vbYes},
      {"FIELD <b>X</b> NOT FOUND\r\nAre you sure?", modDB::vbCritical, "GetField", "GetField",
       "FIELD <b>X</b> NOT FOUND\nAre you sure?", B::Critical, B::Ok, B::NoButton, modDB::vbOK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto shown = OnShown<QMessageBox>([&](QMessageBox* box) {
      EXPECT_EQ(std::tuple(box->windowTitle(), box->text(), box->textFormat(), box->icon()),
                std::tuple(c.shownTitle, c.shownText, Qt::PlainText, c.icon));
      EXPECT_EQ(box->standardButton(box->defaultButton()), c.byDefault);
      EXPECT_GE(box->width(), QFontMetrics(box->font()).horizontalAdvance(box->windowTitle()) + 150);
      if (&c == cases) {  // the first box: its buttons, and what a screen reader hears
        QStringList buttons;
        for (QAbstractButton* b : box->buttons()) buttons << b->text().remove('&');
        buttons.sort();
        EXPECT_EQ(buttons.join(','), "No,Yes");
        // A screen reader hears an alert named by the title, with the text in it.
        QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(box);
        EXPECT_EQ(std::tuple(alert->role(), alert->text(QAccessible::Name)),
                  std::tuple(QAccessible::AlertMessage, "DELETE"));
        QStringList texts;
        for (int i = 0; i < alert->childCount(); ++i) texts << alert->child(i)->text(QAccessible::Name);
        EXPECT_TRUE(texts.contains("Delete this record?")) << texts.join('|').toStdString();
      }
      if (c.shot) Shot(box, c.shot);
      if (c.pressed == B::NoButton || c.pressed == B::Cancel)
        QTest::keyClick(box, c.pressed == B::Cancel ? Qt::Key_Escape : Qt::Key_Return);
      else
        QTest::mouseClick(box->button(c.pressed), Qt::LeftButton);
    });
    EXPECT_EQ(qt.MsgBox(c.text, c.style, c.title), c.answer);
    EXPECT_TRUE(*shown);
  }
  // Progress goes to the progress window.
  modDB::GetHost().ShowPer(3, 4);
  ASSERT_NE(frmProgress::Instance(), nullptr);
  EXPECT_EQ(frmProgress::Instance()->lblPer->text(), "75%");
  modDB::GetHost().DoEvents();
  modDB::GetHost().HidePer();
  EXPECT_EQ(frmProgress::Instance(), nullptr);
  // The screen's scale: twips per pixel from its dots per inch.
  const QScreen* s = QGuiApplication::primaryScreen();
  ASSERT_NE(s, nullptr);
  EXPECT_DOUBLE_EQ(modLIB::TwipsPerPixelX(), 1440.0 / s->logicalDotsPerInchX());
  EXPECT_DOUBLE_EQ(modLIB::TwipsPerPixelY(), 1440.0 / s->logicalDotsPerInchY());
  // No drive under /proc; "/" first and a drive that cannot be reached refused are the
  // file picker's tests.
  for (const auto& d : Platform::LogicalDrives()) EXPECT_EQ(d.rfind("/proc", 0), std::string::npos) << d;
}
