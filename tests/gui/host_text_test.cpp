// The Qt side of the host (message boxes as the style asks, progress), the text
// crossing between QString and Windows-1252, and the screen and drive pieces.
#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include "common/frmProgress.h"
#include "common/KeyFilter.h"
#include "common/QtHost.h"
#include "common/QtText.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;

TEST(QtText, CrossesBetweenQStringAndWindows1252) {
  EXPECT_EQ(QtText::FromCp("caf\xE9 \x80 5"), QString::fromUtf8("café € 5"));
  EXPECT_EQ(QtText::ToCp(QString::fromUtf8("naïve ☃ €")), "na\xEFve ? \x80");
  EXPECT_EQ(QtText::ToCp(QtText::FromCp(std::string("\x01\x7F\xA0\xFF", 4))), std::string("\x01\x7F\xA0\xFF", 4));
  for (auto [c, code] : {std::pair(0xE9, 0xE9), {0x20AC, 0x80}, {'?', '?'}, {0x2603, -1}})
    EXPECT_EQ(QtText::CharCode(QChar(c)), code) << c;
  EXPECT_EQ(QtText::FromCode(0x80), QChar(0x20AC));
}

TEST(KeyFilterText, TypedTextThroughTheAllowedSet) {
  for (auto [typed, set, kept] : {std::tuple("a1 b/", "N", "1"), {"a1 b/", "N/", "1/"}, {"Ab c", "ANS", "Ab c"},
                                  {"fg9", "XU", "F9"}, {"\xc3\xa9" "a", "A", "a"}})
    EXPECT_EQ(KeyFilter::Filter(QString::fromUtf8(typed), set), kept) << typed << " " << set;
}

class Host : public GuiTest {};

TEST_F(Host, MessageBoxesShowTheStyleAndAnswerTheButtonPressed) {
  QtHost qt;
  ASSERT_EQ(&modDB::GetHost(), &qt);
  int shown = 0;
  // Each box once shown: `check` looks at it, then `answer` closes it.
  auto onBox = [&](std::function<void(QMessageBox*)> check) {
    modDlg::SetShownHook([&shown, check](QDialog* d) {
      auto* box = qobject_cast<QMessageBox*>(d);
      ASSERT_NE(box, nullptr);
      ++shown;
      check(box);
    });
  };
  onBox([](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle(), "DELETE");
    EXPECT_EQ(box->text(), "Delete this record?");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    QStringList buttons;
    for (QAbstractButton* b : box->buttons()) buttons << b->text().remove('&');
    buttons.sort();
    EXPECT_EQ(buttons.join(','), "No,Yes");
    EXPECT_EQ(box->standardButton(box->defaultButton()), QMessageBox::Yes);
    // A screen reader hears an alert named by the title, with the text in it.
    QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(box);
    EXPECT_EQ(alert->role(), QAccessible::AlertMessage);
    EXPECT_EQ(alert->text(QAccessible::Name), "DELETE");
    QStringList texts;
    for (int i = 0; i < alert->childCount(); ++i) texts << alert->child(i)->text(QAccessible::Name);
    EXPECT_TRUE(texts.contains("Delete this record?")) << texts.join('|').toStdString();
    Shot(box, "MsgBox_question");
    QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
  });
  EXPECT_EQ(qt.MsgBox("Delete this record?", modDB::vbYesNo | modDB::vbQuestion, "DELETE"), modDB::vbNo);

  // DefaultButton2: Enter answers No.
  onBox([](QMessageBox* box) {
    EXPECT_EQ(box->standardButton(box->defaultButton()), QMessageBox::No);
    QTest::keyClick(box, Qt::Key_Return);
  });
  EXPECT_EQ(qt.MsgBox("Pack?", modDB::vbYesNo | modDB::vbExclamation | modDB::vbDefaultButton2, "PACK"), modDB::vbNo);

  // A failure report: critical icon, OK, the program's title when none is given.
  onBox([](QMessageBox* box) {
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->windowTitle(), "QfTest");
    Shot(box, "MsgBox_critical");
    QTest::keyClick(box, Qt::Key_Escape);
  });
  EXPECT_EQ(qt.MsgBox("DB not open", modDB::vbCritical, ""), modDB::vbOK);
  // A short text leaves room for the whole title beside the window system's buttons.
  onBox([](QMessageBox* box) {
    EXPECT_GE(box->width(), QFontMetrics(box->font()).horizontalAdvance("A LONGER TITLE OF A BOX") + 150);
    QTest::keyClick(box, Qt::Key_Return);
  });
  qt.MsgBox("No.", modDB::vbOKOnly, "A LONGER TITLE OF A BOX");

  onBox([](QMessageBox* box) {
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
  });
  EXPECT_EQ(qt.MsgBox("Saved.", modDB::vbYesNo | modDB::vbInformation, "SAVE"), modDB::vbYes);

  // Line breaks are CR LF in the engine's texts; markup in a value is shown as written.
  onBox([](QMessageBox* box) {
    EXPECT_EQ(box->text(), "FIELD <b>X</b> NOT FOUND\nAre you sure?");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    QTest::keyClick(box, Qt::Key_Return);
  });
  qt.MsgBox("FIELD <b>X</b> NOT FOUND\r\nAre you sure?", modDB::vbCritical, "GetField");
  EXPECT_EQ(shown, 6);
}

TEST_F(Host, ProgressThroughTheHost) {
  QtHost qt;
  modDB::GetHost().ShowPer(3, 4);
  ASSERT_NE(frmProgress::Instance(), nullptr);
  EXPECT_EQ(frmProgress::Instance()->lblPer->text(), "75%");
  modDB::GetHost().DoEvents();
  modDB::GetHost().HidePer();
  EXPECT_EQ(frmProgress::Instance(), nullptr);
}

TEST_F(Host, ScreenAndDrives) {
  const QScreen* s = QGuiApplication::primaryScreen();
  ASSERT_NE(s, nullptr);
  EXPECT_DOUBLE_EQ(modLIB::TwipsPerPixelX(), 1440.0 / s->logicalDotsPerInchX());
  EXPECT_DOUBLE_EQ(modLIB::TwipsPerPixelY(), 1440.0 / s->logicalDotsPerInchY());
  const auto drives = Platform::LogicalDrives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives[0], "/");
  for (const auto& d : drives) EXPECT_EQ(d.rfind("/proc", 0), std::string::npos) << d;
  EXPECT_FALSE(Platform::SetCurrentDrive("/no-such-volume"));
  EXPECT_TRUE(Platform::SetCurrentDrive("/"));
  EXPECT_EQ(Platform::CurrentFolder(), "/");
}
