// What the window tests share: one QApplication, the recording host, a clean dialog
// exchange state, a hook that drives the next modal dialog of a given class, and
// screenshots under the build folder (gui-shots/) and /tmp/qf-shots/.
#pragma once

#include <gtest/gtest.h>

// Every window test sees the whole of Qt Widgets and QtTest, as it sees the standard
// headers through TestSupport.h.
#include <QtTest>
#include <QtWidgets>

#include "common/modDlg.h"
#include "common/Platform.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

// A QString in a failing check reads as its text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace qfgui {

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "QfTest";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    QApplication::setApplicationName("QfTest");
    Platform::InitScreen();
    return a;
  }();
  return *app;
}

inline void ResetExchange() {
  using namespace modDlg;
  DialogTitle = DialogFileName = DialogFilter = DialogFolder = "";
  DialogSaveMode = 0;
  InputText = InputMode = "";
  InputMaxLength = 0;
  DateText = "";
  DatePickerLeft = DatePickerTop = 0;
  DialogColor = 0;
  DialogFontName = "";
  DialogFontSize = 0;
  DialogFontBold = DialogFontItalic = 0;
  HelpFileName = HelpTopic = "";
}

// Hooks set and hooks that ran, checked at the end of each test.
inline int& HooksSet() {
  static int n = 0;
  return n;
}
inline int& HooksRan() {
  static int n = 0;
  return n;
}

// Runs `drive` on the next modal dialog of class T once it is shown; the dialog is
// closed with Cancel (reject) afterwards when `drive` left it open. Returns a flag
// that tells whether the hook ran.
template <class T>
std::shared_ptr<bool> OnShown(std::function<void(T*)> drive) {
  auto ran = std::make_shared<bool>(false);
  ++HooksSet();
  modDlg::SetShownHook([drive, ran](QDialog* d) {
    if (T* w = qobject_cast<T*>(d)) {
      if (!*ran) ++HooksRan();
      *ran = true;
      EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
      drive(w);
    }
  });
  return ran;
}

inline void Shot(QWidget* w, const std::string& name) {
  const QString file = QString::fromStdString(name) + ".png";
  const QPixmap pix = w->grab();
  for (const QString& dir : {QStringLiteral(QF_BINARY_DIR "/gui-shots"), QStringLiteral("/tmp/qf-shots")}) {
    QDir().mkpath(dir);
    pix.save(dir + '/' + file);
  }
}

// The bundled example databases (Contacts and the Cities its script opens) as the
// build made them, copied into `to` so that nothing changes them.
inline void CopyExamples(const std::filesystem::path& to) {
  for (const char* base : {"Contacts.Qfd", "Cities.Qfd"})
    std::filesystem::copy_file(std::filesystem::path(QF_BINARY_DIR) / "examples" / base, to / base);
}

// Every box of a window (line edits, lists, tables) as "objectName=name", sorted and
// joined by "; ", the name being what a screen reader reads for it through Qt's
// accessibility interface.
inline std::string BoxNames(QWidget* window) {
  QStringList out;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractItemView*>(w)) continue;
    if (qobject_cast<QHeaderView*>(w)) continue;  // a table's own headings
    out << w->objectName() + '=' + QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
  }
  out.sort();
  return out.join("; ").toStdString();
}

// Mouse on a list entry, as the user points at it.
inline QPoint ItemPos(QListWidget* list, int row) {
  list->scrollToItem(list->item(row));
  return list->visualItemRect(list->item(row)).center();
}
inline void ClickItem(QListWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ItemPos(list, row));
}
// A real double click: press and release, then the double-click press and release
// (QTest's double click alone sends only the second half).
inline void DblClickItem(QListWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ItemPos(list, row));
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, ItemPos(list, row));
}
// Every entry of a list, top to bottom.
inline QStringList ListTexts(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}
inline int FindRow(QListWidget* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text() == text) return i;
  return -1;
}

// A banner in the form's banner font.
inline modDB::BannerDef MakeBanner(const char* caption, int page, int x, int y) {
  modDB::BannerDef b;
  b.Page = static_cast<uint8_t>(page);
  b.X = static_cast<int16_t>(x);
  b.Y = static_cast<int16_t>(y);
  b.Caption.Set(caption);
  b.Font = modDB::GetFormProps().BannerFont;
  return b;
}

// Each widget's shown text (its "text", or a text box's "plainText"); a failing row
// names its widget and place in the table.
inline void ExpectTexts(std::initializer_list<std::pair<const QObject*, QString>> rows) {
  int row = 0;
  for (const auto& [w, want] : rows) {
    const QVariant text = w->property("text").isValid() ? w->property("text") : w->property("plainText");
    EXPECT_TRUE(text.isValid() && text.toString() == want)
        << "row " << row << ": " << w->objectName().toStdString() << " shows \"" << text.toString().toStdString()
        << "\", not \"" << want.toStdString() << '"';
    ++row;
  }
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ResetExchange();
    cwd_ = QDir::currentPath();
    HooksSet() = HooksRan() = 0;
  }
  void TearDown() override {
    EXPECT_EQ(HooksRan(), HooksSet()) << "a dialog the test meant to drive was never shown";
    modDlg::SetShownHook({});
    QDir::setCurrent(cwd_);
    Platform::SetProgramFolder("");
  }
  // Exactly one message box since the last Clear: its "TITLE: text" and style.
  void ExpectBox(const std::string& text, int style) {
    ASSERT_EQ(host.boxes.size(), 1u) << host.Last();
    EXPECT_EQ(std::pair(host.Last(), host.boxes[0].style), std::pair(text, style));
  }
  modDB::RecordingHost host;

 private:
  QString cwd_;
};

}  // namespace qfgui
