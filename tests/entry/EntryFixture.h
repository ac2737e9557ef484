// What the entry window tests share: a form database made through the engine in a
// temporary folder, the window opened on it, and helpers to type and read back.
#pragma once

#include "common/frmDlgFile.h"
#include "engine/modDB.h"
#include "entry/frmEdit.h"
#include "entry/frmExport.h"
#include "tests/support/GuiSupport.h"
#include "tests/support/QfdJson.h"

namespace qfentry {

struct FieldShape {
  std::string name;
  int length;
  int page;
  std::string format;
  int height = 0;  // 0: one line, or 60 pixels for a multi-line box
};

class EntryTest : public qfgui::GuiTest {
 protected:
  void TearDown() override {
    if (window) CloseWindow();
    if (modDB::GetFileNumber()) modDB::CloseDatabase();
    qfgui::GuiTest::TearDown();
  }

  // Makes base.Qfd with the fields (laid out down the page) and the records.
  std::string MakeDatabase(const std::vector<FieldShape>& fields,
                           const std::vector<std::vector<std::string>>& records = {},
                           int bannersOnPage = 0) {
    modDB::InitHeader();
    int y = 40;
    for (const FieldShape& s : fields) {
      modDB::FieldDef f;
      f.Name.Set(s.name);
      f.Length = static_cast<int16_t>(s.length);
      f.Page = static_cast<uint8_t>(s.page);
      f.Format.Set(s.format);
      f.X = 120;
      f.Y = static_cast<int16_t>(y);
      f.Width = 200;
      f.Height = static_cast<int16_t>(s.height ? s.height : s.format.find('M') != std::string::npos ? 60 : 21);
      y += f.Height + 8;
      EXPECT_NE(modDB::AddField(f), 0) << s.name;
    }
    if (bannersOnPage) {
      modDB::BannerDef banner = qfgui::MakeBanner("Banner", bannersOnPage, 0, 30);
      modDB::InsertBanner(banner);
    }
    std::string name = dir / "Test";
    EXPECT_EQ(modDB::SaveHeader(name), 1);
    if (!records.empty()) {
      std::string n = name;
      EXPECT_EQ(modDB::OpenDatabase(n), 1);
      for (const auto& values : records) {
        modDB::ClearRecord();
        for (size_t k = 0; k < values.size(); ++k) modDB::WriteField(static_cast<int16_t>(k + 1), values[k]);
        EXPECT_EQ(modDB::AddRecord(), 1);
      }
      modDB::CloseDatabase();
    }
    host.Clear();
    return name + ".Qfd";
  }

  // Changes the saved form through the engine and saves it again, answering Yes to
  // keeping its records.
  std::string ChangeForm(const std::function<void()>& change) {
    std::string name = dir / "Test";
    EXPECT_EQ(modDB::LoadHeader(name), 1);
    change();
    host.replies = {modDB::vbYes};
    EXPECT_EQ(modDB::SaveHeader(name), 1);
    host.Clear();
    return name + ".Qfd";
  }
  // Opens the test database in the engine alone, without a window.
  void OpenInEngine() {
    std::string name = dir / "Test";
    ASSERT_EQ(modDB::OpenDatabase(name), 1);
  }

  // The window shown, nothing opened in it yet.
  frmEdit& NewWindow() {
    window = new frmEdit;
    window->show();
    QApplication::setActiveWindow(window);
    return *window;
  }
  frmEdit& Open(const std::string& path) {
    NewWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_TRUE(window->StartUp(path));
    QApplication::processEvents();
    return *window;
  }
  // Closes the window even while editing.
  void CloseWindow() {
    window->Mode = 0;
    window->close();
    delete window;
    window = nullptr;
  }
  // The bundled examples copied to the test folder, and `name` opened.
  frmEdit& OpenExample(const std::string& name) {
    qfgui::CopyExamples(dir.path());
    return Open(dir / name);
  }

  // Record n as another program finds it in the file: `qfd get FILE N --json`.
  nlohmann::json Stored(int32_t n, const std::string& base = "Test") { return qftest::QfdRecord(dir / base, n); }
  int32_t StoredCount() { return qftest::QfdCount(dir / "Test"); }

  // Runs a menu command; `drive` works the dialog it opens, which must be shown.
  template <class T>
  static void Through(QAction* action, std::function<void(T*)> drive) {
    auto ran = qfgui::OnShown<T>(drive);
    action->trigger();
    EXPECT_TRUE(*ran) << action->objectName().toStdString();
  }

  // Types into the input box of slot i with real key events, after its text, as a
  // user who clicks the box and presses Ctrl+End first.
  void Type(int slot, const QString& keys) {
    FieldBox* box = window->Field[slot];
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(box, keys);
    QApplication::processEvents();
  }
  QString BoxText(int slot) { return window->Field[slot]->toPlainText(); }
  // Puts the focus in another box, as Tab or a click does, and lets the field checks run.
  void Leave(int to) {
    window->Field[to]->setFocus();
    QApplication::processEvents();
  }
  // Replaces the text of the input box of slot i by typing, as a user who clicks it
  // and selects all first.
  void RetypeField(int slot, const QString& keys) {
    FieldBox* box = window->Field[slot];
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, keys);
    QApplication::processEvents();
  }

  // The save picker shown next must offer `pattern`; it gets `name` typed and Ok, or
  // Cancel when the name is empty.
  static void AnswerSavePicker(const char* pattern, const QString& name) {
    qfgui::OnShown<frmDlgFile>([pattern, name](frmDlgFile* picker) {
      EXPECT_EQ(picker->windowTitle(), "Save As");
      EXPECT_EQ(picker->Pattern, pattern);
      if (name.isEmpty()) return QTest::mouseClick(picker->cmdCancel, Qt::LeftButton);
      picker->txtFile->clear();
      QTest::keyClicks(picker->txtFile, name);
      QTest::mouseClick(picker->cmdOk, Qt::LeftButton);
    });
  }

  // Runs Export from the window: `choose` works the export dialog, then the save
  // picker (in the test's folder) gets `name`, or is cancelled when name is empty.
  // Returns whether the export dialog was closed afterwards.
  bool RunExport(const std::function<void(frmExport*)>& choose, const QString& name, const char* pattern = "*.Csv") {
    modDlg::DialogFolder = dir.path().string();
    bool closed = false;
    qfgui::OnShown<frmExport>([&](frmExport* w) {
      choose(w);
      AnswerSavePicker(pattern, name);
      QTest::mouseClick(w->btnExport, Qt::LeftButton);
      closed = !w->isVisible();
    });
    window->mnuExport->trigger();
    return closed;
  }

  qftest::TempDir dir;
  frmEdit* window = nullptr;
};

}  // namespace qfentry
