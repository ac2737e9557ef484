// frmDlgFile: the file picker (caption DialogTitle: "Load" or "Save As"). Lists the
// drives, then the folders of the current folder in brackets ("[..]" goes up) and
// the files matching the pattern, shown without their extension. In load mode a
// double-click on a file is Ok; in save mode it only fills the name box. The name box
// also takes a path ("~/.forms", "/data/Stock", "sub/Name"), which reaches folders the
// list does not show (hidden ones): Ok on a folder goes there, Ok on a path to a file
// goes to its folder and takes its name. Navigating changes the process's current
// folder, which stays changed. Ok stores the current folder in DialogFolder and the
// name box in DialogFileName. A filter of several patterns ("*.Csv|*") offers them in
// a "Type" list, the first chosen; "*" lists every file with its name whole.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class frmDlgFile : public QDialog {
  Q_OBJECT
 public:
  explicit frmDlgFile(QWidget* parent = nullptr);

  // A path of 51 characters or more as its first 22, " .. " and its last 22.
  static std::string ShortenPath(std::string_view path);

  void FillDrives();
  void FillFolder();

  QListWidget* lstDrive;
  QListWidget* lstDir;
  QLabel* txtPath;
  QLineEdit* txtFile;
  QComboBox* cboType = nullptr;  // only where the filter offers several patterns
  QPushButton* cmdOk;
  QPushButton* cmdCancel;

  QString Pattern;
  QString CurFolder;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void lstDir_Click(QListWidgetItem* item);
  void lstDir_DblClick(QListWidgetItem* item);
  void lstDrive_DblClick(QListWidgetItem* item);
  void cmdOk_Click();
  // A path typed into the name box: true when it named a folder, which is now shown.
  bool GoToTyped();
};
