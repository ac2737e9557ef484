// QfLayout: the form designer. One optional argument: a form database to load.
#include <QApplication>
#include <QFileInfo>

#include "common/AppStart.h"
#include "designer/frmMain.h"

int main(int argc, char** argv) {
  return AppStart::RunProgram(argc, argv, "QfLayout", [] {
    frmMain window;
    window.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
      const QFileInfo file(args.mid(1).join(' '));  // a path with blanks may come in pieces
      QString name = file.fileName();
      if (name.endsWith(".qfd", Qt::CaseInsensitive)) name.chop(4);  // named as Load names it
      window.LoadFile(file.absolutePath().toLocal8Bit().toStdString(), name.toLocal8Bit().toStdString());
    }
    return QApplication::exec();
  });
}
