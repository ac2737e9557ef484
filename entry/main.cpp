// QfEntry: the data-entry program. One optional argument: a form database to open.
#include <QApplication>
#include <QStringList>
#include <string>

#include "common/AppStart.h"
#include "entry/frmEdit.h"

int main(int argc, char** argv) {
  return AppStart::RunProgram(argc, argv, "QfEntry", [] {
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
    return QApplication::exec();
  });
}
