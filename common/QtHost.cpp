#include "common/QtHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <algorithm>

#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"


QtHost::QtHost() { SetHost(this); }
QtHost::~QtHost() {
  if (&modDB::GetHost() == this) modDB::SetHost(nullptr);
}

namespace {
// The buttons of each classic button set, in their order on the box.
QList<QMessageBox::StandardButton> ButtonsOf(int style) {
  switch (style & 7) {
    case 1: return {QMessageBox::Ok, QMessageBox::Cancel};
    case 2: return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case 3: return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case 4: return {QMessageBox::Yes, QMessageBox::No};
    case 5: return {QMessageBox::Retry, QMessageBox::Cancel};
    default: return {QMessageBox::Ok};
  }
}
}  // namespace

void QtHost::Prepare(QMessageBox& box, const std::string& text, int style, const std::string& title) {
  box.setWindowTitle(QtText::FromCp(title.empty() ? Platform::AppTitle() : title));
  // Messages are plain text; their line breaks are CR LF.
  QString shown = QtText::FromCp(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box.setTextFormat(Qt::PlainText);
  box.setText(shown);
  switch (style & 0x70) {
    case modDB::vbCritical: box.setIcon(QMessageBox::Critical); break;
    case modDB::vbQuestion: box.setIcon(QMessageBox::Question); break;
    case modDB::vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case modDB::vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  const auto buttons = ButtonsOf(style);
  QMessageBox::StandardButtons set;
  for (auto b : buttons) set |= b;
  box.setStandardButtons(set);
  int index = (style >> 8) & 3;  // DefaultButton2 = 256, DefaultButton3 = 512
  if (index >= buttons.size()) index = 0;
  box.setDefaultButton(buttons[index]);
  // Escape answers Cancel where there is one, OK on a box with OK alone.
  if (set & QMessageBox::Cancel) box.setEscapeButton(QMessageBox::Cancel);
  else if (buttons.size() == 1) box.setEscapeButton(buttons[0]);
  KeepTitleWhole(box);
}

void QtHost::KeepTitleWhole(QMessageBox& box) {
  // The box is wide enough for its title beside the window system's buttons, which
  // would otherwise cut a short message's title to a few letters.
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  QFont bold = QApplication::font("QMdiSubWindowTitleBar");
  bold.setBold(true);
  const int width = std::min(QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + 160, 640);
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                grid->columnCount());
}

int QtHost::Answer(const QMessageBox& box, int style) {
  QAbstractButton* clicked = box.clickedButton();
  if (!clicked) return modDB::DefaultAnswer(style);
  switch (box.standardButton(clicked)) {
    case QMessageBox::Ok: return modDB::vbOK;
    case QMessageBox::Cancel: return modDB::vbCancel;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return modDB::vbYes;
    case QMessageBox::No: return modDB::vbNo;
    default: return modDB::DefaultAnswer(style);
  }
}

int QtHost::MsgBox(const std::string& text, int style, const std::string& title) {
  QMessageBox box(modDlg::OwnerWindow());
  Prepare(box, text, style, title);
  modDlg::RunModal(box);
  return Answer(box, style);
}

void QtHost::DoEvents() { QApplication::processEvents(); }
void QtHost::ShowPer(int32_t current, int32_t total) { modDlg::ShowPer(current, total); }
void QtHost::HidePer() { modDlg::HidePer(); }
