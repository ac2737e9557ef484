// QfLayout: the form designer. It takes no arguments besides --version.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "Platform.h"
#include "QtHost.h"
#include "frmAbout.h"
#include "frmMain.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("QfLayout %s\n", QF_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("QfLayout");
  QApplication::setWindowIcon(QIcon::fromTheme("QfLayout"));  // the installed icon, where there is one
  QApplication::setApplicationVersion(QF_VERSION);
  Platform::InitScreen();
  QtHost host;
  SetVersionInfo(ProgramVersionInfo("QfLayout"));

  frmMain window;
  window.show();
  return app.exec();
}
