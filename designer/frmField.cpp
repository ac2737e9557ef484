#include "designer/frmField.h"

#include <QCheckBox>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "checks/Checker.h"
#include "common/DialogParts.h"
#include "common/KeyFilter.h"
#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "designer/DesignerState.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"

using DialogParts::Val;
using DialogParts::Whole16;

namespace {

const QString kFormatKeys = QStringLiteral("u!*.-=#<>^");

QLineEdit* Box(QWidget* parent, const char* name, int maxLength, const char* keys) {
  auto* b = new QLineEdit(parent);
  b->setObjectName(name);
  b->setMaxLength(maxLength);
  if (keys) KeyFilter::Install(b, QString::fromLatin1(keys));
  return b;
}

}  // namespace

frmField::frmField(DesignerState* designer)
    : QDialog(designer->DialogParent()), designer_(designer) {
  setObjectName("frmField");
  setWindowTitle("Field Properties");

  lblPNO = DialogParts::NumberLabel(this, "lblPNO");
  lblFNO = DialogParts::NumberLabel(this, "lblFNO");
  NAM = Box(this, "NAM", 32, "un_");
  X = DialogParts::NumberBox(this, "X");
  Y = DialogParts::NumberBox(this, "Y");
  W = DialogParts::NumberBox(this, "W");
  H = DialogParts::NumberBox(this, "H");
  nChars = DialogParts::NumberBox(this, "nChars", 2);
  nLines = DialogParts::NumberBox(this, "nLines", 2);
  L = DialogParts::NumberBox(this, "L");
  FMT = Box(this, "FMT", 8, nullptr);
  FMT->installEventFilter(this);
  FMT->setContextMenuPolicy(Qt::NoContextMenu);
  // Only typed keys reach a format: no drops, no middle-button paste, no input method.
  FMT->setAcceptDrops(false);
  FMT->setAttribute(Qt::WA_InputMethodEnabled, false);
  FMT->setFixedWidth(70);
  for (QLineEdit* b : {nChars, nLines}) b->setFixedWidth(40);

  AutoWidth = DialogParts::Button(this, "Est. for", "AutoWidth");
  AutoHeight = DialogParts::Button(this, "Est. for", "AutoHeight");
  btnFMTHelp = DialogParts::Button(this, "?", "btnFMTHelp");
  btnFMTHelp->setFixedWidth(30);
  // The one button that Enter presses.
  BtnUpdate = new QPushButton("Add", this);
  BtnUpdate->setObjectName("BtnUpdate");
  BtnUpdate->setDefault(true);
  btnDelete = DialogParts::Button(this, "Delete", "btnDelete");
  btnHelp = DialogParts::Button(this, "Help", "btnHelp");
  // Cancel (and Esc) close the dialog as its close box does: nothing is stored.
  btnCancel = DialogParts::Button(this, "Cancel", "btnCancel");
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // The measuring label: sized to its text, and as invisible as its colours make it.
  Prv = new QLabel(this);
  Prv->setObjectName("Prv");
  Prv->setTextFormat(Qt::PlainText);
  Prv->setMargin(0);
  Prv->hide();

  auto* grid = new QGridLayout;
  int row = 0;
  auto add = [&](const char* caption, QWidget* box, QWidget* extra = nullptr, QWidget* extra2 = nullptr) {
    grid->addWidget(new QLabel(caption, this), row, 0);
    grid->addWidget(box, row, 1, Qt::AlignLeft);
    if (extra) grid->addWidget(extra, row, 2);
    if (extra2) grid->addWidget(extra2, row, 3, Qt::AlignLeft);
    ++row;
  };
  auto* numbers = new QHBoxLayout;
  numbers->addWidget(new QLabel("Page #", this));
  numbers->addWidget(lblPNO);
  numbers->addSpacing(16);
  numbers->addWidget(new QLabel("Field #", this));
  numbers->addWidget(lblFNO);
  numbers->addStretch(1);
  grid->addWidget(new QLabel("Name", this), row, 0);
  grid->addWidget(NAM, row++, 1, 1, 4);
  add("X", X);
  add("Y", Y);
  add("Width", W, AutoWidth, nChars);
  grid->addWidget(new QLabel("Chars", this), row - 1, 4);
  add("Height", H, AutoHeight, nLines);
  grid->addWidget(new QLabel("Lines", this), row - 1, 4);
  add("Length", L);
  add("Format", FMT, btnFMTHelp);
  grid->setColumnStretch(5, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BtnUpdate);
  buttons->addWidget(btnDelete);
  buttons->addWidget(btnHelp);
  buttons->addWidget(btnCancel);
  auto* fieldPage = new QWidget(this);
  auto* fieldAll = new QVBoxLayout(fieldPage);
  fieldAll->addLayout(numbers);
  fieldAll->addLayout(grid);

  // The Checks page.
  auto* checksPage = new QWidget(this);
  auto line = [&](const char* name, int width) {
    auto* b = new QLineEdit(checksPage);
    b->setObjectName(name);
    b->setMaxLength(400);
    if (width) b->setFixedWidth(width);
    return b;
  };
  txtMin = line("txtMin", 100);
  txtMax = line("txtMax", 100);
  txtLegal = new QPlainTextEdit(checksPage);
  txtLegal->setObjectName("txtLegal");
  txtLegal->setTabChangesFocus(true);
  txtLegal->setFixedHeight(80);
  txtLegal->setPlaceholderText("M = male\nF = female");
  txtRequiredIf = line("txtRequiredIf", 0);
  txtSkipIf = line("txtSkipIf", 0);
  txtSkipTo = line("txtSkipTo", 0);
  txtCheckMessage = line("txtCheckMessage", 0);
  chkHard = new QCheckBox("Hard: the record cannot be saved while a rule is broken", checksPage);
  chkHard->setObjectName("chkHard");
  auto* cg = new QGridLayout(checksPage);
  int crow = 0;
  auto cadd = [&](const char* caption, QWidget* box) {
    auto* l = new QLabel(caption, checksPage);
    l->setBuddy(box);
    cg->addWidget(l, crow, 0);
    cg->addWidget(box, crow++, 1);
  };
  cadd("&Minimum", txtMin);
  cadd("Ma&ximum", txtMax);
  cadd("&Legal values", txtLegal);
  cadd("&Required if", txtRequiredIf);
  cadd("S&kip if", txtSkipIf);
  cadd("Skip &to field", txtSkipTo);
  cadd("M&essage", txtCheckMessage);
  cg->addWidget(chkHard, crow, 0, 1, 2);

  tabField = new QTabWidget(this);
  tabField->setObjectName("tabField");
  tabField->addTab(fieldPage, "Field");
  tabField->addTab(checksPage, "Checks");
  auto* all = new QVBoxLayout(this);
  all->addWidget(tabField);
  all->addSpacing(6);
  all->addLayout(buttons);
  all->setSizeConstraint(QLayout::SetFixedSize);

  connect(AutoWidth, &QPushButton::clicked, this, &frmField::AutoWidth_Click);
  connect(AutoHeight, &QPushButton::clicked, this, &frmField::AutoHeight_Click);
  connect(BtnUpdate, &QPushButton::clicked, this, &frmField::BtnUpdate_Click);
  connect(btnDelete, &QPushButton::clicked, this, &frmField::btnDelete_Click);
  connect(btnFMTHelp, &QPushButton::clicked, this, [] { modDlg::ShowHelp("Field Formats"); });
  connect(btnHelp, &QPushButton::clicked, this, [] { modDlg::ShowHelp("Add Field"); });
}

// A format holds each of its characters once: letters (in upper case) and the signs
// of kFormatKeys; digits and blanks are refused.
bool frmField::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FMT && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
                         event->type() == QEvent::MouseButtonDblClick) &&
      static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
    return true;
  if (watched == FMT && (event->type() == QEvent::Drop || event->type() == QEvent::DragEnter ||
                         event->type() == QEvent::DragMove || event->type() == QEvent::InputMethod)) {
    event->ignore();
    return true;
  }
  if (watched != FMT || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->matches(QKeySequence::Paste) || key->key() == Qt::Key_Paste ||
      (key->key() == Qt::Key_Insert && key->modifiers() == Qt::ShiftModifier))
    return true;
  const QString typed = key->text();
  if (!KeyFilter::TypesText(key)) return false;  // Backspace, Enter, editing and moving keys
  const QString c = KeyFilter::Filter(typed.left(1), kFormatKeys);
  if (!c.isEmpty() && !FMT->text().contains(c)) FMT->insert(c);
  return true;
}

void frmField::SetSample(const QString& text) {
  Prv->setText(text);
  Prv->adjustSize();
}

int32_t frmField::PrvWidthTwips() const {
  return static_cast<int32_t>(modLIB::RoundHalfEven(Prv->width() * modLIB::TwipsPerPixelX()));
}
int32_t frmField::PrvHeightTwips() const {
  return static_cast<int32_t>(modLIB::RoundHalfEven(Prv->height() * modLIB::TwipsPerPixelY()));
}

void frmField::ShowField(int16_t n) {
  const modDB::FormProps props = modDB::GetFormProps();
  const modDB::FontDef& ff = props.FieldFont;
  Prv->setFont(Platform::FormFont(ff.Name.Trimmed(), ff.Size, ff.Bold != 0, ff.Italic != 0));
  QPalette pal = Prv->palette();
  pal.setColor(QPalette::WindowText, palette().color(QPalette::Window));
  Prv->setPalette(pal);
  lblPNO->setText(QString::number(designer_->CurPage));
  if (n == 0) {
    const int next = modDB::GetFieldCount() + 1;
    lblFNO->setText(QString::number(next));
    NAM->setText(QString("FIELD%1").arg(next));
    X->setText("0");
    Y->setText(QString::number(designer_->ToolbarHeight()));
    L->setText("32");
    FMT->setText("*");
    SetSample("Z");
    nChars->setText("32");
    nLines->setText("1");
    AutoHeight_Click();
    AutoWidth_Click();
    BtnUpdate->setText("Add");
    btnDelete->setEnabled(false);
  } else {
    modDB::FieldDef f;
    modDB::GetFieldDef(n, f);
    const qfchecks::FieldRules* r = qfchecks::Current().Of(f.Name.Trimmed());
    if (r) {
      txtMin->setText(QtText::FromCp(r->Min));
      txtMax->setText(QtText::FromCp(r->Max));
      QString legal;
      for (const qfchecks::LegalValue& v : r->Legal)
        legal += QtText::FromCp(v.Code) + (v.Label == v.Code ? "" : " = " + QtText::FromCp(v.Label)) + "\n";
      txtLegal->setPlainText(legal);
      txtRequiredIf->setText(QtText::FromCp(r->RequiredIf));
      txtSkipIf->setText(QtText::FromCp(r->SkipIf));
      txtSkipTo->setText(QtText::FromCp(r->SkipTo));
      txtCheckMessage->setText(QtText::FromCp(r->Message));
      chkHard->setChecked(r->Hard);
    }
  }
  if (n != 0) {
    modDB::FieldDef f;
    modDB::GetFieldDef(n, f);
    lblFNO->setText(QString::number(n));
    NAM->setText(QtText::FromCp(f.Name.Trimmed()));
    X->setText(QString::number(f.X));
    Y->setText(QString::number(f.Y));
    W->setText(QString::number(f.Width));
    H->setText(QString::number(f.Height));
    L->setText(QString::number(f.Length));
    FMT->setText(QtText::FromCp(f.Format.Trimmed()));
    SetSample(FMT->text().contains('D') || FMT->text().contains('T') ? "9" : "Z");
    const int32_t px = std::max(modLIB::TwipsToPixelsX(PrvWidthTwips()), 1);
    const int32_t py = std::max(modLIB::TwipsToPixelsY(PrvHeightTwips()), 1);
    nLines->setText(QString::number(modLIB::RoundHalfEven(static_cast<double>(f.Height) / py)));
    nChars->setText(QString::number(modLIB::RoundHalfEven(static_cast<double>(f.Width) / px)));
    BtnUpdate->setText("Update");
    btnDelete->setEnabled(true);
  }
  tabField->setCurrentIndex(0);
  NAM->setFocus();
  modDlg::RunModal(*this);
}

void frmField::AutoWidth_Click() {
  SetSample("Z");
  if (FMT->text().contains('D')) {
    SetSample("9");
    L->setText("10");
  }
  if (FMT->text().contains('T')) {
    SetSample("9");
    L->setText("8");
  }
  if (Val(L->text()) < 1) {
    modDB::GetHost().MsgBox("Invalid Length, to estimate.", modDB::vbOKOnly, "Autowidth");
    L->setFocus();
    return;
  }
  if (Val(nChars->text()) < 1) nChars->setText(L->text());
  int32_t w = modLIB::TwipsToPixelsX(
      static_cast<int32_t>(modLIB::RoundHalfEven(Val(nChars->text()) * PrvWidthTwips())));
  const int32_t most = modLIB::TwipsToPixelsX(designer_->OuterWidthTwips());
  if (w > most) w = most;
  W->setText(QString::number(w));
}

void frmField::AutoHeight_Click() {
  SetSample("Ty");
  if (Val(nLines->text()) < 1) nLines->setText("1");
  int32_t h = modLIB::TwipsToPixelsY(
      static_cast<int32_t>(modLIB::RoundHalfEven(Val(nLines->text()) * PrvHeightTwips())));
  const int32_t most = modLIB::TwipsToPixelsY(
      static_cast<int32_t>(modLIB::RoundHalfEven(designer_->OuterHeightTwips() - designer_->ToolbarHeight())));
  if (h > most) h = most;
  H->setText(QString::number(h));
}

bool frmField::Refuse(const char* text, const char* title, QLineEdit* box) {
  modDB::GetHost().MsgBox(text, modDB::vbCritical | modDB::vbOKOnly, title);
  box->setFocus();
  return false;
}

void frmField::BtnUpdate_Click() {
  const modDB::FormProps props = modDB::GetFormProps();
  const int32_t wide = modLIB::TwipsToPixelsX(props.Width);
  const int32_t high = modLIB::TwipsToPixelsY(props.Height);
  if (!modLIB::IsValidName(QtText::ToCp(NAM->text()))) return (void)Refuse("Invalid Name", "FIELD", NAM);
  if (!DialogParts::InRange(X, 0, wide)) return (void)Refuse("Invalid X", "FIELD", X);
  if (!DialogParts::InRange(Y, designer_->ToolbarHeight(), high)) return (void)Refuse("Invalid Y", "FIELD", Y);
  if (!DialogParts::InRange(W, modLIB::TwipsToPixelsX(PrvWidthTwips()), wide)) return (void)Refuse("Invalid Width", "FIELD", W);
  if (!DialogParts::InRange(H, modLIB::TwipsToPixelsY(PrvHeightTwips()), high)) return (void)Refuse("Invalid Height", "FIELD", H);
  if (!DialogParts::InRange(L, 1, modDB::kMaxFieldLength)) return (void)Refuse("Invalid Length", "Field", L);

  modDB::FieldDef f;
  f.Page = static_cast<uint8_t>(lblPNO->text().toInt());
  f.Name.Set(QtText::ToCp(NAM->text()));
  f.X = Whole16(Val(X->text()));
  f.Y = Whole16(Val(Y->text()));
  f.Width = Whole16(Val(W->text()));
  f.Height = Whole16(Val(H->text()));
  f.Length = Whole16(Val(L->text()));
  f.Format.Set(QtText::ToCp(FMT->text()));
  f.Offset = 0;
  const bool adding = BtnUpdate->text() == "Add";
  const int16_t n = adding ? static_cast<int16_t>(modDB::GetFieldCount() + 1)
                           : static_cast<int16_t>(lblFNO->text().toInt());
  qfchecks::FieldRules rules;
  if (!ChecksApply(f, n, rules)) return;
  designer_->Modified = true;
  modDB::FieldDef old;
  if (!adding) modDB::GetFieldDef(n, old);
  if ((adding ? modDB::AddField(f) : modDB::SetFieldDef(n, f)) == 0) return;
  qfchecks::Rules& all = qfchecks::Current();
  if (!adding) all.Rename(old.Name.Trimmed(), f.Name.Trimmed());
  rules.Field = modLIB::Trim(f.Name.Trimmed());
  all.Put(rules);
  accept();
}

bool frmField::ChecksApply(const modDB::FieldDef& f, int16_t n, qfchecks::FieldRules& out) {
  out = qfchecks::FieldRules();
  out.Field = modLIB::Trim(f.Name.Trimmed());
  out.Min = modLIB::Trim(QtText::ToCp(txtMin->text()));
  out.Max = modLIB::Trim(QtText::ToCp(txtMax->text()));
  for (const QString& l : txtLegal->toPlainText().split('\n')) {
    const int eq = l.indexOf('=');
    const std::string code = modLIB::Trim(QtText::ToCp(eq < 0 ? l : l.left(eq)));
    const std::string label = eq < 0 ? code : modLIB::Trim(QtText::ToCp(l.mid(eq + 1)));
    if (!code.empty()) out.Legal.push_back({code, label.empty() ? code : label});
  }
  out.RequiredIf = modLIB::Trim(QtText::ToCp(txtRequiredIf->text()));
  out.SkipIf = modLIB::Trim(QtText::ToCp(txtSkipIf->text()));
  out.SkipTo = modLIB::Trim(QtText::ToCp(txtSkipTo->text()));
  out.Message = modLIB::Trim(QtText::ToCp(txtCheckMessage->text()));
  out.Hard = chkHard->isChecked();
  std::string fault;
  if (out.SkipIf.empty() != out.SkipTo.empty()) fault = out.Field + ".Skip: both the condition and the field to go to are needed";
  if (fault.empty() && !out.Empty()) {
    modDB::FormHeader trial = modDB::GetHeader();
    if (n >= 1 && n <= modDB::kMaxFields) trial.Fields[n] = f;
    qfchecks::Rules one;
    one.Put(out);
    qfchecks::Checker c;
    fault = c.Prepare(trial, one);
  }
  if (fault.empty()) return true;
  tabField->setCurrentIndex(1);
  modDB::GetHost().MsgBox(fault, modDB::vbCritical | modDB::vbOKOnly, "CHECKS");
  return false;
}

void frmField::btnDelete_Click() {
  designer_->Modified = true;
  if (modDB::DeleteField(static_cast<int16_t>(lblFNO->text().toInt())) != 0) accept();
}
