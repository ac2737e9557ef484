#include "common/frmDlgFile.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/DialogParts.h"
#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "engine/Host.h"

namespace {
QString Join(const QString& folder, const QString& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}
}  // namespace

std::string frmDlgFile::ShortenPath(std::string_view path) {
  if (path.size() < 51) return std::string(path);
  return std::string(path.substr(0, 22)) + " .. " + std::string(path.substr(path.size() - 22));
}

frmDlgFile::frmDlgFile(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QtText::FromCp(modDlg::DialogTitle));

  lstDrive = new QListWidget(this);
  lstDrive->setObjectName("lstDrive");
  lstDrive->setFixedWidth(150);
  lstDrive->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lstDrive->setTextElideMode(Qt::ElideMiddle);
  lstDir = new QListWidget(this);
  lstDir->setObjectName("lstDir");
  lstDir->setTextElideMode(Qt::ElideMiddle);
  txtPath = new QLabel(this);
  txtPath->setObjectName("txtPath");
  txtPath->setTextFormat(Qt::PlainText);
  txtPath->setFrameShape(QFrame::StyledPanel);
  txtPath->setMinimumWidth(340);
  txtFile = new QLineEdit(this);
  // Boxes without a caption of their own are named by what they hold.
  lstDrive->setAccessibleName(tr("Drives"));
  lstDir->setAccessibleName(tr("Folders"));
  txtPath->setAccessibleName(tr("Folder"));
  txtFile->setObjectName("txtFile");
  cmdOk = new QPushButton(tr("Ok"), this);
  cmdOk->setObjectName("cmdOk");
  cmdOk->setDefault(true);
  cmdCancel = new QPushButton(tr("Cancel"), this);
  cmdCancel->setObjectName("cmdCancel");
  cmdCancel->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(lstDrive, 0, 0, 2, 1);
  grid->addWidget(txtPath, 0, 1);
  grid->addWidget(lstDir, 1, 1);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(DialogParts::Caption(new QLabel(tr("File"), this), txtFile));
  fileRow->addWidget(txtFile, 1);
  auto* buttons = new QHBoxLayout;
  const QStringList patterns = QtText::FromCp(modDlg::DialogFilter).split('|', Qt::SkipEmptyParts);
  if (patterns.size() > 1) {
    cboType = new QComboBox(this);
    cboType->setObjectName("cboType");
    for (const QString& p : patterns) cboType->addItem(p == "*" ? tr("All files") : p, p);
    buttons->addWidget(DialogParts::Caption(new QLabel(tr("Type"), this), cboType));
    buttons->addWidget(cboType);
    connect(cboType, &QComboBox::currentIndexChanged, this, [this] {
      Pattern = cboType->currentData().toString();
      FillFolder();
    });
  }
  buttons->addStretch(1);
  buttons->addWidget(cmdOk);
  buttons->addWidget(cmdCancel);
  auto* all = new QVBoxLayout(this);
  all->addLayout(grid, 1);
  all->addLayout(fileRow);
  all->addLayout(buttons);
  resize(500, 360);

  Pattern = patterns.isEmpty() ? QStringLiteral("*.*") : patterns.front();
  // The folder shown is always the process's current folder, so that a bare file
  // name saved later lands where the user saw it. A folder since removed leaves
  // the current folder as it was.
  if (!modDlg::DialogFolder.empty()) Platform::SetCurrentFolder(modDlg::DialogFolder);
  CurFolder = QDir::currentPath();
  txtFile->setText(QtText::FromCp(modDlg::DialogFileName));
  FillDrives();
  FillFolder();

  connect(lstDir, &QListWidget::itemClicked, this, &frmDlgFile::lstDir_Click);
  // The arrow keys choose a file as a click does; Enter opens a folder, and a file
  // as a double click does.
  connect(lstDir, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (lstDir->hasFocus()) lstDir_Click(item);
  });
  lstDir->installEventFilter(this);
  txtFile->installEventFilter(this);
  // The name box takes the keys first.
  txtFile->setFocus();
  connect(lstDir, &QListWidget::itemDoubleClicked, this, &frmDlgFile::lstDir_DblClick);
  connect(lstDrive, &QListWidget::itemDoubleClicked, this, &frmDlgFile::lstDrive_DblClick);
  connect(cmdOk, &QPushButton::clicked, this, &frmDlgFile::cmdOk_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmDlgFile::FillDrives() {
  lstDrive->clear();
  for (const std::string& d : Platform::LogicalDrives()) {
    lstDrive->addItem(QtText::FromCp(d));
    lstDrive->item(lstDrive->count() - 1)->setToolTip(QtText::FromCp(d));
  }
}

void frmDlgFile::FillFolder() {
  txtPath->setText(QtText::FromCp(ShortenPath(QtText::ToCp(CurFolder))));
  txtPath->setToolTip(CurFolder);
  lstDir->clear();
  const QDir dir(CurFolder);
  // Folders first, ".." leading, then the files of the pattern in name order.
  const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& f : folders) lstDir->addItem('[' + f + ']');
  const QStringList files =
      dir.entryList(QStringList{Pattern}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
  for (const QString& f : files) {
    // Drop the extension the pattern names; a name without one, or listed among all
    // files, stays whole.
    const int dot = Pattern == "*" ? -1 : f.lastIndexOf('.');
    lstDir->addItem(dot > 0 ? f.left(dot) : f);
  }
}

void frmDlgFile::lstDir_Click(QListWidgetItem* item) {
  if (item && !item->text().startsWith('[')) txtFile->setText(item->text());
}

void frmDlgFile::lstDir_DblClick(QListWidgetItem* item) {
  if (!item) return;
  const QString entry = item->text();
  if (!entry.startsWith('[')) {
    txtFile->setText(entry);
    if (modDlg::DialogSaveMode == 0) cmdOk_Click();
    return;
  }
  const QString name = entry.mid(1, entry.size() - 2);
  Platform::SetCurrentFolder(QtText::ToCp(Join(CurFolder, name)));
  CurFolder = QDir::currentPath();
  txtFile->clear();
  FillFolder();
}

bool frmDlgFile::eventFilter(QObject* watched, QEvent* e) {
  if (watched == lstDir && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && lstDir->currentItem()) {
      QListWidgetItem* item = lstDir->currentItem();
      const bool file = !item->text().startsWith('[');
      lstDir_DblClick(item);
      if (file && isVisible()) txtFile->setFocus();  // save mode: the name to confirm
      return true;
    }
  }
  // In the name box Up and Down walk the list: a file's name, or a folder's, which
  // Enter then opens as a typed folder.
  if (watched == txtFile && e->type() == QEvent::KeyPress && lstDir->count() > 0) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Down || key == Qt::Key_Up) {
      const int row = std::clamp(lstDir->currentRow() + (key == Qt::Key_Down ? 1 : -1), 0, lstDir->count() - 1);
      lstDir->setCurrentRow(row);
      const QString entry = lstDir->item(row)->text();
      txtFile->setText(entry.startsWith('[') ? entry.mid(1, entry.size() - 2) : entry);
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

void frmDlgFile::lstDrive_DblClick(QListWidgetItem* item) {
  if (!item) return;
  if (!Platform::SetCurrentDrive(QtText::ToCp(item->text())))
    modDB::GetHost().MsgBox("Drive unavailable.", modDB::vbCritical | modDB::vbOKOnly, Platform::AppTitle());
  CurFolder = QDir::currentPath();
  txtFile->clear();
  FillFolder();
}

bool frmDlgFile::GoToTyped() {
  QString path = txtFile->text();
  if (path.isEmpty()) return false;
  if (path == "~" || path.startsWith("~/")) path = QDir::homePath() + path.mid(1);
  const QFileInfo typed(QDir::isAbsolutePath(path) ? path : Join(CurFolder, path));
  auto show = [this](const QString& folder) {
    Platform::SetCurrentFolder(QtText::ToCp(folder));
    CurFolder = QDir::currentPath();
    FillFolder();
  };
  if (typed.isDir()) {
    show(typed.absoluteFilePath());
    txtFile->clear();
    return true;
  }
  if (path.contains('/') && QFileInfo(typed.absolutePath()).isDir()) {
    show(typed.absolutePath());
    txtFile->setText(typed.fileName());
  }
  return false;
}

void frmDlgFile::cmdOk_Click() {
  if (GoToTyped()) return;
  modDlg::DialogFolder = QtText::ToCp(CurFolder);
  modDlg::DialogFileName = QtText::ToCp(txtFile->text());
  accept();
}
