#include "common/frmHelp.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "engine/Host.h"
#include "lib/modLIB.h"

namespace {
// One line of the file without its line end (CR LF, or LF alone).
bool ReadLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// Opens the help file; false when it is missing, not a file or unreadable.
bool OpenHelp(std::ifstream& in) {
  std::error_code ec;
  const std::string path = frmHelp::HelpPath();
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  in.open(path, std::ios::binary);
  return static_cast<bool>(in);
}

std::string Replace(std::string s, char from, char to) {
  for (char& c : s)
    if (c == from) c = to;
  return s;
}
}  // namespace

std::string frmHelp::HelpPath() {
  std::string folder = Platform::ProgramFolder();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + modDlg::HelpFileName;
}

void frmHelp::LoadError() {
  modDB::GetHost().MsgBox("Help file load error", modDB::vbCritical | modDB::vbOKOnly, "Help");
}

frmHelp::frmHelp(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Help"));
  TOC = new QListWidget(this);
  TOC->setObjectName("TOC");
  TOC->setFixedWidth(qRound(200 * Platform::Zoom()));
  Heading = new QLabel(this);
  Heading->setObjectName("Heading");
  Heading->setTextFormat(Qt::PlainText);
  QFont big = Heading->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.3);
  Heading->setFont(big);
  Help = new QPlainTextEdit(this);
  Help->setObjectName("Help");
  Help->setReadOnly(true);
  // Help files line their tables up with blanks: show them in a fixed-pitch font.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (fixed.pointSizeF() > 0) fixed.setPointSizeF(fixed.pointSizeF() * Platform::Zoom());
  Help->setFont(fixed);
  cmdClose = new QPushButton(tr("Close"), this);
  cmdClose->setObjectName("cmdClose");
  cmdClose->setAutoDefault(false);

  auto* right = new QVBoxLayout;
  right->addWidget(Heading);
  right->addWidget(Help, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdClose);
  right->addLayout(buttons);
  auto* all = new QHBoxLayout(this);
  all->addWidget(TOC);
  all->addLayout(right, 1);
  resize(860, 540);  // a help line of 76 characters shows unwrapped
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

  std::ifstream in;
  if (!OpenHelp(in)) {
    LoadError();
  } else {
    std::string line;
    while (ReadLine(in, line))
      if (!line.empty() && line[0] == '#') TOC->addItem(QtText::FromCp(Replace(line, '#', ' ')));
    if (in.bad()) LoadError();
  }

  if (TOC->count() > 0) {
    int row = 0;
    const std::string wanted = modLIB::UCase(modLIB::Trim(modDlg::HelpTopic));
    for (int i = 0; i < TOC->count(); ++i)
      if (modLIB::UCase(modLIB::Trim(QtText::ToCp(TOC->item(i)->text()))) == wanted) {
        row = i;
        break;
      }
    TOC->setCurrentRow(row);
    ShowTopic(row);
  }
  connect(TOC, &QListWidget::currentRowChanged, this, &frmHelp::ShowTopic);
}

void frmHelp::ShowTopic(int row) {
  if (row < 0 || row >= TOC->count()) return;
  const std::string entry = QtText::ToCp(TOC->item(row)->text());
  Heading->setText(QtText::FromCp(modLIB::Trim(entry)));
  const std::string key = Replace(entry, ' ', '#');
  Help->clear();
  std::ifstream in;
  if (!OpenHelp(in)) {
    LoadError();
    return;
  }
  std::string line, text;
  bool found = false;
  while (ReadLine(in, line))
    if (line == key) {
      found = true;
      break;
    }
  if (found)
    while (ReadLine(in, line) && !(!line.empty() && line[0] == '#')) text += line + "\r\n";
  if (in.bad()) LoadError();
  QString shown = QtText::FromCp(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  Help->setPlainText(shown);
}
