#include "designer/frmBanner.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "common/DialogParts.h"
#include "common/FormLook.h"
#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "designer/DesignerState.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"


namespace {

constexpr int kCaptionWidth = 64;

// The caption box holds line breaks as LF; the definition as CR LF.
QString ToBox(const std::string& cp) { return QtText::FromCp(cp).replace("\r\n", "\n"); }
std::string FromBox(QString s) { return QtText::ToCp(s.replace("\n", "\r\n")); }

}  // namespace

frmBanner::frmBanner(DesignerState* designer)
    : QDialog(designer->DialogParent()), designer_(designer) {
  setObjectName("frmBanner");
  setWindowTitle("Banner Properties");

  lblPNO = DialogParts::NumberLabel(this, "lblPNO");
  lblBNO = DialogParts::NumberLabel(this, "lblBNO");
  X = DialogParts::NumberBox(this, "X");
  Y = DialogParts::NumberBox(this, "Y");
  TXT = new QPlainTextEdit(this);
  TXT->setObjectName("TXT");
  // Both scroll bars and no wrapping: a line of the caption shows as it will stand.
  TXT->setLineWrapMode(QPlainTextEdit::NoWrap);
  TXT->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  TXT->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  TXT->setMinimumSize(300, 110);
  TXT->setTabChangesFocus(true);
  TXT->installEventFilter(this);
  // A caption holds at most 64 characters: what goes beyond is not entered.
  connect(TXT, &QPlainTextEdit::textChanged, this, [this] {
    const QString t = TXT->toPlainText();
    if (FromBox(t).size() <= kCaptionWidth) return;
    QString cut = t;
    while (!cut.isEmpty() && static_cast<int>(FromBox(cut).size()) > kCaptionWidth) cut.chop(1);
    const QSignalBlocker block(TXT);
    TXT->setPlainText(cut);
    TXT->moveCursor(QTextCursor::End);
  });

  BtnFont = DialogParts::Button(this, "Font", "BtnFont");
  BtnForeground = DialogParts::Button(this, "Foreground Color", "BtnForeground");
  btnBackground = DialogParts::Button(this, "Background Color", "btnBackground");
  BtnUpdate = DialogParts::Button(this, "Add", "BtnUpdate");
  BtnUpdate->setDefault(true);  // Enter in any box stores the banner
  btnDelete = DialogParts::Button(this, "Delete", "btnDelete");
  btnHelp = DialogParts::Button(this, "Help", "btnHelp");
  // Cancel (and Esc) close the dialog as its close box does: nothing is stored.
  btnCancel = DialogParts::Button(this, "Cancel", "btnCancel");
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* top = new QGridLayout;
  top->addWidget(new QLabel("Page #", this), 0, 0);
  top->addWidget(lblPNO, 0, 1);
  top->addWidget(new QLabel("Ban #", this), 0, 2);
  top->addWidget(lblBNO, 0, 3);
  top->addWidget(DialogParts::Caption(new QLabel("X", this), X), 1, 0);
  top->addWidget(X, 1, 1);
  top->addWidget(DialogParts::Caption(new QLabel("Y", this), Y), 1, 2);
  top->addWidget(Y, 1, 3);
  top->setColumnStretch(4, 1);
  auto* look = new QVBoxLayout;
  look->addWidget(BtnFont);
  look->addWidget(BtnForeground);
  look->addWidget(btnBackground);
  look->addStretch(1);
  auto* middle = new QHBoxLayout;
  auto* captionColumn = new QVBoxLayout;
  captionColumn->addWidget(DialogParts::Caption(new QLabel("Caption", this), TXT));
  captionColumn->addWidget(TXT, 1);
  lblHint = new QLabel("Enter stores the banner; Ctrl+Enter starts a new line.", this);
  lblHint->setObjectName("lblHint");
  lblHint->setEnabled(false);  // shown greyed, as a hint
  captionColumn->addWidget(lblHint);
  middle->addLayout(captionColumn, 1);
  middle->addLayout(look);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BtnUpdate);
  buttons->addWidget(btnDelete);
  buttons->addWidget(btnHelp);
  buttons->addWidget(btnCancel);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addLayout(middle, 1);
  all->addSpacing(6);
  all->addLayout(buttons);

  connect(BtnFont, &QPushButton::clicked, this, &frmBanner::BtnFont_Click);
  connect(BtnForeground, &QPushButton::clicked, this, &frmBanner::BtnForeground_Click);
  connect(btnBackground, &QPushButton::clicked, this, &frmBanner::btnBackground_Click);
  connect(BtnUpdate, &QPushButton::clicked, this, &frmBanner::BtnUpdate_Click);
  connect(btnDelete, &QPushButton::clicked, this, &frmBanner::btnDelete_Click);
  connect(btnHelp, &QPushButton::clicked, this, [] { modDlg::ShowHelp("Add Banner"); });
  // The boxes first, in reading order, then the look buttons, then the row below.
  for (auto [a, b] : {std::pair<QWidget*, QWidget*>{X, Y}, {Y, TXT}, {TXT, BtnFont}, {BtnFont, BtnForeground},
                      {BtnForeground, btnBackground}, {btnBackground, BtnUpdate}, {BtnUpdate, btnDelete},
                      {btnDelete, btnHelp}, {btnHelp, btnCancel}})
    setTabOrder(a, b);
}

// In the caption box Enter stores the banner, as in the other boxes, and Ctrl+Enter
// starts a new line; coming in by Tab selects the whole caption.
bool frmBanner::eventFilter(QObject* watched, QEvent* event) {
  if (watched != TXT) return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::FocusIn) {
    const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
    if (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason) TXT->selectAll();
  }
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
  if (key->modifiers() & Qt::ControlModifier)
    TXT->insertPlainText("\n");
  else
    BtnUpdate->click();
  return true;
}

void frmBanner::ShowBanner(int16_t n) {
  const modDB::FormProps props = modDB::GetFormProps();
  lblPNO->setText(QString::number(designer_->CurPage));
  modDB::FontDef font;
  if (n == 0) {
    const int next = modDB::GetBannerCount() + 1;
    lblBNO->setText(QString::number(next));
    X->setText("0");
    Y->setText(QString::number(designer_->ToolbarHeight()));
    TXT->setPlainText(QString("BANNER%1").arg(next));
    font = props.BannerFont;
    BtnUpdate->setText("Add");
    btnDelete->setEnabled(false);
  } else {
    modDB::BannerDef b;
    modDB::GetBanner(n, b);
    lblBNO->setText(QString::number(n));
    X->setText(QString::number(b.X));
    Y->setText(QString::number(b.Y));
    TXT->setPlainText(ToBox(b.Caption.Trimmed()));
    font = b.Font;
    BtnUpdate->setText("Update");
    btnDelete->setEnabled(true);
  }
  LookName = font.Name.Trimmed();
  LookSize = font.Size;
  LookBold = font.Bold != 0;
  LookItalic = font.Italic != 0;
  LookFore = font.ForeColor;
  LookBack = font.BackColor;
  ApplyLook();
  X->setFocus();
  X->selectAll();
  modDlg::RunModal(*this);
}

void frmBanner::ApplyLook() {
  TXT->setFont(Platform::FormFont(LookName, LookSize, LookBold, LookItalic));
  QPalette p = TXT->palette();
  p.setColor(QPalette::Text, FormLook::Color(LookFore));
  p.setColor(QPalette::Base, FormLook::Color(LookBack));
  TXT->setPalette(p);
}

void frmBanner::BtnForeground_Click() {
  modDlg::DialogColor = LookFore;
  modDlg::ShowColorDialog();
  LookFore = modDlg::DialogColor;
  ApplyLook();
}

void frmBanner::btnBackground_Click() {
  modDlg::DialogColor = LookBack;
  modDlg::ShowColorDialog();
  LookBack = modDlg::DialogColor;
  ApplyLook();
}

void frmBanner::BtnFont_Click() {
  modDlg::DialogFontName = LookName;
  modDlg::DialogFontSize = static_cast<int16_t>(LookSize);
  modDlg::DialogFontBold = LookBold ? 1 : 0;
  modDlg::DialogFontItalic = LookItalic ? 1 : 0;
  modDlg::ShowFontDialog();
  LookName = modLIB::Trim(modDlg::DialogFontName);
  LookSize = modDlg::DialogFontSize;
  LookBold = modDlg::DialogFontBold != 0;
  LookItalic = modDlg::DialogFontItalic != 0;
  ApplyLook();
}

bool frmBanner::Refuse(const char* text, QWidget* box) {
  modDB::GetHost().MsgBox(text, modDB::vbOKOnly, "BANNER");
  box->setFocus();
  return false;
}

void frmBanner::BtnUpdate_Click() {
  const modDB::FormProps props = modDB::GetFormProps();
  if (!DialogParts::InRange(X, 0, modLIB::TwipsToPixelsX(props.Width))) return (void)Refuse("Invalid X", X);
  if (!DialogParts::InRange(Y, designer_->ToolbarHeight(), modLIB::TwipsToPixelsY(props.Height))) return (void)Refuse("Invalid Y", Y);
  // Blanks around the caption go (tabs and line breaks stay); a caption of nothing
  // else is none.
  const std::string caption = modLIB::Trim(FromBox(TXT->toPlainText()));
  if (ToBox(caption) != TXT->toPlainText()) TXT->setPlainText(ToBox(caption));
  if (caption.empty()) return (void)Refuse("Invalid Caption", TXT);

  designer_->Modified = true;
  modDB::BannerDef b;
  b.Caption.Set(caption);
  b.Page = static_cast<uint8_t>(designer_->CurPage);
  b.X = DialogParts::Whole16(DialogParts::Val(X->text()));
  b.Y = DialogParts::Whole16(DialogParts::Val(Y->text()));
  b.Font.Name.Set(LookName);
  b.Font.Size = static_cast<uint8_t>(std::clamp(LookSize, 0, 255));
  b.Font.Bold = LookBold ? 255 : 0;
  b.Font.Italic = LookItalic ? 255 : 0;
  b.Font.ForeColor = LookFore;
  b.Font.BackColor = LookBack;
  if (BtnUpdate->text() == "Add") {
    if (modDB::InsertBanner(b) != 0) accept();
  } else {
    if (modDB::SetBanner(static_cast<int16_t>(lblBNO->text().toInt()), b) != 0) accept();
  }
}

void frmBanner::btnDelete_Click() {
  designer_->Modified = true;
  if (modDB::DeleteBanner(static_cast<int16_t>(lblBNO->text().toInt())) != 0) accept();
}
