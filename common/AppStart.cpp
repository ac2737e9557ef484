#include "common/AppStart.h"

#include <QApplication>
#include <QIcon>
#include <QProgressDialog>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/frmAbout.h"
#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtHost.h"
#include "engine/files/DatabaseFile.h"
#include "engine/history/History.h"

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
  // A database another program holds is waited for in sight: after a second a window
  // says which file is awaited and who has it open, and Cancel gives up (the
  // operation then says so and changes nothing).
  std::unique_ptr<QProgressDialog> waiting;
  modDB::detail::SetLockWaitHandler([&waiting](const modDB::detail::LockWait& w) {
    if (w.over) {
      waiting.reset();
      return true;
    }
    if (!waiting) {
      waiting = std::make_unique<QProgressDialog>(QString(), "Cancel", 0, 0);
      waiting->setObjectName("frmWaiting");
      waiting->setWindowTitle("Waiting");
      waiting->setWindowModality(Qt::ApplicationModal);
      waiting->setLabelText(QString::fromLocal8Bit(
          ("Waiting for " + w.file + (w.holders.empty() ? "" : ",\nwhich is open in " + w.holders) + ".").c_str()));
      waiting->show();
    }
    QApplication::processEvents();
    return !waiting->wasCanceled();
  });
  const int status = run();
  modDB::detail::SetLockWaitHandler(nullptr);
  return status;
}

}  // namespace AppStart
