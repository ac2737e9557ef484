// QfLayout: the form designer. It takes no arguments besides --version.
#include <QApplication>

#include "common/AppStart.h"
#include "designer/frmMain.h"

int main(int argc, char** argv) {
  return AppStart::RunProgram(argc, argv, "QfLayout", [] {
    frmMain window;
    window.show();
    return QApplication::exec();
  });
}
