// frmHelp: the help viewer (caption "Help"). Reads the help file HelpFileName in the
// program's folder: a line starting with "#" is a topic heading, written with "#" for
// every blank (#Field#Formats is shown as " Field Formats"); the lines under it, up to
// the next heading, are its text. Opens at the first heading whose trimmed text
// equals HelpTopic trimmed, ignoring case, or else at the first heading. A file that
// cannot be read gives "Help file load error" and leaves the window usable.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

class frmHelp : public QDialog {
  Q_OBJECT
 public:
  explicit frmHelp(QWidget* parent = nullptr);

  // Shows the topic of the TOC entry (its heading and its lines).
  void ShowTopic(int row);
  // The help file's full path: the program's folder and HelpFileName.
  static std::string HelpPath();

  QListWidget* TOC;
  QLabel* Heading;
  QPlainTextEdit* Help;
  QPushButton* cmdClose;

 private:
  static void LoadError();
};
