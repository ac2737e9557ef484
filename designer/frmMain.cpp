#include "designer/frmMain.h"

#include <QWindow>

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <algorithm>

#include "common/FormLook.h"
#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "designer/DesignerIcons.h"
#include "designer/frmBanner.h"
#include "designer/frmField.h"
#include "designer/frmProperty.h"
#include "designer/frmChecks.h"
#include "designer/frmScript.h"
#include "checks/Rules.h"
#include "designer/frmTabOrder.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"


namespace {

using FormLook::SetColours;

QFont FontOf(const modDB::FontDef& f) { return FormLook::Font(f); }

// A number as the toolbar label shows it: a blank where a minus sign would be.
std::string Signed(int n) { return n < 0 ? std::to_string(n) : " " + std::to_string(n); }

// A menu entry shows an ampersand as it is, not as a mnemonic.
QString MenuText(const std::string& cp) { return QtText::FromCp(cp).replace('&', QStringLiteral("&&")); }

// The keys that act on a text box's text rather than on the menus.
bool TextKey(const QKeyEvent* k) {
  return k->matches(QKeySequence::SelectAll) || k->matches(QKeySequence::Copy) || k->matches(QKeySequence::Cut) ||
         k->matches(QKeySequence::Paste);
}

int16_t Clamp16(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767)); }

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The smallest outer size of the window, pixels.
constexpr int kMinWidth = 250;
constexpr int kMinHeight = 150;

}  // namespace

// ---- CanvasField ---------------------------------------------------------------------

// Drawn as the entry window draws a field box (BoxedTextEdit), so that the proposed
// height shows one whole line.
CanvasField::CanvasField(frmMain* form, int slot, QWidget* parent) : BoxedTextEdit(parent), form_(form) {
  setProperty("tag", QString::number(slot));
  setObjectName(QString("Field%1").arg(slot));
  setTabChangesFocus(true);
  setContextMenuPolicy(Qt::PreventContextMenu);  // the right button opens the dialog
  viewport()->setCursor(Qt::PointingHandCursor);
  viewport()->installEventFilter(form);
  hide();
}

// Select all, copy, cut and paste act on the box's text; the window's other Ctrl
// shortcuts win over the box's own editing keys.
bool CanvasField::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    auto* k = static_cast<QKeyEvent*>(e);
    if ((k->modifiers() & Qt::ControlModifier) && !TextKey(k)) return false;
  }
  return BoxedTextEdit::event(e);
}

void CanvasField::keyPressEvent(QKeyEvent* e) {
  // The text of a design field goes nowhere: the arrow keys move the chosen item,
  // Enter opens its properties.
  if (form_->ItemKey(e, this)) return;
  const bool types = !e->text().isEmpty() && e->text().at(0).isPrint();
  if (types && maxLength > 0 && toPlainText().size() - textCursor().selectedText().size() >= maxLength) return;
  QPlainTextEdit::keyPressEvent(e);
}

void CanvasField::focusInEvent(QFocusEvent* e) {
  BoxedTextEdit::focusInEvent(e);
  form_->SelectItem(this);
}

// ---- CanvasBanner --------------------------------------------------------------------

CanvasBanner::CanvasBanner(frmMain* form, int slot, QWidget* parent) : QLabel(parent), form_(form) {
  setObjectName(QString("Banner%1").arg(slot));
  setTextFormat(Qt::PlainText);
  setProperty("tag", QString::number(slot));
  setCursor(Qt::PointingHandCursor);
  setContextMenuPolicy(Qt::PreventContextMenu);
  setFocusPolicy(Qt::StrongFocus);
  hide();
}

void CanvasBanner::keyPressEvent(QKeyEvent* e) {
  if (form_->ItemKey(e, this)) return;
  QLabel::keyPressEvent(e);
}

void CanvasBanner::focusInEvent(QFocusEvent* e) {
  QLabel::focusInEvent(e);
  form_->SelectItem(this);
  update();
}

void CanvasBanner::focusOutEvent(QFocusEvent* e) {
  QLabel::focusOutEvent(e);
  update();
}

void CanvasBanner::paintEvent(QPaintEvent* e) {
  QLabel::paintEvent(e);
  if (hasFocus()) FormLook::DrawBoxEdges(this, this, true, true);
}

// ---- Canvas --------------------------------------------------------------------------

Canvas::Canvas(frmMain* form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName("canvas");
  setAutoFillBackground(true);
  // A click on the empty page takes the focus out of a field, so that the menus'
  // Ctrl keys are theirs again.
  setFocusPolicy(Qt::ClickFocus);
}

// Presses that a child passed on (the toolbar strip, a field's border) are not the
// canvas's own: only a press on the empty canvas counts.
void Canvas::mousePressEvent(QMouseEvent* e) {
  if (childAt(e->position().toPoint())) return;
  form_->Canvas_MouseDown(e->button(), e->globalPosition().toPoint());
}

void Canvas::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (form_->cTBar) form_->cTBar->setGeometry(0, 0, width(), form_->ToolbarHeight());
}

// ---- frmMain: start-up -------------------------------------------------------------

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  canvas = new Canvas(this, this);
  setCentralWidget(canvas);
  CreateMenus();
  CreateToolbar();
  CreateControls();
  StartUp();
}

frmMain::~frmMain() = default;

void frmMain::StartUp() {
  modDB::InitHeader();
  qfchecks::Current() = {};
  rulesLoaded_ = false;
  modDlg::HelpFileName = "QfLayout.Txt";
  const modDB::FormProps props = modDB::GetFormProps();
  SetBackColor(props.BackColor);
  SetOuterSize(props.Width, props.Height);
  setWindowTitle("");
  FileFolder.clear();
  // The pages of a new design have no headings: the menu names them by number.
  ShowPageCaptions();
  CurPage = 1;
  ShowCurPage();
  MarkUnchanged();
}

void frmMain::ShowPageCaptions() {
  for (int16_t k = 1; k <= 8; ++k) mnuPage[k]->setText(MenuText(modDB::PageCaption(k)));
}

void frmMain::MarkUnchanged() {
  Modified = false;
  unchanged_ = modDB::GetHeader();
  unchangedRules_ = qfchecks::Current();
}

bool frmMain::WouldLose() const {
  return Modified && !(modDB::GetHeader() == unchanged_ && qfchecks::Current() == unchangedRules_);
}

void frmMain::CreateMenus() {
  auto item = [this](QMenu* menu, QAction*& action, const char* caption, const char* name, const char* key,
                     void (frmMain::*handler)()) {
    action = menu->addAction(caption);
    action->setObjectName(name);
    if (key) action->setShortcut(QKeySequence(key));
    connect(action, &QAction::triggered, this, handler);
  };
  QMenuBar* bar = menuBar();
  File = bar->addMenu("&File");
  File->setObjectName("File");
  item(File, mnuFileNew, "New", "mnuFileNew", "Ctrl+N", &frmMain::mnuFileNew_Click);
  item(File, mnuFileLoad, "Load", "mnuFileLoad", "Ctrl+L", &frmMain::mnuFileLoad_Click);
  item(File, mnuFileSave, "Save", "mnuFileSave", "Ctrl+S", &frmMain::mnuFileSave_Click);
  item(File, mnuFileSaveAs, "Save As", "mnuFileSaveAs", "Ctrl+A", &frmMain::mnuFileSaveAs_Click);
  item(File, mnuExit, "Exit", "mnuExit", "Ctrl+X", &frmMain::mnuExit_Click);

  mnuComponent = bar->addMenu("&Component");
  mnuComponent->setObjectName("mnuComponent");
  item(mnuComponent, mnuFieldAdd, "Add Field", "mnuFieldAdd", "Ctrl+F", &frmMain::mnuFieldAdd_Click);
  item(mnuComponent, mnuTabOrder, "Tab Order", "mnuTabOrder", "Ctrl+T", &frmMain::mnuTabOrder_Click);
  item(mnuComponent, mnuChecks, "Checks", "mnuChecks", "Ctrl+K", &frmMain::mnuChecks_Click);
  item(mnuComponent, mnuBannerAdd, "Add Banner", "mnuBannerAdd", "Ctrl+B", &frmMain::mnuBannerAdd_Click);
  item(mnuComponent, mnuScript, "Script", "mnuScript", "Ctrl+R", &frmMain::mnuScript_Click);
  item(mnuComponent, mnuProperty, "Properties", "mnuProperty", "Ctrl+P", &frmMain::mnuProperty_Click);
  item(mnuComponent, mnuPassword, "Password", "mnuPassword", "Ctrl+W", &frmMain::mnuPassword_Click);
  item(mnuComponent, mnuHeading, "Heading", "mnuHeading", "Ctrl+H", &frmMain::mnuHeading_Click);
  mnuComponent->addSeparator();
  // Enter on the chosen item does the same; the menu shows the key beside the entry.
  item(mnuComponent, mnuItemProperty, "Item Properties\tEnter", "mnuItemProperty", nullptr,
       &frmMain::mnuItemProperty_Click);
  connect(mnuComponent, &QMenu::aboutToShow, this, [this] { mnuItemProperty->setEnabled(SelectedItem() != nullptr); });

  Page = bar->addMenu("&Page");
  Page->setObjectName("Page");
  item(Page, mnuNextPage, "Next", "mnuNextPage", "Ctrl+E", &frmMain::mnuNextPage_Click);
  item(Page, mnuPreviousPage, "Previous", "mnuPreviousPage", "Ctrl+V", &frmMain::mnuPreviousPage_Click);
  Sperator8 = Page->addSeparator();
  Sperator8->setObjectName("Sperator8");
  for (int k = 1; k <= 8; ++k) {
    mnuPage[k] = Page->addAction(QString("Page %1").arg(k));
    mnuPage[k]->setObjectName(QString("mnuPage%1").arg(k));
    mnuPage[k]->setProperty("tag", QString::number(k));
    connect(mnuPage[k], &QAction::triggered, this, [this, k] { mnuPage_Click(k); });
  }

  mnuHelp = bar->addMenu("Help");
  mnuHelp->setObjectName("mnuHelp");
  item(mnuHelp, mnuContents, "Contents", "mnuContents", nullptr, &frmMain::mnuContents_Click);
  item(mnuHelp, mnuAbout, "About", "mnuAbout", nullptr, &frmMain::mnuAbout_Click);
}

void frmMain::CreateToolbar() {
  cTBar = new QWidget(canvas);
  cTBar->setObjectName("cTBar");
  cTBar->setAutoFillBackground(true);
  cTBar->setBackgroundRole(QPalette::Button);
  static const char* const tips[8] = {"Load", "Save", "Previous Page", "Next Page",
                                      "Add Field", "Tab Order", "Add Banner", "Script"};
  const int height = ToolbarHeight();
  for (int i = 0; i < 8; ++i) {
    auto* b = new QToolButton(cTBar);
    b->setObjectName(QString("cTBarBtn%1").arg(i));
    b->setProperty("tag", QString::number(i));
    b->setIcon(DesignerIcons::Icon(i));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(tips[i]);
    b->setGeometry(modLIB::TwipsToPixelsX(420 * i), 0, modLIB::TwipsToPixelsX(435), height);
    connect(b, &QToolButton::clicked, this, [this, i] { cTBarBtn_Click(i); });
    cTBarBtn[i] = b;
  }
  lblPageNo = new QLabel(cTBar);
  lblPageNo->setObjectName("lblPageNo");
  lblPageNo->setTextFormat(Qt::PlainText);
  lblPageNo->move(modLIB::TwipsToPixelsX(3420), modLIB::TwipsToPixelsY(60));
  cTBarLbl = new QLabel(cTBar);
  cTBarLbl->setObjectName("cTBarLbl");
  cTBarLbl->setTextFormat(Qt::PlainText);
  cTBarLbl->move(modLIB::TwipsToPixelsX(3780), modLIB::TwipsToPixelsY(60));
  cTBarLbl->setText("0,0");
  cTBarLbl->adjustSize();
  cTBar->setGeometry(0, 0, canvas->width(), height);
}

void frmMain::CreateControls() {
  for (int i = 1; i <= 128; ++i) Field[i] = new CanvasField(this, i, canvas);
  for (int i = 1; i <= 128; ++i) {
    Banner[i] = new CanvasBanner(this, i, canvas);
    Banner[i]->installEventFilter(this);
  }
  cTBar->raise();
}

// ---- Window size and look --------------------------------------------------------

int frmMain::ToolbarHeight() const { return modLIB::TwipsToPixelsY(375); }

int32_t frmMain::OuterWidthTwips() const {
  return static_cast<int32_t>(modLIB::RoundHalfEven(frameGeometry().width() * modLIB::TwipsPerPixelX()));
}
int32_t frmMain::OuterHeightTwips() const {
  return static_cast<int32_t>(modLIB::RoundHalfEven(frameGeometry().height() * modLIB::TwipsPerPixelY()));
}

void frmMain::SetOuterSize(int32_t widthTwips, int32_t heightTwips) {
  askedWidth_ = widthTwips;
  askedHeight_ = heightTwips;
  const QSize frame = frameGeometry().size() - geometry().size();
  resize(modLIB::TwipsToPixelsX(widthTwips) - frame.width(), modLIB::TwipsToPixelsY(heightTwips) - frame.height());
}

void frmMain::SetBackColor(int32_t color) {
  QPalette p = canvas->palette();
  p.setColor(QPalette::Window, FormLook::Color(color));
  canvas->setPalette(p);
}

void frmMain::CentreOnScreen() {
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    move(area.x() + (area.width() - frameGeometry().width()) / 2,
         area.y() + (area.height() - frameGeometry().height()) / 2);
  }
}

std::string frmMain::FileName() const { return QtText::ToCp(windowTitle()); }

// Every resize, the window's own included, stores the outer size as the form's size.
// Only a size that differs from the stored one counts as a change of the design, so
// that showing the window, or giving it the size just loaded, leaves Modified alone.
void frmMain::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  cTBar->setGeometry(0, 0, canvas->width(), ToolbarHeight());
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize outer = size() + frame;
  if (outer.width() < kMinWidth || outer.height() < kMinHeight) {
    resize(std::max(outer.width(), kMinWidth) - frame.width(), std::max(outer.height(), kMinHeight) - frame.height());
    return;  // the resize just asked for stores the size
  }
  modDB::FormProps props = modDB::GetFormProps();
  if (modLIB::TwipsToPixelsX(props.Width) != outer.width() || modLIB::TwipsToPixelsY(props.Height) != outer.height())
    Modified = true;
  props.Width = Clamp16(OuterWidthTwips());
  props.Height = Clamp16(OuterHeightTwips());
  modDB::SetFormProps(props);
}

void frmMain::ShowBlankTitle() {
  if (windowTitle().isEmpty() && windowHandle() && windowHandle()->title() != QStringLiteral(" "))
    windowHandle()->setTitle(QStringLiteral(" "));
}

void frmMain::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowTitleChange) ShowBlankTitle();
}

void frmMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  ShowBlankTitle();
  if (!shownOnce_) {
    shownOnce_ = true;
    // The frame is known only now: the form's size is the outer size, frame included.
    SetOuterSize(askedWidth_, askedHeight_);
    CentreOnScreen();
    MarkUnchanged();
  }
}

// ---- Showing a page --------------------------------------------------------------

void frmMain::ShowCurPage() {
  lblPageNo->setText(QString("P %1").arg(CurPage));
  lblPageNo->adjustSize();
  const modDB::FormProps props = modDB::GetFormProps();
  const QFont fieldFont = FontOf(props.FieldFont);
  for (int16_t i = 1; i <= 128; ++i) {
    modDB::FieldDef f;
    CanvasField* box = Field[i];
    if (modDB::GetFieldDef(i, f) == 0 || f.Page != CurPage) {
      box->hide();
      continue;
    }
    box->setFont(fieldFont);
    SetColours(box, props.FieldFont.ForeColor, props.FieldFont.BackColor);
    box->maxLength = f.Length;
    box->setGeometry(f.X, f.Y, f.Width, f.Height);
    box->setProperty("tag", QString::number(i));
    box->clear();
    // The box stays empty; its field's name shows greyed until something is typed.
    box->setPlaceholderText(QtText::FromCp(f.Name.Trimmed()));
    box->show();
  }
  for (int16_t i = 1; i <= 128; ++i) {
    modDB::BannerDef b;
    CanvasBanner* label = Banner[i];
    if (modDB::GetBanner(i, b) == 0 || b.Page != CurPage) {
      label->hide();
      continue;
    }
    QString caption = QtText::FromCp(b.Caption.Trimmed());
    caption.replace("\r\n", "\n");
    label->setText(caption);
    label->move(b.X, b.Y);
    label->setFont(FontOf(b.Font));
    SetColours(label, b.Font.ForeColor, b.Font.BackColor);
    label->setProperty("tag", QString::number(i));
    label->adjustSize();
    label->show();
  }
  cTBar->raise();
}

void frmMain::ShowPosition(int left, int top) {
  cTBarLbl->setText(QtText::FromCp(Signed(left) + "," + Signed(top)));
  cTBarLbl->adjustSize();
}

// ---- Mouse on items and canvas -------------------------------------------------------

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonDblClick)
    return QMainWindow::eventFilter(watched, event);
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w) return false;
  // A field's mouse events arrive at its viewport, a banner's at the label itself.
  QWidget* item = qobject_cast<QLabel*>(w) ? w : w->parentWidget();
  if (!item || !item->property("tag").isValid()) return false;
  auto* m = static_cast<QMouseEvent*>(event);
  const QPointF at = w == item ? m->position() : m->position() + QPointF(w->mapTo(item, QPoint(0, 0)));
  if (type == QEvent::MouseMove) {
    if (m->buttons() != Qt::LeftButton) return false;
    Item_MouseMove(item, m->buttons(), at);
    return true;
  }
  if (type == QEvent::MouseButtonDblClick) return false;
  Item_MouseDown(item, m->button(), at);
  // A left press still puts the caret in a field; a banner keeps every press, so that
  // the moves of a drag keep coming to it.
  return m->button() != Qt::LeftButton || w == item;
}

void frmMain::Item_MouseDown(QWidget* item, Qt::MouseButton button, QPointF at) {
  item->setFocus(Qt::MouseFocusReason);  // a banner keeps its presses to itself
  SelectItem(item);
  PressX = at.x();
  PressY = at.y();
  if (button == Qt::RightButton) OpenItem(item);
}

void frmMain::SelectItem(QWidget* item) {
  selected_ = item;
  ShowPosition(item->x(), item->y());
}

QWidget* frmMain::SelectedItem() const {
  QWidget* item = selected_;
  return item && item->isVisible() && item->isEnabled() ? item : nullptr;
}

void frmMain::OpenItem(QWidget* item) {
  const auto slot = static_cast<int16_t>(item->property("tag").toInt());
  item->setEnabled(false);
  if (qobject_cast<CanvasField*>(item)) {
    frmField dlg(this);
    dlg.ShowField(slot);
  } else {
    frmBanner dlg(this);
    dlg.ShowBanner(slot);
  }
  item->setEnabled(true);
  ShowCurPage();
  if (item->isVisible()) item->setFocus(Qt::OtherFocusReason);  // the keyboard goes on from the item
}

void frmMain::mnuItemProperty_Click() {
  if (QWidget* item = SelectedItem()) OpenItem(item);
}

void frmMain::Item_MouseMove(QWidget* item, Qt::MouseButtons buttons, QPointF at) {
  if (buttons != Qt::LeftButton) return;
  MoveItem(item, static_cast<int>(modLIB::RoundHalfEven(item->x() - PressX + at.x())),
           static_cast<int>(modLIB::RoundHalfEven(item->y() - PressY + at.y())));
}

void frmMain::MoveItem(QWidget* item, int left, int top) {
  if (left < 0) left = 0;
  if (top < ToolbarHeight()) top = ToolbarHeight();
  if (left > canvas->width() - item->width()) left = canvas->width() - item->width();
  if (top > canvas->height() - item->height()) top = canvas->height() - item->height();
  Modified = true;
  item->move(left, top);
  const auto slot = static_cast<int16_t>(item->property("tag").toInt());
  if (qobject_cast<CanvasField*>(item)) {
    modDB::FieldDef f;
    if (modDB::GetFieldDef(slot, f) != 0) {
      f.X = Clamp16(left);
      f.Y = Clamp16(top);
      modDB::SetFieldDef(slot, f);
    }
  } else {
    modDB::BannerDef b;
    if (modDB::GetBanner(slot, b) != 0) {
      b.X = Clamp16(left);
      b.Y = Clamp16(top);
      modDB::SetBanner(slot, b);
    }
  }
  ShowPosition(left, top);
}

bool frmMain::ItemKey(QKeyEvent* e, QWidget* item) {
  if (e->modifiers() != Qt::NoModifier && e->modifiers() != Qt::KeypadModifier) return false;
  if (NudgeSelected(e->key())) return true;
  if (!item || (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter)) return false;
  OpenItem(item);
  return true;
}

bool frmMain::NudgeSelected(int key) {
  int dx = 0, dy = 0;
  switch (key) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return false;
  }
  QWidget* item = SelectedItem();
  if (!item) return false;
  MoveItem(item, item->x() + dx, item->y() + dy);
  return true;
}

void frmMain::keyPressEvent(QKeyEvent* e) {
  if (ItemKey(e, nullptr)) return;
  QMainWindow::keyPressEvent(e);
}

void frmMain::Canvas_MouseDown(Qt::MouseButton button, QPoint globalAt) {
  if (button == Qt::RightButton) mnuComponent->popup(globalAt);
}

void frmMain::cTBarBtn_Click(int index) {
  // The button gives up the keyboard focus before its command runs.
  cTBarBtn[index]->setEnabled(false);
  cTBarBtn[index]->setEnabled(true);
  switch (index) {
    case 0: mnuFileLoad_Click(); break;
    case 1: mnuFileSave_Click(); break;
    case 2: mnuPreviousPage_Click(); break;
    case 3: mnuNextPage_Click(); break;
    case 4: mnuFieldAdd_Click(); break;
    case 5: mnuTabOrder_Click(); break;
    case 6: mnuBannerAdd_Click(); break;
    case 7: mnuScript_Click(); break;
    default: break;
  }
}

// ---- File menu -------------------------------------------------------------------------

bool frmMain::MayDiscard(const std::string& title) { return !WouldLose() || ConfirmDiscard(title); }

bool frmMain::ConfirmDiscard(const std::string& title) {
  return modDB::GetHost().MsgBox("File has been modified!\r\nAll modifications will be lost\r\nContinue?",
                          modDB::vbQuestion | modDB::vbYesNo | modDB::vbDefaultButton2, title) == modDB::vbYes;
}

void frmMain::mnuFileNew_Click() {
  if (!MayDiscard("NEW")) return;
  StartUp();
}

void frmMain::mnuFileLoad_Click() {
  if (!MayDiscard("LOAD")) return;
  modDlg::DialogFilter = "*.Qfd";
  modDlg::ShowOpenDialog();
  const std::string name = modDlg::DialogFileName;
  const std::string folder = modDlg::DialogFolder;
  if (name.empty()) {
    ShowCurPage();
    return;
  }
  LoadFile(folder, name);
}

void frmMain::LoadFile(const std::string& folder, const std::string& name) {
  if (modDB::LoadHeader(Join(folder, name)) <= 0) {
    ShowCurPage();
    return;
  }
  const std::string password = modDB::GetPassword();
  if (!password.empty()) {
    modDlg::DialogTitle = "Password";
    modDlg::InputText = "";
    modDlg::InputMaxLength = 32;
    modDlg::ShowInputBox("anp");
    if (modDlg::InputText != password) {
      StartUp();  // the protected design is dropped without a word
      return;
    }
  }
  // The checks declared beside the database come with its design.
  if (const std::string why = qfchecks::ReadRules(Join(folder, name), qfchecks::Current()); !why.empty())
    modDB::GetHost().MsgBox(why, modDB::vbCritical | modDB::vbOKOnly, "CHECKS");
  rulesLoaded_ = !qfchecks::Current().Empty();
  setWindowTitle(QtText::FromCp(name));
  FileFolder = folder;
  const modDB::FormProps props = modDB::GetFormProps();
  SetOuterSize(props.Width, props.Height);
  SetBackColor(props.BackColor);
  MarkUnchanged();
  ShowPageCaptions();
  CurPage = 1;
  ShowCurPage();
  modDB::GetHost().MsgBox("Path\t" + folder + "\r\n" + "File\t" + name + "\r\n" + "Page(s)\t" +
                       std::to_string(modDB::GetLastPage()) + "\r\n" + "Field(s)\t" + std::to_string(modDB::GetFieldCount()) +
                       "\r\n" + "Banner(s)\t" + std::to_string(modDB::GetBannerCount()) + "\r\n",
                   modDB::vbInformation | modDB::vbOKOnly, "Information");
  ShowCurPage();
}

// Saves into folder/name with the window disabled and the hourglass shown.
bool frmMain::SaveTo(const std::string& folder, const std::string& name) {
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::string path = Join(folder, name);
  bool done = modDB::SaveHeader(path) > 0;
  // The checks go beside the saved database; a design that never had any leaves a
  // checks file there as it is.
  if (done && (rulesLoaded_ || !qfchecks::Current().Empty())) {
    if (const std::string why = qfchecks::WriteRules(path, qfchecks::Current()); !why.empty()) {
      modDB::GetHost().MsgBox(why, modDB::vbCritical | modDB::vbOKOnly, "CHECKS");
      done = false;
    }
  }
  QApplication::restoreOverrideCursor();
  setEnabled(true);
  return done;
}

void frmMain::mnuFileSave_Click() {
  const std::string name = FileName();
  if (name.empty()) {
    mnuFileSaveAs_Click();
    return;
  }
  // The database goes back where it came from, whatever folder the file picker
  // showed last.
  if (SaveTo(FileFolder, name)) MarkUnchanged();
  ShowCurPage();
}

void frmMain::mnuFileSaveAs_Click() {
  modDlg::DialogFileName = "";
  modDlg::DialogFilter = "*.Qfd";
  modDlg::ShowSaveDialog();
  const std::string name = modLIB::Trim(modDlg::DialogFileName);
  const std::string folder = modDlg::DialogFolder;
  if (name.empty()) {
    ShowCurPage();
    return;
  }
  if (SaveTo(folder, name)) {
    setWindowTitle(QtText::FromCp(name));
    FileFolder = folder;
    MarkUnchanged();
  }
  ShowCurPage();
}

void frmMain::mnuExit_Click() { close(); }

void frmMain::closeEvent(QCloseEvent* e) {
  if (!MayDiscard("EXIT")) {
    e->ignore();
    return;
  }
  e->accept();
}

// ---- Component menu ----------------------------------------------------------------

void frmMain::mnuFieldAdd_Click() {
  {
    frmField dlg(this);
    dlg.ShowField(0);
  }
  ShowCurPage();
}

void frmMain::mnuTabOrder_Click() {
  if (modDB::GetFieldCount() <= 1) return;
  {
    frmTabOrder dlg(this);
    modDlg::RunModal(dlg);
  }
  ShowCurPage();
}

void frmMain::mnuBannerAdd_Click() {
  {
    frmBanner dlg(this);
    dlg.ShowBanner(0);
  }
  ShowCurPage();
}

void frmMain::mnuChecks_Click() {
  frmChecks dlg(this);
  modDlg::RunModal(dlg);
}

void frmMain::mnuScript_Click() {
  frmScript dlg(this);
  modDlg::RunModal(dlg);
}

void frmMain::mnuProperty_Click() {
  {
    frmProperty dlg(this);
    modDlg::RunModal(dlg);
  }
  ShowCurPage();
}

void frmMain::mnuPassword_Click() {
  modDlg::DialogTitle = "Password";
  modDlg::InputText = modDB::GetPassword();
  modDlg::InputMaxLength = 32;
  modDlg::ShowInputBox("ANP");
  modDB::SetPassword(modDlg::InputText);
  Modified = true;
}

void frmMain::mnuHeading_Click() {
  modDlg::InputText = modDB::GetPageHeading(CurPage);
  modDlg::DialogTitle = "Page Heading";
  modDlg::InputMaxLength = 32;
  modDlg::ShowInputBox("ANS");
  // An empty heading is stored blank; the menu then names the page by its number.
  Modified = true;
  modDB::SetPageHeading(CurPage, modDlg::InputText);
  mnuPage[CurPage]->setText(MenuText(modDB::PageCaption(CurPage)));
}

// ---- Page and Help menus -------------------------------------------------------------

void frmMain::mnuNextPage_Click() {
  if (CurPage >= 8) return;
  ++CurPage;
  ShowCurPage();
}

void frmMain::mnuPreviousPage_Click() {
  if (CurPage <= 1) return;
  --CurPage;
  ShowCurPage();
}

void frmMain::mnuPage_Click(int page) {
  CurPage = static_cast<int16_t>(page);
  ShowCurPage();
}

void frmMain::mnuContents_Click() { modDlg::ShowHelp(""); }
void frmMain::mnuAbout_Click() { modDlg::ShowAbout(); }
