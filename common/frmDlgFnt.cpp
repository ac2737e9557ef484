#include "common/frmDlgFnt.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"

const QStringList& frmDlgFnt::FontNames() {
  static const QStringList names = {"Arial",  "Arial Black", "Comic Sans MS", "Courier", "Georgia",
                                    "Impact", "Lucida Console", "Modern",     "Roman",   "Script",
                                    "Symbol", "Tahoma",      "Times Roman",   "Verdana", "Webdings"};
  return names;
}

const QStringList& frmDlgFnt::FontSizes() {
  static const QStringList sizes = {"8", "10", "12", "14", "16", "18", "20", "22", "24", "28", "32", "48", "72"};
  return sizes;
}

frmDlgFnt::frmDlgFnt(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QtText::FromCp(modDlg::DialogTitle));

  lstFN = new QListWidget(this);
  lstFN->setObjectName("lstFN");
  lstFN->addItems(FontNames());
  lstFN->setMinimumWidth(160);
  lstFS = new QListWidget(this);
  lstFS->setObjectName("lstFS");
  lstFS->addItems(FontSizes());
  lstFS->setFixedWidth(60);
  chkBold = new QCheckBox(tr("Bold"), this);
  chkBold->setObjectName("chkBold");
  chkItalic = new QCheckBox(tr("Italic"), this);
  chkItalic->setObjectName("chkItalic");
  lblSample = new QLabel(QStringLiteral("AaBbYyZz 123"), this);
  lblSample->setObjectName("lblSample");
  lblSample->setFrameShape(QFrame::StyledPanel);
  lblSample->setAlignment(Qt::AlignCenter);
  lblSample->setFixedHeight(64);
  cmdOK = new QPushButton(tr("Ok"), this);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setDefault(true);
  cmdCancel = new QPushButton(tr("Cancel"), this);
  cmdCancel->setObjectName("cmdCancel");
  cmdCancel->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Font"), this), 0, 0);
  grid->addWidget(new QLabel(tr("Size"), this), 0, 1);
  grid->addWidget(new QLabel(tr("Style"), this), 0, 2);
  grid->addWidget(lstFN, 1, 0);
  grid->addWidget(lstFS, 1, 1);
  auto* style = new QVBoxLayout;
  style->addWidget(chkBold);
  style->addWidget(chkItalic);
  style->addStretch(1);
  grid->addLayout(style, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  auto* all = new QVBoxLayout(this);
  all->addLayout(grid);
  all->addWidget(lblSample);
  all->addLayout(buttons);

  int name = 0;
  const QString wanted = QtText::FromCp(modDlg::DialogFontName);
  for (int i = 0; i < FontNames().size(); ++i)
    if (FontNames()[i].compare(wanted, Qt::CaseInsensitive) == 0) {
      name = i;
      break;
    }
  lstFN->setCurrentRow(name);
  int size = 0;
  for (int i = 0; i < FontSizes().size(); ++i)
    if (FontSizes()[i].toInt() == modDlg::DialogFontSize) {
      size = i;
      break;
    }
  lstFS->setCurrentRow(size);
  chkBold->setChecked(modDlg::DialogFontBold != 0);
  chkItalic->setChecked(modDlg::DialogFontItalic != 0);
  ShowSample();

  connect(lstFN, &QListWidget::currentRowChanged, this, &frmDlgFnt::ShowSample);
  connect(lstFS, &QListWidget::currentRowChanged, this, &frmDlgFnt::ShowSample);
  connect(chkBold, &QCheckBox::toggled, this, &frmDlgFnt::ShowSample);
  connect(chkItalic, &QCheckBox::toggled, this, &frmDlgFnt::ShowSample);
  connect(cmdOK, &QPushButton::clicked, this, &frmDlgFnt::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
  // Tall enough to show every name and size without scrolling.
  const int rows = static_cast<int>(FontNames().size());
  lstFN->setMinimumHeight(rows * lstFN->sizeHintForRow(0) + 2 * lstFN->frameWidth() + 2);
  lstFS->setMinimumHeight(lstFN->minimumHeight());
  resize(sizeHint());
}

void frmDlgFnt::ShowSample() {
  const QString name = lstFN->currentItem() ? lstFN->currentItem()->text() : FontNames()[0];
  const int size = lstFS->currentItem() ? lstFS->currentItem()->text().toInt() : 8;
  // The sample is capped so that a large size still fits the window.
  lblSample->setFont(Platform::FormFont(QtText::ToCp(name), std::min(size, 28), chkBold->isChecked(),
                                        chkItalic->isChecked()));
}

void frmDlgFnt::cmdOK_Click() {
  const QString name = lstFN->currentItem() ? lstFN->currentItem()->text() : FontNames()[0];
  const QString size = lstFS->currentItem() ? lstFS->currentItem()->text() : FontSizes()[0];
  modDlg::DialogFontName = QtText::ToCp(name);
  modDlg::DialogFontSize = static_cast<int16_t>(size.toInt());
  modDlg::DialogFontBold = chkBold->isChecked() ? 1 : 0;
  modDlg::DialogFontItalic = chkItalic->isChecked() ? 1 : 0;
  accept();
}
