// frmAbout: the about box (caption "About"): the program's icon, its title and
// version (major.minor.revision), its copyright line, and the maker's web address as
// a link that opens in the browser without closing the window (no such row while the
// address is empty). Each program records
// its own version information with SetVersionInfo at start-up.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

struct VersionInfo {
  std::string Title;  // "QfEntry" or "QfLayout"
  int Major = 0, Minor = 0, Revision = 0;
  std::string Copyright;
  std::string WebSite;
};

void SetVersionInfo(const VersionInfo& info);
// A program's own information as this build sets it: the project's version, the
// makers' copyright line and the web address of the build setting QF_WEB_SITE
// (empty unless the build was configured with one).
VersionInfo ProgramVersionInfo(const std::string& title);
const VersionInfo& GetVersionInfo();

class frmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit frmAbout(QWidget* parent = nullptr);

  QLabel* imgIcon;
  QLabel* lblTitle;
  QLabel* lblCopyright;
  QLabel* lblWebCaption;
  QLabel* lblWeb;
  QPushButton* btnOk;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
