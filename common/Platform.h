// Platform: the pieces of the window system and file system the shared windows need,
// kept in one place so that the windows read like the rest of the program.
//
// InitScreen is called once at program start, after the QApplication exists: it sets
// the screen's twips per pixel (1440 / logical DPI, 15 at 96 DPI) into modLIB and
// installs the substitutes for the form fonts. Drives are the file system roots and
// mounted volumes; changing drive or folder changes the process's current folder.
#pragma once

#include <QFont>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace Platform {

void InitScreen();

// Mounted volumes that can hold files, the root "/" first, each as its root path.
std::vector<std::string> LogicalDrives();
// Make the drive's root, or a folder, the current folder; false when it cannot be
// listed within two seconds (a volume gone away never hangs the window).
bool SetCurrentDrive(const std::string& root);
bool SetCurrentFolder(const std::string& folder);
std::string CurrentFolder();

// The folder of the program file (the help files live there). Tests may point it
// elsewhere; an empty text restores the program's own folder.
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);

// The program's own title, used for messages that carry no title of their own.
std::string AppTitle();

// A form font by its listed name ("Arial", "Times Roman" ...), resolved to the
// closest installed face with the same metrics where there is one.
QFont FormFont(const std::string& name, int size, bool bold, bool italic);

// The zoom the program's windows are shown at, 1 as designed. A zoomed view sets it
// together with the application's font; dialogs laid out in pixels and fonts set
// apart from the application's scale by it.
double Zoom();
void SetZoom(double zoom);
// A window laid out in pixels, its children's places and its fixed size, scaled by
// the zoom.
void ZoomLayout(QWidget* window);

// Opens a web or mail address with the system's browser or mailer; false when no
// program took it. Tests replace the opener so that nothing is launched.
bool OpenLink(const QString& address);
void SetLinkOpener(std::function<bool(const QString&)> opener);

}  // namespace Platform
