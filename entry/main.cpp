// QfEntry: the data-entry program. One optional argument: a form database to open.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <string>

#include "Platform.h"
#include "QtHost.h"
#include "frmAbout.h"
#include "frmEdit.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("QfEntry %s\n", QF_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("QfEntry");
  QApplication::setWindowIcon(QIcon::fromTheme("QfEntry"));  // the installed icon, where there is one
  QApplication::setApplicationVersion(QF_VERSION);
  Platform::InitScreen();
  QtHost host;
  SetVersionInfo(ProgramVersionInfo("QfEntry"));

  // The command line is one text, as the user typed it: a path with blanks may come
  // in several pieces or in double quotes.
  std::string commandLine;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (!commandLine.empty()) commandLine += ' ';
    commandLine += args[i].toLocal8Bit().toStdString();
  }

  frmEdit window;
  window.show();
  if (!window.StartUp(commandLine)) return 0;
  return app.exec();
}
