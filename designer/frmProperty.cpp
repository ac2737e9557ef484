#include "designer/frmProperty.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "common/DialogParts.h"
#include "common/FormLook.h"
#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "designer/DesignerState.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"

using DialogParts::Button;

namespace {


void ShowFont(QLabel* label, const modDB::FontDef& f) {
  label->setFont(Platform::FormFont(f.Name.Trimmed(), f.Size, f.Bold != 0, f.Italic != 0));
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, FormLook::Color(f.ForeColor));
  p.setColor(QPalette::Window, FormLook::Color(f.BackColor));
  label->setPalette(p);
  label->setAutoFillBackground(true);
  label->adjustSize();
}

// The screen's size in pixels, the largest form the size boxes accept.
QSize ScreenPixels(const QWidget* w) {
  const QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return s ? s->geometry().size() : QSize(800, 600);
}

}  // namespace

frmProperty::frmProperty(DesignerState* designer)
    : QDialog(designer->DialogParent()), designer_(designer) {
  setObjectName("frmProperty");
  setWindowTitle("Properties");

  // Form settings.
  MH = DialogParts::NumberBox(this, "MH");
  MW = DialogParts::NumberBox(this, "MW");
  btnBackground = Button(this, "Background Color", "btnBackground");
  auto* formBox = new QGroupBox(" Form Settings ", this);
  auto* formGrid = new QGridLayout(formBox);
  formGrid->addWidget(new QLabel("Form Height", formBox), 0, 0);
  formGrid->addWidget(MH, 0, 1);
  formGrid->addWidget(new QLabel("Form Width", formBox), 1, 0);
  formGrid->addWidget(MW, 1, 1);
  formGrid->addWidget(btnBackground, 2, 0, 1, 2);

  // Field settings.
  btnFieldForeground = Button(this, "Foreground Color", "btnFieldForeground");
  btnFieldBackground = Button(this, "Background Color", "btnFieldBackground");
  btnFieldFont = Button(this, "Font", "btnFieldFont");
  auto* fieldBox = new QGroupBox(" Field Settings ", this);
  auto* fieldColumn = new QVBoxLayout(fieldBox);
  fieldColumn->addWidget(btnFieldForeground);
  fieldColumn->addWidget(btnFieldBackground);
  fieldColumn->addWidget(btnFieldFont);

  // Banner settings.
  btnBannerForeground = Button(this, "Foreground Color", "btnBannerForeground");
  chkBFC = new QCheckBox("Apply this color to all banners", this);
  chkBFC->setObjectName("chkBFC");
  btnBannerBackground = Button(this, "Background Color", "btnBannerBackground");
  chkBBC = new QCheckBox("Apply this color to all banners", this);
  chkBBC->setObjectName("chkBBC");
  btnBannerFont = Button(this, "Font", "btnBannerFont");
  chkBFNT = new QCheckBox("Apply this font to all banners", this);
  chkBFNT->setObjectName("chkBFNT");
  auto* bannerBox = new QGroupBox(" Banner Settings ", this);
  auto* bannerGrid = new QGridLayout(bannerBox);
  bannerGrid->addWidget(btnBannerForeground, 0, 0);
  bannerGrid->addWidget(chkBFC, 0, 1);
  bannerGrid->addWidget(btnBannerBackground, 1, 0);
  bannerGrid->addWidget(chkBBC, 1, 1);
  bannerGrid->addWidget(btnBannerFont, 2, 0);
  bannerGrid->addWidget(chkBFNT, 2, 1);

  // Print orientation and date format.
  optPort = new QRadioButton("Portrait", this);
  optPort->setObjectName("optPort");
  optLand = new QRadioButton("Landscape", this);
  optLand->setObjectName("optLand");
  auto* printBox = new QGroupBox(" Print Orientation ", this);
  auto* printColumn = new QVBoxLayout(printBox);
  printColumn->addWidget(optPort);
  printColumn->addWidget(optLand);
  optUS = new QRadioButton("MM / DD / YYYY", this);
  optUS->setObjectName("optUS");
  optUK = new QRadioButton("DD / MM / YYYY", this);
  optUK->setObjectName("optUK");
  auto* dateBox = new QGroupBox(" Date Format ", this);
  auto* dateColumn = new QVBoxLayout(dateBox);
  dateColumn->addWidget(optUS);
  dateColumn->addWidget(optUK);

  // Preview.
  auto* previewBox = new QGroupBox(" Preview of Form ", this);
  Frame = new QFrame(previewBox);
  Frame->setObjectName("Frame");
  Frame->setFrameShape(QFrame::StyledPanel);
  Frame->setAutoFillBackground(true);
  Frame->setMinimumSize(220, 90);
  F = new QLabel("Field", Frame);
  F->setObjectName("F");
  F->setFrameShape(QFrame::Box);
  F->move(16, 16);
  B = new QLabel("Banner", Frame);
  B->setObjectName("B");
  B->move(16, 52);
  auto* previewColumn = new QVBoxLayout(previewBox);
  previewColumn->addWidget(Frame);

  BtnUpdate = Button(this, "Update", "BtnUpdate");
  BtnUpdate->setDefault(true);
  btnHelp = Button(this, "Help", "btnHelp");
  // Cancel (and Esc) close the dialog as its close box does: nothing is stored.
  btnCancel = DialogParts::Button(this, "Cancel", "btnCancel");
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* left = new QVBoxLayout;
  left->addWidget(formBox);
  left->addWidget(fieldBox);
  auto* options = new QHBoxLayout;
  options->addWidget(printBox);
  options->addWidget(dateBox);
  auto* right = new QVBoxLayout;
  right->addWidget(bannerBox);
  right->addLayout(options);
  right->addWidget(previewBox, 1);
  auto* groups = new QHBoxLayout;
  groups->addLayout(left);
  groups->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BtnUpdate);
  buttons->addWidget(btnHelp);
  buttons->addWidget(btnCancel);
  auto* all = new QVBoxLayout(this);
  all->addLayout(groups, 1);
  all->addLayout(buttons);

  connect(btnBackground, &QPushButton::clicked, this, [this] { PickColor(Props.BackColor); });
  connect(btnFieldForeground, &QPushButton::clicked, this, [this] { PickColor(Props.FieldFont.ForeColor); });
  connect(btnFieldBackground, &QPushButton::clicked, this, [this] { PickColor(Props.FieldFont.BackColor); });
  connect(btnFieldFont, &QPushButton::clicked, this, [this] { PickFont(Props.FieldFont); });
  connect(btnBannerForeground, &QPushButton::clicked, this, [this] { PickColor(Props.BannerFont.ForeColor); });
  connect(btnBannerBackground, &QPushButton::clicked, this, [this] { PickColor(Props.BannerFont.BackColor); });
  connect(btnBannerFont, &QPushButton::clicked, this, [this] { PickFont(Props.BannerFont); });
  connect(BtnUpdate, &QPushButton::clicked, this, &frmProperty::BtnUpdate_Click);
  connect(btnHelp, &QPushButton::clicked, this, [] { modDlg::ShowHelp("Properties"); });

  // Loading.
  Props = modDB::GetFormProps();
  ShowPreview();
  MH->setText(QString::number(modLIB::TwipsToPixelsY(Props.Height)));
  MW->setText(QString::number(modLIB::TwipsToPixelsX(Props.Width)));
  (modDB::GetDateOrder() == 2 ? optUS : optUK)->setChecked(true);
  (modDB::GetOrientation() == 2 ? optLand : optPort)->setChecked(true);
}

void frmProperty::ShowPreview() {
  ShowFont(B, Props.BannerFont);
  ShowFont(F, Props.FieldFont);
  QPalette p = Frame->palette();
  p.setColor(QPalette::Window, FormLook::Color(Props.BackColor));
  Frame->setPalette(p);
}

void frmProperty::PickColor(int32_t& color) {
  modDlg::DialogColor = color;
  modDlg::ShowColorDialog();
  color = modDlg::DialogColor;
  ShowPreview();
}

void frmProperty::PickFont(modDB::FontDef& font) {
  modDlg::DialogFontName = font.Name.Trimmed();
  modDlg::DialogFontSize = font.Size;
  modDlg::DialogFontBold = font.Bold;
  modDlg::DialogFontItalic = font.Italic;
  modDlg::ShowFontDialog();
  font.Name.Set(modLIB::Trim(modDlg::DialogFontName));
  font.Size = static_cast<uint8_t>(std::clamp<int>(modDlg::DialogFontSize, 0, 255));
  font.Bold = modDlg::DialogFontBold ? 255 : 0;
  font.Italic = modDlg::DialogFontItalic ? 255 : 0;
  ShowPreview();
}

void frmProperty::BtnUpdate_Click() {
  const QSize screen = ScreenPixels(this);
  const int32_t highest = modLIB::TwipsToPixelsY(modLIB::PixelsToTwipsY(screen.height()));
  const int32_t widest = modLIB::TwipsToPixelsX(modLIB::PixelsToTwipsX(screen.width()));
  if (!DialogParts::InRange(MH, 200, highest)) {
    modDB::GetHost().MsgBox("Invalid Height", modDB::vbCritical | modDB::vbOKOnly, "");
    MH->setFocus();
    return;
  }
  if (!DialogParts::InRange(MW, 200, widest)) {
    modDB::GetHost().MsgBox("Invalid Width", modDB::vbCritical | modDB::vbOKOnly, "");
    MW->setFocus();
    return;
  }

  designer_->Modified = true;
  modDB::SetDateOrder(optUS->isChecked() ? 2 : 1);
  modDB::SetOrientation(optLand->isChecked() ? 2 : 1);
  // A size beyond what the file's 16-bit twips can hold stops at the largest one.
  Props.Height = DialogParts::Whole16(DialogParts::Val(MH->text()) * modLIB::TwipsPerPixelY(), 0);
  Props.Width = DialogParts::Whole16(DialogParts::Val(MW->text()) * modLIB::TwipsPerPixelX(), 0);
  SetFormProps(Props);
  designer_->SetOuterSize(Props.Width, Props.Height);
  designer_->SetBackColor(Props.BackColor);

  // Every banner slot is visited: a file made elsewhere may have gaps between them.
  for (int16_t i = 1; i <= modDB::kMaxBanners; ++i) {
    modDB::BannerDef b;
    if (modDB::GetBanner(i, b) == 0) continue;
    if (chkBFC->isChecked()) b.Font.ForeColor = Props.BannerFont.ForeColor;
    if (chkBBC->isChecked()) b.Font.BackColor = Props.BannerFont.BackColor;
    if (chkBFNT->isChecked()) {
      b.Font.Name = Props.BannerFont.Name;
      b.Font.Size = Props.BannerFont.Size;
      b.Font.Bold = Props.BannerFont.Bold;
      b.Font.Italic = Props.BannerFont.Italic;
    }
    modDB::SetBanner(i, b);
  }
  accept();
}
