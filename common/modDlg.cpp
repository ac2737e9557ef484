#include "common/modDlg.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "common/frmAbout.h"
#include "common/frmDlgClr.h"
#include "common/frmDlgFile.h"
#include "common/frmDlgFnt.h"
#include "common/frmGetDate.h"
#include "common/frmHelp.h"
#include "common/frmInput.h"
#include "common/frmProgress.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"

namespace modDlg {

std::string DialogTitle;
std::string DialogFileName;
std::string DialogFilter;
int16_t DialogSaveMode = 0;
std::string DialogFolder;
std::string InputText;
int16_t InputMaxLength = 0;
std::string InputMode;
std::string DateText;
int32_t DatePickerLeft = 0;
int32_t DatePickerTop = 0;
int16_t DatePickerOrder = 1;
int32_t DialogColor = 0;
std::string DialogFontName;
int16_t DialogFontSize = 0;
uint8_t DialogFontBold = 0;
uint8_t DialogFontItalic = 0;
std::string HelpFileName;
std::string HelpTopic;

namespace {
ShownHook g_hook;
}

void SetShownHook(ShownHook hook) { g_hook = std::move(hook); }

QWidget* OwnerWindow() {
  QWidget* w = QApplication::activeWindow();
  if (w && w == frmProgress::Instance()) w = w->parentWidget();  // it comes and goes
  return w;
}

namespace {

// A dialog that places itself nowhere opens centred over the window it belongs to,
// inside the screen: left to the window system it may land in a corner.
void CentreOverOwner(QDialog& dialog) {
  if (dialog.testAttribute(Qt::WA_Moved) || qobject_cast<QMessageBox*>(&dialog)) return;
  QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : OwnerWindow();
  if (!owner || owner == &dialog || !owner->isVisible()) return;
  if (!dialog.testAttribute(Qt::WA_Resized)) dialog.adjustSize();
  QRect r(QPoint(0, 0), dialog.size());
  r.moveCenter(owner->frameGeometry().center());
  if (const QScreen* s = owner->screen()) {
    const QRect area = s->availableGeometry();
    r.moveLeft(std::clamp(r.left(), area.left(), std::max(area.left(), area.right() - r.width())));
    r.moveTop(std::clamp(r.top(), area.top(), std::max(area.top(), area.bottom() - r.height())));
  }
  dialog.move(r.topLeft());
}

}  // namespace

int RunModal(QDialog& dialog) {
  CentreOverOwner(dialog);
  if (g_hook) {
    QPointer<QDialog> d(&dialog);
    QTimer::singleShot(0, &dialog, [d] {
      if (!d || !g_hook) return;
      ShownHook hook = g_hook;  // the hook may replace itself
      hook(d);
      // A hook that leaves the dialog open would leave the caller waiting forever.
      if (d && d->isVisible()) d->reject();
    });
  }
  return dialog.exec();
}

void ShowColorDialog() {
  DialogTitle = "Select Color";
  frmDlgClr dlg(OwnerWindow());
  RunModal(dlg);
}

void ShowFontDialog() {
  DialogTitle = "Select Font";
  frmDlgFnt dlg(OwnerWindow());
  RunModal(dlg);
}

void ShowOpenDialog(const std::string& title) {
  DialogTitle = title;
  DialogFileName.clear();
  DialogSaveMode = 0;
  frmDlgFile dlg(OwnerWindow());
  RunModal(dlg);
}

void ShowSaveDialog() {
  DialogTitle = "Save As";
  DialogSaveMode = -1;
  frmDlgFile dlg(OwnerWindow());
  RunModal(dlg);
}

void ShowDatePicker(int32_t left, int32_t top, int16_t order) {
  DatePickerLeft = left;
  DatePickerTop = top;
  DatePickerOrder = order == 2 ? 2 : 1;
  frmGetDate dlg(OwnerWindow());
  RunModal(dlg);
}

void ShowInputBox(const std::string& mode) {
  InputMode = modLIB::UCase(modLIB::Trim(mode));
  frmInput dlg(OwnerWindow());
  RunModal(dlg);
}

void ShowHelp(const std::string& topic) {
  HelpTopic = topic;
  frmHelp dlg(OwnerWindow());
  RunModal(dlg);
}

void ShowAbout() {
  frmAbout dlg(OwnerWindow());
  RunModal(dlg);
}

namespace {

// F1 anywhere: the help topic of the active window.
class HelpKey : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() != Qt::Key_F1 || (k->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    QWidget* front = static_cast<QWidget*>(watched)->window();
    if (qobject_cast<frmHelp*>(front)) return false;
    if (!open_) {  // the key reaches every parent in turn: one viewer
      open_ = true;
      ShowHelp(HelpTopicOf(front));
      open_ = false;
    }
    return true;
  }

 private:
  bool open_ = false;
};

}  // namespace

std::string HelpTopicOf(const QWidget* window) {
  if (!window) return "";
  static const std::pair<const char*, const char*> topics[] = {
      {"frmSearch", "Find Dialog"}, {"frmBrowse", "Select"},         {"frmPrint", "Print Dialog"},
      {"frmExport", "Export Dialog"}, {"frmImport", "Import"},       {"frmGetDate", "Date Picker"},
      {"frmInput", "Password"},     {"frmAbout", "About"},           {"frmProgress", "Progress"},
      {"frmField", "Add Field"},    {"frmBanner", "Add Banner"},     {"frmProperty", "Properties"},
      {"frmTabOrder", "Tab Order"}, {"frmScript", "Script"},         {"frmDlgClr", "Color Dialog"},
      {"frmDlgFnt", "Font Dialog"}};
  const char* cls = window->metaObject()->className();
  for (const auto& [name, topic] : topics)
    if (std::strcmp(cls, name) == 0) return topic;
  // The file picker is "Save As", else a "Load" of some kind; a main window opens
  // the contents.
  if (std::strcmp(cls, "frmDlgFile") == 0) return window->windowTitle() == "Save As" ? "Save As" : "Load";
  return "";
}

void InstallHelpKey() {
  static HelpKey* key = nullptr;
  if (!key) {
    key = new HelpKey(qApp);
    qApp->installEventFilter(key);
  }
}

void OpenLink(const std::string& address) {
  if (Platform::OpenLink(QtText::FromCp(address))) return;
  modDB::GetHost().MsgBox("No web browser or mail program could open " + address + ".", modDB::vbCritical,
                          "OPEN LINK");
}

void ShowPer(int32_t current, int32_t total) { frmProgress::ShowPer(current, total); }
void HidePer() { frmProgress::HidePer(); }

}  // namespace modDlg
