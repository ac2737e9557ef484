#include "common/Platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStorageInfo>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <future>
#include <memory>
#include <thread>
#include <unistd.h>

#include "common/QtText.h"
#include "lib/modLIB.h"

namespace Platform {

namespace {
std::string g_programFolder;
std::function<bool(const QString&)> g_linkOpener;

// Metric-compatible faces for the names of the font list, best first.
const struct {
  const char* name;
  QStringList faces;
} kSubstitutes[] = {
    {"Arial", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Arial Black", {"Liberation Sans", "DejaVu Sans"}},
    {"Comic Sans MS", {"Comic Neue", "Liberation Sans"}},
    {"Courier", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
    {"Courier New", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
    {"Georgia", {"Gelasio", "Liberation Serif"}},
    {"Impact", {"Liberation Sans Narrow", "Liberation Sans"}},
    {"Lucida Console", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Modern", {"Liberation Sans", "DejaVu Sans"}},
    {"Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"Script", {"URW Chancery L", "Liberation Serif"}},
    {"Symbol", {"Standard Symbols PS", "DejaVu Sans"}},
    {"Tahoma", {"DejaVu Sans", "Liberation Sans"}},
    {"Times Roman", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"Times New Roman", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"Verdana", {"DejaVu Sans", "Liberation Sans"}},
    {"Webdings", {"DejaVu Sans"}},
};

// Whether a folder can be listed, asked on a helper thread: a volume that has gone
// away (a network share, a removed medium) may block the asking thread for long,
// and the window must not wait for it. The helper is left to finish on its own.
bool ListableWithin(const QString& path, int milliseconds) {
  auto answer = std::make_shared<std::promise<bool>>();
  std::future<bool> result = answer->get_future();
  std::thread([answer, p = QFile::encodeName(path)] {
    bool ok = false;
    if (::access(p.constData(), R_OK | X_OK) == 0) {
      if (DIR* d = ::opendir(p.constData())) {
        errno = 0;
        ok = ::readdir(d) != nullptr || errno == 0;
        ::closedir(d);
      }
    }
    answer->set_value(ok);
  }).detach();
  return result.wait_for(std::chrono::milliseconds(milliseconds)) == std::future_status::ready && result.get();
}
}  // namespace

void InitScreen() {
  double dpiX = 96, dpiY = 96;
  if (const QScreen* s = QGuiApplication::primaryScreen()) {
    if (s->logicalDotsPerInchX() > 0) dpiX = s->logicalDotsPerInchX();
    if (s->logicalDotsPerInchY() > 0) dpiY = s->logicalDotsPerInchY();
  }
  modLIB::SetTwipsPerPixel(1440.0 / dpiX, 1440.0 / dpiY);
  for (const auto& s : kSubstitutes) QFont::insertSubstitutions(QString::fromLatin1(s.name), s.faces);
}

std::vector<std::string> LogicalDrives() {
  std::vector<std::string> drives{"/"};
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid()) continue;
    const QString root = v.rootPath();
    // Keep the volumes a user keeps files on; leave out the system's own trees.
    static const char* const kSystem[] = {"/proc", "/sys", "/dev", "/run", "/snap", "/boot", "/etc", "/var/lib"};
    bool system = false;
    for (const char* s : kSystem) {
      const QString p = QString::fromLatin1(s);
      if (root == p || root.startsWith(p + '/')) system = true;
    }
    if (root.startsWith(QLatin1String("/run/media/"))) system = false;
    if (system) continue;
    const std::string r = QtText::ToCp(root);
    if (std::find(drives.begin(), drives.end(), r) == drives.end()) drives.push_back(r);
  }
  std::sort(drives.begin() + 1, drives.end());
  return drives;
}

bool SetCurrentDrive(const std::string& root) {
  const QString path = QtText::FromCp(root);
  if (path.isEmpty() || !ListableWithin(path, 2000)) return false;
  return QDir::setCurrent(path);
}

bool SetCurrentFolder(const std::string& folder) {
  const QString path = QtText::FromCp(folder);
  if (path.isEmpty() || !ListableWithin(path, 2000)) return false;
  return QDir::setCurrent(path);
}

std::string CurrentFolder() { return QtText::ToCp(QDir::currentPath()); }

std::string ProgramFolder() {
  if (!g_programFolder.empty()) return g_programFolder;
  return QtText::ToCp(QCoreApplication::applicationDirPath());
}

void SetProgramFolder(const std::string& folder) { g_programFolder = folder; }

std::string AppTitle() { return QtText::ToCp(QCoreApplication::applicationName()); }

QFont FormFont(const std::string& name, int size, bool bold, bool italic) {
  QFont f(QtText::FromCp(name));
  if (size > 0) f.setPointSize(size);
  f.setBold(bold);
  f.setItalic(italic);
  return f;
}

namespace {
double g_zoom = 1.0;
}  // namespace

double Zoom() { return g_zoom; }
void SetZoom(double zoom) { g_zoom = zoom > 0 ? zoom : 1.0; }

void ZoomLayout(QWidget* window) {
  if (g_zoom == 1.0) return;
  const auto scaled = [](const QRect& r) {
    return QRect(qRound(r.x() * g_zoom), qRound(r.y() * g_zoom), qRound(r.width() * g_zoom),
                 qRound(r.height() * g_zoom));
  };
  for (QWidget* c : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) c->setGeometry(scaled(c->geometry()));
  window->setFixedSize(scaled(window->rect()).size());
}

bool OpenLink(const QString& address) {
  if (g_linkOpener) return g_linkOpener(address);
  QUrl url = QUrl::fromUserInput(address);
  if (address.contains('@') && !address.contains(':')) url = QUrl(QStringLiteral("mailto:") + address);
  return QDesktopServices::openUrl(url);
}

void SetLinkOpener(std::function<bool(const QString&)> opener) { g_linkOpener = std::move(opener); }

}  // namespace Platform
