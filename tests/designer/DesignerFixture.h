// What the designer tests share: the designer window shown offscreen on a fresh
// design, helpers that drive its dialogs with real keys and clicks, and reading a
// saved file back through `qfd dump --json` in a separate process.
#pragma once

#include "common/frmDlgFile.h"
#include "common/frmInput.h"
#include "designer/frmField.h"
#include "designer/frmMain.h"
#include "engine/modDB.h"
#include "tests/support/GuiSupport.h"
#include "tests/support/QfdJson.h"

namespace qfdesign {

// Replaces a box's text by typing, as a user who selects it all first.
inline void Fill(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, text);
}
inline void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

// Field n and banner n of the design as the engine holds them, and where they stand.
inline modDB::FieldDef StoredField(int n) {
  modDB::FieldDef f;
  EXPECT_EQ(modDB::GetFieldDef(static_cast<int16_t>(n), f), n);
  return f;
}
inline modDB::BannerDef StoredBanner(int n) {
  modDB::BannerDef b;
  EXPECT_EQ(modDB::GetBanner(static_cast<int16_t>(n), b), n);
  return b;
}
inline QPoint FieldAt(int n) {
  const modDB::FieldDef f = StoredField(n);
  return {f.X, f.Y};
}
inline QPoint BannerAt(int n) {
  const modDB::BannerDef b = StoredBanner(n);
  return {b.X, b.Y};
}

// The form's stored size in twips.
inline QSize FormTwips() {
  const auto props = modDB::GetFormProps();
  return {props.Width, props.Height};
}

class DesignerTest : public qfgui::GuiTest {
 protected:
  void SetUp() override {
    qfgui::GuiTest::SetUp();
    window = new frmMain;
    window->show();
    QApplication::setActiveWindow(window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    modDlg::DialogFolder = dir.path().string();
    host.Clear();
  }
  void TearDown() override {
    window->Modified = false;
    window->close();
    delete window;
    qfgui::GuiTest::TearDown();
  }

  // A menu command through its shortcut, typed into the window.
  void Press(QAction* action) {
    // After a dialog closes the offscreen platform leaves no window active.
    QApplication::setActiveWindow(window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    const QKeyCombination k = action->shortcut()[0];
    QTest::keyClick(window, k.key(), k.keyboardModifiers());
  }

  // Runs the command through its shortcut; `drive` works the dialog it opens, which
  // must be shown.
  template <class T>
  void Through(QAction* action, std::function<void(T*)> drive) {
    auto ran = qfgui::OnShown<T>(drive);
    Press(action);
    EXPECT_TRUE(*ran) << action->objectName().toStdString();
  }

  // Adds a field through the field dialog (Ctrl+F), typing name, position, length
  // and format; the size comes from the dialog's estimates.
  void AddField(const QString& name, int x, int y, int length, const QString& format) {
    Through<frmField>(window->mnuFieldAdd, [&](frmField* d) {
      Fill(d->NAM, name);
      Fill(d->X, QString::number(x));
      Fill(d->Y, QString::number(y));
      Fill(d->L, QString::number(length));
      Fill(d->FMT, format);
      Click(d->AutoWidth);
      Click(d->BtnUpdate);
      EXPECT_FALSE(d->isVisible()) << host.Last();
    });
  }

  // The window's caption, whether the design is modified, and its count of fields.
  std::tuple<std::string, bool, int> State() const {
    return {window->windowTitle().toStdString(), window->Modified, modDB::GetFieldCount()};
  }

  // A banner stored straight into the engine, the page redrawn.
  void PutBanner(const char* caption, int page, int x, int y) {
    modDB::BannerDef b = qfgui::MakeBanner(caption, page, x, y);
    const int next = modDB::GetBannerCount() + 1;
    EXPECT_EQ(modDB::InsertBanner(b), next);
    window->ShowCurPage();
  }

  // Save As through the file picker, into the test folder.
  void SaveAs(const QString& name) {
    Through<frmDlgFile>(window->mnuFileSaveAs, [&](frmDlgFile* d) {
      Fill(d->txtFile, name);
      Click(d->cmdOk);
    });
  }

  // Load through the file picker: a click on the file's entry, then Ok; a password,
  // when given, is typed into the box that follows.
  void Load(const QString& name, const QString& password = {}) {
    Through<frmDlgFile>(window->mnuFileLoad, [&](frmDlgFile* d) {
      const int row = qfgui::FindRow(d->lstDir, name);
      ASSERT_GE(row, 0);
      qfgui::ClickItem(d->lstDir, row);
      if (!password.isEmpty()) {
        qfgui::OnShown<frmInput>([&](frmInput* in) {
          EXPECT_EQ(in->windowTitle(), "Password");
          QTest::keyClicks(in->txtStr, password);
          Click(in->cmdOK);
        });
      }
      Click(d->cmdOk);
    });
  }

  // The saved definition as another program reads it.
  nlohmann::json Dump(const std::string& base) {
    return qftest::QfdJson({"dump", "--json", "--with-password", dir / base});
  }
  nlohmann::json Record(const std::string& base, int n) { return qftest::QfdRecord(dir / base, n); }

  qftest::TempDir dir;
  frmMain* window = nullptr;
};

}  // namespace qfdesign
