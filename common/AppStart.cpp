#include "common/AppStart.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "common/frmAbout.h"
#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtHost.h"
#include "engine/History.h"

namespace AppStart {

int RunProgram(int argc, char** argv, const char* program, const std::function<int()>& run) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s %s\n", program, QF_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(program);
  QApplication::setWindowIcon(QIcon::fromTheme(program));  // the installed icon, where there is one
  QApplication::setApplicationVersion(QF_VERSION);
  Platform::InitScreen();
  QtHost host;
  SetVersionInfo(ProgramVersionInfo(program));
  modDlg::InstallHelpKey();
  modDB::SetHistoryProgram(program);  // the name its change-history lines carry
  return run();
}

}  // namespace AppStart
