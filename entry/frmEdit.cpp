#include "entry/frmEdit.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <cmath>
#include <QToolButton>

#include "common/FormLook.h"
#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "engine/modDB.h"
#include "engine/ValueRules.h"
#include "entry/Accessible.h"
#include "entry/clsField.h"
#include "entry/FieldFormat.h"
#include "entry/frmCheckAll.h"
#include "entry/frmCompare.h"
#include "entry/frmStatistics.h"
#include "entry/frmExport.h"
#include "entry/frmHistory.h"
#include "entry/frmImport.h"
#include "entry/frmPrint.h"
#include "entry/frmSearch.h"
#include "entry/frmShowText.h"
#include "entry/modBrowse.h"
#include "entry/ToolbarIcons.h"
#include "entry/ViewSettings.h"
#include "lib/modLIB.h"


namespace {

// The toolbar strip is as high as the designer's (375 twips), whose canvas keeps
// every item below it.
int ToolbarHeight() { return modLIB::TwipsToPixelsY(375); }
constexpr int kStartWidthTwips = 6840;
constexpr int kStartHeightTwips = 4470;

using FormLook::SetColours;

QFont FontOf(const modDB::FontDef& f) { return FormLook::Font(f); }

Qt::Alignment AlignmentOf(const std::string& format) {
  switch (FieldFormat::Alignment(format)) {
    case 1: return Qt::AlignRight;
    case 2: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
  }
}

// A number text as the system shows it: one leading blank for the sign.
std::string NumberText(int64_t n) { return n < 0 ? std::to_string(n) : " " + std::to_string(n); }

// A field slot in use: its definition into f. False for a slot outside 1 to 128 or
// an empty one.
bool UsedField(int slot, modDB::FieldDef& f) {
  if (slot < 1 || slot > 128 || modDB::GetHeader().Fields[slot].Page == 0) return false;
  return modDB::GetFieldDef(static_cast<int16_t>(slot), f) != 0;
}

// The form's scroll area leaves the keys to the window: Page Down is the next record,
// not the next screenful.
class FormScroll : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;

 protected:
  void keyPressEvent(QKeyEvent* e) override { e->ignore(); }
};

}  // namespace

// ---- frmEdit: start-up -------------------------------------------------------------

frmEdit::frmEdit(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmEdit");
  modDlg::HelpFileName = "QfEntry.Txt";
  surface = new QWidget(this);
  surface->setObjectName("surface");
  // A click on the form's background leaves the focus in its field box.
  surface->setFocusPolicy(Qt::NoFocus);
  scroller = new FormScroll(this);
  scroller->setObjectName("scroller");
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setFocusPolicy(Qt::NoFocus);  // Tab goes from box to box, the view follows
  scroller->setWidget(surface);
  setCentralWidget(scroller);
  CreateMenus();
  CreateToolbar();
  CreateControls();
  Accessible::Install(this);
  ViewSettings::Install(this);
  ResetWindow();
  DisableAll();
  NewRecord = false;
  CurPage = 1;
  AllowDelete = true;
}

frmEdit::~frmEdit() = default;

bool frmEdit::StartUp(const std::string& commandLine) {
  std::string path = modLIB::Trim(commandLine);
  if (path.empty()) return true;
  if (path.front() == '"') path.erase(0, 1);
  if (!path.empty() && path.back() == '"') path.pop_back();
  return OpenAndStart(path, modLIB::FileTitle(path));
}

// Opens a database and runs the script's "Start"; false when "Start" refused it
// (the database is closed again).
bool frmEdit::OpenAndStart(std::string path, const std::string& caption) {
  if (modDB::OpenDatabase(path) == 0) return true;
  // A database this program may only read says so in its title and position text,
  // and offers no command that writes.
  // The title is the file's name however it was opened (File > Open, the command line).
  const bool named = caption.size() > 4 && modLIB::UCase(caption.substr(caption.size() - 4)) == ".QFD";
  setWindowTitle(QtText::FromCp(named ? caption : caption + ".Qfd") + (ReadOnly() ? " (read-only)" : ""));
  NewRecord = false;
  CurPage = 1;
  ApplyFormProps();
  Checks.Load(modDB::GetDatabaseName());
  Verify.Opened(modDB::GetDatabaseName());
  RunScript("Start");
  if (ScriptLastCallFailed()) {
    mnuClose_Click();
    return false;
  }
  ShowCurPage();
  BrowseMode();
  return true;
}

void frmEdit::CreateMenus() {
  auto item = [this](QMenu* menu, QAction*& action, const char* caption, const char* name,
                     QKeySequence key, void (frmEdit::*handler)()) {
    action = menu->addAction(caption);
    action->setObjectName(name);
    if (!key.isEmpty()) action->setShortcut(key);
    connect(action, &QAction::triggered, this, handler);
  };
  QMenuBar* bar = menuBar();
  mnuFile = bar->addMenu("&File");
  item(mnuFile, mnuOpen, "Open", "mnuOpen", QKeySequence("Ctrl+O"), &frmEdit::mnuOpen_Click);
  item(mnuFile, mnuClose, "Close", "mnuClose", QKeySequence("Ctrl+C"), &frmEdit::mnuClose_Click);
  mnuFile->addSeparator();
  item(mnuFile, mnuPack, "Pack", "mnuPack", {}, &frmEdit::mnuPack_Click);
  item(mnuFile, mnuPrint, "Print", "mnuPrint", {}, &frmEdit::mnuPrint_Click);
  item(mnuFile, mnuExport, "Export", "mnuExport", {}, &frmEdit::mnuExport_Click);
  item(mnuFile, mnuImport, "Import...", "mnuImport", {}, &frmEdit::mnuImport_Click);
  item(mnuFile, mnuCompare, "Compare With...", "mnuCompare", {}, &frmEdit::mnuCompare_Click);
  QAction* startHistory = mnuFile->addAction("Start History");
  startHistory->setObjectName("mnuStartHistory");
  connect(startHistory, &QAction::triggered, this, [this] { frmHistory::StartFor(this); });
  frmHistory::OfferStart(mnuFile, startHistory);
  mnuFile->addSeparator();
  item(mnuFile, mnuExitProgram, "Exit", "mnuExitProgram", QKeySequence("Ctrl+X"), &frmEdit::mnuExitProgram_Click);

  mnuRecord = bar->addMenu("&Record");
  item(mnuRecord, mnuEditRecord, "Edit", "mnuEditRecord", QKeySequence(Qt::Key_F2), &frmEdit::mnuEditRecord_Click);
  item(mnuRecord, mnuUpdateRecord, "Update", "mnuUpdateRecord", QKeySequence(Qt::Key_F6),
       &frmEdit::mnuUpdateRecord_Click);
  item(mnuRecord, mnuCancelUpdate, "Cancel", "mnuCancelUpdate", QKeySequence(Qt::Key_F7),
       &frmEdit::mnuCancelUpdate_Click);
  mnuRecord->addSeparator();
  item(mnuRecord, mnuNewRecord, "New", "mnuNewRecord", QKeySequence(Qt::Key_F8), &frmEdit::mnuNewRecord_Click);
  item(mnuRecord, mnuDuplicateRecord, "Duplicate", "mnuDuplicateRecord", QKeySequence(Qt::Key_F9),
       &frmEdit::mnuDuplicateRecord_Click);
  item(mnuRecord, mnuSearchRecord, "Find", "mnuSearchRecord", QKeySequence(Qt::Key_F3),
       &frmEdit::mnuSearchRecord_Click);
  item(mnuRecord, mnuDeleteRecord, "Delete", "mnuDeleteRecord", {}, &frmEdit::mnuDeleteRecord_Click);
  item(mnuRecord, mnuUndeleteRecord, "Undelete", "mnuUndeleteRecord", {}, &frmEdit::mnuUndeleteRecord_Click);
  QAction* history = mnuRecord->addAction("History...");
  history->setObjectName("mnuHistory");
  history->setShortcut(QKeySequence("Ctrl+H"));
  connect(history, &QAction::triggered, this, [this] { frmHistory::ShowFor(this); });
  item(mnuRecord, mnuVerify, "Verify", "mnuVerify", QKeySequence(Qt::Key_F5), &frmEdit::mnuVerify_Click);
  mnuRecord->addSeparator();
  item(mnuRecord, mnuTime, "Time", "mnuTime", QKeySequence(Qt::Key_F11), &frmEdit::mnuTime_Click);
  item(mnuRecord, mnuDate, "Date", "mnuDate", QKeySequence(Qt::Key_F12), &frmEdit::mnuDate_Click);
  mnuPickValue = mnuRecord->addAction("Pick Value");
  mnuPickValue->setObjectName("mnuPickValue");
  mnuPickValue->setShortcut(QKeySequence(Qt::Key_F4));
  connect(mnuPickValue, &QAction::triggered, this, [this] { Checks.PickLegal(); });

  mnuGoto = bar->addMenu("&Goto");
  mnuGoto->setObjectName("mnuGoto");
  item(mnuGoto, mnuGotoRecord, "Record", "mnuGotoRecord", QKeySequence("Ctrl+R"), &frmEdit::mnuGotoRecord_Click);
  mnuGoto->addSeparator();
  item(mnuGoto, mnuNextRecord, "Next Record", "mnuNextRecord", {}, &frmEdit::mnuNextRecord_Click);
  item(mnuGoto, mnuPreviousRecord, "Previous Record", "mnuPreviousRecord", {}, &frmEdit::mnuPreviousRecord_Click);
  item(mnuGoto, mnuFirstRecord, "First Record", "mnuFirstRecord", QKeySequence("Ctrl+F"),
       &frmEdit::mnuFirstRecord_Click);
  item(mnuGoto, mnuLastRecord, "Last Record", "mnuLastRecord", QKeySequence("Ctrl+L"),
       &frmEdit::mnuLastRecord_Click);
  mnuGoto->addSeparator();
  item(mnuGoto, mnuNextPage, "Next Page", "mnuNextPage", QKeySequence("Ctrl+N"), &frmEdit::mnuNextPage_Click);
  item(mnuGoto, mnuPreviousPage, "Previous Page", "mnuPreviousPage", QKeySequence("Ctrl+P"),
       &frmEdit::mnuPreviousPage_Click);

  mnuTools = bar->addMenu("&Tools");
  mnuTools->setObjectName("mnuTools");
  mnuCheckAll = mnuTools->addAction("Check All");
  mnuCheckAll->setObjectName("mnuCheckAll");
  connect(mnuCheckAll, &QAction::triggered, this, &frmEdit::mnuCheckAll_Click);
  item(mnuTools, mnuStatistics, "Keying Statistics", "mnuStatistics", {}, &frmEdit::mnuStatistics_Click);

  mnuHelp = bar->addMenu("&Help");
  item(mnuHelp, mnuContents, "Contents", "mnuContents", {}, &frmEdit::mnuContents_Click);
  item(mnuHelp, mnuAbout, "About", "mnuAbout", {}, &frmEdit::mnuAbout_Click);

  mnuAction0 = bar->addMenu("Actions");
  mnuAction0->setObjectName("mnuAction0");
  for (int k = 1; k <= 5; ++k) {
    mnuAction[k] = mnuAction0->addAction("");
    mnuAction[k]->setObjectName(QString("mnuAction%1").arg(k));
    mnuAction[k]->setVisible(k == 1);
    connect(mnuAction[k], &QAction::triggered, this, [this, k] { mnuAction_Click(k); });
  }
  mnuAction0->menuAction()->setVisible(false);

  mnuPage = bar->addMenu("");
  mnuPage->setObjectName("mnuPage");
  for (int k = 1; k <= 8; ++k) {
    mnuPageHeading[k] = mnuPage->addAction(QString("Page %1").arg(k));
    mnuPageHeading[k]->setObjectName(QString("mnuPageHeading%1").arg(k));
    mnuPageHeading[k]->setProperty("tag", QString::number(k));
    connect(mnuPageHeading[k], &QAction::triggered, this, [this, k] { mnuPageHeading_Click(k); });
  }
}

void frmEdit::CreateToolbar() {
  cTBar = new QWidget(surface);
  cTBar->setObjectName("cTBar");
  cTBar->setAutoFillBackground(true);
  cTBar->setBackgroundRole(QPalette::Button);
  static const char* tips[16] = {"Open",          "Close",     "Print",       "First Record",
                                 "Previous Record", "Go to Record", "Next Record", "Last Record",
                                 "Previous Page", "Next Page", "Find",        "Edit",
                                 "New",           "Update",    "Cancel",      "Delete"};
  for (int i = 0; i < 16; ++i) {
    auto* b = new QToolButton(cTBar);
    b->setObjectName(QString("cTBarBtn%1").arg(i));
    b->setProperty("tag", QString::number(i));
    b->setIcon(ToolbarIcons::Icon(i));
    b->setToolTip(tips[i]);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, [this, i] { cTBarBtn_Click(i); });
    cTBarBtn[i] = b;
  }
  lblRecNo = new QLabel(cTBar);
  lblRecNo->setObjectName("lblRecNo");
  lblRecNo->setTextFormat(Qt::PlainText);
  PlaceToolbar(100);
  // The strip stays in view while the form scrolls under it.
  for (QScrollBar* bar : {scroller->horizontalScrollBar(), scroller->verticalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, cTBar, [this] { cTBar->move(-surface->pos()); });
}

void frmEdit::PlaceToolbar(int zoom) {
  const auto scaled = [zoom](int v) { return static_cast<int>(std::lround(v * zoom / 100.0)); };
  const int height = scaled(ToolbarHeight());
  int x = scaled(2);
  for (int i = 0; i < 16; ++i) {
    cTBarBtn[i]->setIconSize(QSize(scaled(16), scaled(16)));
    cTBarBtn[i]->setGeometry(x, 0, height + scaled(2), height);
    x += height + scaled(2) + ((i == 2 || i == 7 || i == 9 || i == 10) ? scaled(8) : 0);
  }
  lblRecNo->setGeometry(x + scaled(10), 0, scaled(160), height);
  cTBar->setGeometry(QRect(-surface->pos(), QSize(scroller->viewport()->width(), height)));
  cTBar->raise();
}

void frmEdit::CreateControls() {
  for (int i = 1; i <= 128; ++i) {
    Field[i] = new FieldBox(i, surface);
    Field[i]->setObjectName(QString("Field%1").arg(i));
    connect(Field[i], &FieldBox::focused, this, [this](int slot) {
      LastFieldSlot = slot;
      Checks.Focused(slot);
    });
    connect(Field[i], &FieldBox::doubleClicked, this, &frmEdit::Field_DblClick);
    Verify.Watch(Field[i]);
    connect(Field[i], &FieldBox::keyRefused, this, [this](int slot, int key) { Accessible::KeyRefused(this, slot, key); });
    Dummy[i] = new DummyLabel(i, surface);
    Dummy[i]->setObjectName(QString("Dummy%1").arg(i));
    connect(Dummy[i], &DummyLabel::clicked, this, &frmEdit::Dummy_Click);
  }
  for (int i = 1; i <= 128; ++i) {
    Banner[i] = new QLabel(surface);
    Banner[i]->setObjectName(QString("Banner%1").arg(i));
    Banner[i]->setTextFormat(Qt::PlainText);
    Banner[i]->setProperty("tag", QString::number(i));
    Banner[i]->hide();
  }
}

// ---- Window size and look --------------------------------------------------------

void frmEdit::SetOuterSize(int widthTwips, int heightTwips) {
  const QSize frame = frameGeometry().size() - geometry().size();
  resize(std::max(modLIB::TwipsToPixelsX(widthTwips) - frame.width(), 100),
         std::max(modLIB::TwipsToPixelsY(heightTwips) - frame.height(), 80));
}

void frmEdit::CentreOnScreen() {
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    move(area.x() + (area.width() - frameGeometry().width()) / 2,
         area.y() + (area.height() - frameGeometry().height()) / 2);
  }
}

// The window of no database: start-up size (at least the toolbar's width),
// button-face background, centred.
void frmEdit::ResetWindow() {
  SetOuterSize(kStartWidthTwips, kStartHeightTwips);
  // Wide enough for the whole toolbar, whatever the screen's pixels per twip.
  const int toolbar = cTBarBtn[15]->geometry().right() + 4;
  if (width() < toolbar) resize(toolbar, height());
  QPalette p = surface->palette();
  p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
  surface->setPalette(p);
  surface->setAutoFillBackground(true);
  CentreOnScreen();
}

void frmEdit::ApplyFormProps() {
  const modDB::FormProps props = modDB::GetFormProps();
  SetOuterSize(props.Width, props.Height);
  CentreOnScreen();
  QPalette p = surface->palette();
  p.setColor(QPalette::Window, FormLook::Color(props.BackColor));
  surface->setPalette(p);
  const QFont font = FontOf(props.FieldFont);
  for (int i = 1; i <= 128; ++i) {
    for (QWidget* w : {static_cast<QWidget*>(Field[i]), static_cast<QWidget*>(Dummy[i])}) {
      w->setFont(font);
      SetColours(w, props.FieldFont.ForeColor, props.FieldFont.BackColor);
    }
  }
}

void frmEdit::contextMenuEvent(QContextMenuEvent* e) {
  mnuGoto->popup(e->globalPos());
}

void frmEdit::keyPressEvent(QKeyEvent* e) {
  const bool ctrl = (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
  const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  QAction* step = nullptr;
  if (e->key() == Qt::Key_PageDown) step = plain ? mnuNextRecord : ctrl ? mnuLastRecord : nullptr;
  if (e->key() == Qt::Key_PageUp) step = plain ? mnuPreviousRecord : ctrl ? mnuFirstRecord : nullptr;
  if (Mode == 1 && step && step->isEnabled()) {
    step->trigger();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

bool frmEdit::focusNextPrevChild(bool next) {
  auto* box = qobject_cast<FieldBox*>(QApplication::focusWidget());
  // A box being hidden (a page change) asks too: only Tab and Enter go on to a page.
  if (!next || Mode != 2 || !box || box->window() != this || !box->isVisible())
    return QMainWindow::focusNextPrevChild(next);
  QWidget* to = box->nextInFocusChain();  // where Tab would go
  while (to != box && !(to->isVisible() && to->isEnabled() && (to->focusPolicy() & Qt::TabFocus)))
    to = to->nextInFocusChain();
  FieldBox* first = nullptr;  // the page's first box, where Tab would wrap to
  for (int i = 1; i <= 128 && !first; ++i)
    if (Field[i]->isVisible() && Field[i]->isEnabled()) first = Field[i];
  if (to != first && to != box) return QMainWindow::focusNextPrevChild(next);
  const int16_t last = modDB::GetLastPage();
  for (int16_t k = 1; k <= last; ++k) {
    const int16_t page = static_cast<int16_t>((CurPage - 1 + k) % last + 1);
    for (int16_t i = 1; i <= modDB::GetFieldCount(); ++i) {
      modDB::FieldDef f;
      if (modDB::GetFieldDef(i, f) != i || f.Page != page || FieldFormat::IsCaptionOnly(f.Format.Trimmed())) continue;
      Form2Record();
      CurPage = page;
      ShowCurPage();
      return true;
    }
  }
  return QMainWindow::focusNextPrevChild(next);
}

// ---- Modes ---------------------------------------------------------------------------

void frmEdit::DisableAll() {
  Mode = 0;
  for (int i = 0; i < 16; ++i) cTBarBtn[i]->setEnabled(i == 0);
  mnuPage->menuAction()->setVisible(false);
  lblRecNo->setVisible(false);
  for (QAction* a : {mnuNextPage, mnuPreviousPage, mnuNextRecord, mnuPreviousRecord, mnuFirstRecord,
                     mnuLastRecord, mnuEditRecord, mnuNewRecord, mnuDuplicateRecord, mnuSearchRecord,
                     mnuDeleteRecord, mnuGotoRecord, mnuUpdateRecord, mnuCancelUpdate, mnuClose, mnuPack,
                     mnuDate, mnuTime, mnuPrint, mnuExport, mnuCheckAll, mnuPickValue, mnuVerify, mnuCompare,
                     mnuStatistics, mnuUndeleteRecord})
    a->setEnabled(false);
  mnuOpen->setEnabled(true);
  mnuExitProgram->setEnabled(true);
  mnuAction0->setEnabled(false);
  mnuImport->setEnabled(false);
}

void frmEdit::BrowseMode() {
  Mode = 1;
  const bool pages = modDB::GetLastPage() > 1;
  cTBarBtn[0]->setEnabled(false);
  for (int i = 1; i <= 15; ++i) cTBarBtn[i]->setEnabled(true);
  cTBarBtn[13]->setEnabled(false);
  cTBarBtn[14]->setEnabled(false);
  cTBarBtn[8]->setEnabled(pages);
  cTBarBtn[9]->setEnabled(pages);
  mnuPage->menuAction()->setVisible(pages);
  lblRecNo->setVisible(true);
  // Shown whenever the form has pages to turn, whatever an earlier form left.
  mnuNextPage->setVisible(pages);
  mnuPreviousPage->setVisible(pages);
  mnuNextPage->setEnabled(pages);
  mnuPreviousPage->setEnabled(pages);
  for (QAction* a : {mnuNextRecord, mnuPreviousRecord, mnuFirstRecord, mnuLastRecord, mnuEditRecord,
                     mnuNewRecord, mnuDuplicateRecord, mnuSearchRecord, mnuDeleteRecord, mnuGotoRecord,
                     mnuClose, mnuPrint, mnuExport, mnuExitProgram})
    a->setEnabled(true);
  for (QAction* a : {mnuUpdateRecord, mnuCancelUpdate, mnuOpen, mnuDate, mnuTime}) a->setEnabled(false);
  mnuPack->setEnabled(AllowDelete);
  mnuAction0->setEnabled(false);
  mnuImport->setEnabled(true);
  mnuCheckAll->setEnabled(true);
  mnuPickValue->setEnabled(false);
  for (QAction* a : {mnuVerify, mnuCompare, mnuStatistics}) a->setEnabled(true);
  Checks.Reset();
  if (ReadOnly()) {
    for (int i : {11, 12, 15}) cTBarBtn[i]->setEnabled(false);
    for (QAction* a : {mnuEditRecord, mnuNewRecord, mnuDuplicateRecord, mnuDeleteRecord, mnuPack, mnuImport,
                       mnuVerify})
      a->setEnabled(false);
  }
}

void frmEdit::EditMode() {
  Mode = 2;
  const bool pages = modDB::GetLastPage() > 1;
  for (int i = 0; i < 16; ++i) cTBarBtn[i]->setEnabled(false);
  cTBarBtn[13]->setEnabled(true);
  cTBarBtn[14]->setEnabled(true);
  cTBarBtn[8]->setEnabled(pages);
  cTBarBtn[9]->setEnabled(pages);
  mnuPage->menuAction()->setVisible(pages);
  lblRecNo->setVisible(true);
  mnuNextPage->setVisible(pages);  // enabled state as it was
  mnuPreviousPage->setVisible(pages);
  for (QAction* a : {mnuNextRecord, mnuPreviousRecord, mnuFirstRecord, mnuLastRecord, mnuEditRecord,
                     mnuNewRecord, mnuDuplicateRecord, mnuSearchRecord, mnuDeleteRecord, mnuGotoRecord,
                     mnuClose, mnuOpen, mnuPack, mnuPrint, mnuExport, mnuExitProgram, mnuUndeleteRecord})
    a->setEnabled(false);
  for (QAction* a : {mnuUpdateRecord, mnuCancelUpdate, mnuDate, mnuTime}) a->setEnabled(true);
  mnuAction0->setEnabled(true);
  mnuImport->setEnabled(false);
  mnuCheckAll->setEnabled(false);
  mnuPickValue->setEnabled(true);
  for (QAction* a : {mnuVerify, mnuCompare, mnuStatistics}) a->setEnabled(false);
  Checks.Reset();
}

// ---- Showing a page --------------------------------------------------------------

std::string frmEdit::RECNO() {
  if (NewRecord) return "NEW";
  const int32_t count = modDB::GetRecordCount();
  if (count > 0) {
    std::string s = NumberText(modDB::GetRecordNo()) + " /" + NumberText(count);
    if (modDB::IsDeleted()) s += "*";
    return ReadOnly() ? s + "  read-only" : s;
  }
  return ReadOnly() ? "Record  read-only" : "Record";
}

bool frmEdit::ReadOnly() const { return !modDB::GetReadOnlyReason().empty(); }

void frmEdit::ShowCurPage() {
  lblRecNo->setText(QtText::FromCp(RECNO()));
  // A marked record is undeleted, not deleted again.
  const bool marked = Mode == 1 && !NewRecord && modDB::GetRecordCount() > 0 && modDB::IsDeleted() != 0;
  mnuUndeleteRecord->setEnabled(marked && AllowDelete && !ReadOnly());
  mnuPage->setTitle(QtText::FromCp(modDB::PageCaption(CurPage)));
  const int16_t lastPage = modDB::GetLastPage();
  for (int16_t k = 1; k <= 8; ++k) {
    mnuPageHeading[k]->setText(QtText::FromCp(modDB::PageCaption(k)));
    mnuPageHeading[k]->setVisible(k <= lastPage);
  }

  const int16_t banners = modDB::GetBannerCount();
  for (int16_t i = 1; i <= banners; ++i) {
    modDB::BannerDef b;
    QLabel* label = Banner[i];
    if (modDB::GetBanner(i, b) == i && b.Page == CurPage) {
      label->move(b.X, b.Y);
      SetColours(label, b.Font.ForeColor, b.Font.BackColor);
      label->setFont(FontOf(b.Font));
      label->setText(QtText::FromCp(b.Caption.Trimmed()));
      label->setProperty("tag", QString::number(i));
      label->adjustSize();
      label->show();
    } else {
      label->hide();
    }
  }

  FieldBox* first = nullptr;
  const int16_t fields = modDB::GetFieldCount();
  for (int16_t i = 1; i <= fields && i <= 128; ++i) {
    modDB::FieldDef f;
    if (modDB::GetFieldDef(i, f) != i || f.Page != CurPage) {
      Field[i]->hide();
      Dummy[i]->hide();
      continue;
    }
    const std::string format = f.Format.Trimmed();
    const QRect box(f.X, f.Y, std::max<int>(f.Width, 1), std::max<int>(f.Height, 1));
    if (Mode == 2 && !FieldFormat::IsCaptionOnly(format)) {
      FieldBox* b = Field[i];
      b->setGeometry(box);
      b->maxLength = f.Length;
      b->format = format;
      b->setProperty("tag", QString::number(i));
      b->SetText("");
      b->SetAlignment(AlignmentOf(format));
      b->show();
      Dummy[i]->hide();
      if (!first) first = b;
    } else {
      DummyLabel* d = Dummy[i];
      d->setGeometry(box);
      d->setProperty("tag", QString::number(i));
      d->setAlignment(AlignmentOf(format) | Qt::AlignTop);
      d->SetFormat(format);
      d->caption.clear();
      d->setText("");
      d->show();
      Field[i]->hide();
    }
  }
  Record2Form();
  Checks.ApplySkips();
  cTBar->raise();
  if (first) {
    first->setFocus();
    // On another page the first box's text is selected, as after Tab: typing replaces it.
    if (CurPage != shownPage_ && !FieldFormat::Has(first->format, 'M')) first->selectAll();
  } else if (qobject_cast<FieldBox*>(QApplication::focusWidget()) || qobject_cast<FieldBox*>(focusWidget())) {
    // No box on show: the form itself takes the keys, so that a hidden box keeps
    // none of the window's shortcuts (Ctrl+X, Ctrl+C) or Page Down for itself. The
    // window's own focus counts too: after a message box the window is not active
    // yet, and would give the keys back to the hidden box once it is.
    surface->setFocus();
  }
  Verify.PageShown();
  shownPage_ = CurPage;
  Accessible::PageShown(this);
  ViewSettings::PageShown(this);
}

void frmEdit::SetPrinting(bool printing) {
  Printing = printing;
  cTBar->setVisible(!printing);
}

QWidget* frmEdit::ShownField(int slot) {
  if (slot < 1 || slot > 128) return nullptr;
  if (Field[slot]->isVisible()) return Field[slot];
  return Dummy[slot]->isVisible() ? Dummy[slot] : nullptr;
}

void frmEdit::Record2Form() {
  for (int i = 1; i <= 128; ++i) {
    const int16_t slot = static_cast<int16_t>(Field[i]->property("tag").toInt());
    std::string value;
    if (!Field[i]->isHidden()) {
      modDB::ReadField(slot, value);
      Field[i]->SetText(value);
    }
    if (!Dummy[i]->isHidden()) {
      value.clear();
      modDB::ReadField(static_cast<int16_t>(Dummy[i]->property("tag").toInt()), value);
      Dummy[i]->caption = value;
      Dummy[i]->setText(FieldBox::ToBox(value));
    }
  }
}

void frmEdit::Form2Record() {
  for (int i = 1; i <= 128; ++i)
    if (!Field[i]->isHidden())
      modDB::WriteField(static_cast<int16_t>(Field[i]->property("tag").toInt()), Field[i]->Text());
}

// ---- File menu -------------------------------------------------------------------------

void frmEdit::mnuOpen_Click() {
  modDlg::DialogFilter = "*.Qfd";
  modDlg::ShowOpenDialog();
  if (modDlg::DialogFileName.empty()) return;
  std::string folder = modDlg::DialogFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  OpenAndStart(folder + modDlg::DialogFileName, modDlg::DialogFileName);
}

void frmEdit::mnuClose_Click() {
  if (windowTitle().isEmpty()) return;
  Verify.Stop();
  Verify.Closed();
  if (modDB::GetFileNumber() != 0) modDB::CloseDatabase();
  Checks.Clear();
  AllowDelete = true;
  setWindowTitle("");
  CurPage = 1;
  DisableAll();
  ResetWindow();
  for (int i = 1; i <= 128; ++i) {
    Field[i]->hide();
    Dummy[i]->hide();
    Banner[i]->hide();
  }
  if (ScriptObject) {
    ScriptObject->Actions.clear();
    ScriptObject->CloseDB();
  }
  ShowActions();
  Accessible::PageShown(this);
  ViewSettings::PageShown(this);
}

void frmEdit::mnuPack_Click() {
  if (modDB::GetFileNumber() == 0) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int16_t done = modDB::PackRecords();
  QApplication::restoreOverrideCursor();
  ShowCurPage();
  // How many records the packed file holds, once it is done.
  if (done == 1)
    modDB::GetHost().MsgBox("Pack finished: " + std::to_string(modDB::GetRecordCount()) + " records kept.", modDB::vbInformation,
                     "Pack");
}

void frmEdit::mnuPrint_Click() {
  if (modDB::GetRecordCount() <= 0) return;
  frmPrint print(this);
  modDlg::RunModal(print);
}

void frmEdit::mnuExport_Click() {
  frmExport exporter(this);
  // The legal values the form declares go out as value labels.
  for (auto& [slot, legal] : qfchecks::LegalValuesBySlot(modDB::GetHeader(), Checks.Rules()))
    for (const qfchecks::LegalValue& v : legal) exporter.labels.values[slot].push_back({v.Code, v.Label});
  modDlg::RunModal(exporter);
}

void frmEdit::mnuImport_Click() {
  if (frmImport::Run(this, [this] { return !RunScript("Update"); })) ShowCurPage();
}

void frmEdit::mnuExitProgram_Click() { close(); }

void frmEdit::closeEvent(QCloseEvent* e) {
  // Verification keeps each field as it is taken: closing only leaves it.
  if (Verify.Active()) mnuCancelUpdate_Click();
  if (Mode == 2) {
    // Closing while a record is edited: save, discard or go on editing.
    const int answer = modDB::GetHost().MsgBox(
        std::string(NewRecord ? "The new record is" : "Record" + NumberText(modDB::GetRecordNo()) + " is") +
            " being edited.\r\nYes: save it and close.\r\nNo: discard the changes and close.\r\n"
            "Cancel: go on editing.",
        modDB::vbYesNoCancel | modDB::vbQuestion | modDB::vbDefaultButton3, "CLOSE");
    if (answer == modDB::vbYes) mnuUpdateRecord_Click();
    else if (answer == modDB::vbNo) mnuCancelUpdate_Click();
    if (Mode == 2) {  // Cancel, or a save that was refused and said why
      e->ignore();
      return;
    }
  }
  Verify.Closed();
  if (!windowTitle().isEmpty()) modDB::CloseDatabase();
  e->accept();
}

// ---- Record menu -------------------------------------------------------------------

void frmEdit::mnuEditRecord_Click() {
  // Editing starts from the record as the file holds it now: what another program
  // saved since it was shown is on screen before the clerk types over it.
  if (OfferReopen()) return;
  if (modDB::GetRecordNo() != 0) modDB::ReadRecord();
  EditMode();
  ShowCurPage();
}

void frmEdit::mnuNewRecord_Click() {
  modDB::ClearRecord();
  NewRecord = true;
  CurPage = 1;
  EditMode();
  ShowCurPage();
}

void frmEdit::mnuDuplicateRecord_Click() {
  const int16_t count = modDB::GetFieldCount();
  for (int16_t i = 1; i <= count; ++i) {
    modDB::FieldDef f;
    if (modDB::GetFieldDef(i, f) == i && FieldFormat::IsCaptionOnly(f.Format.Trimmed())) modDB::WriteField(i, "");
  }
  NewRecord = true;
  CurPage = 1;
  EditMode();
  ShowCurPage();
}

void frmEdit::mnuCancelUpdate_Click() {
  Verify.Stop();
  if (modDB::GetRecordNo() != 0)
    modDB::ReadRecord();
  else
    modDB::ClearRecord();
  NewRecord = false;
  BrowseMode();
  ShowCurPage();
}

void frmEdit::mnuUpdateRecord_Click() {
  const bool adding = NewRecord;
  Form2Record();
  const int16_t count = modDB::GetFieldCount();
  for (int16_t i = 1; i <= count; ++i) {
    modDB::FieldDef f;
    if (modDB::GetFieldDef(i, f) != i) continue;
    const std::string format = f.Format.Trimmed();
    const std::string name = f.Name.Trimmed();
    std::string value;
    modDB::ReadField(i, value);
    if (modDB::FormatRules(format).IsTime() && !value.empty()) {  // "9:30" is kept as "09:30:00"
      const std::string t = modDB::TimeAsStored(value);
      if (t != value && static_cast<int>(t.size()) <= f.Length) modDB::WriteField(i, value = t);
    }
    modDB::SaveCheck check = modDB::FormatRules(format).CheckForSave(value, modDB::GetDateOrder());
    if (check == modDB::SaveCheck::YesNo) check = modDB::SaveCheck::Ok;  // its keys allow nothing else
    if (FieldFormat::Has(format, '#') && NewRecord)
      modDB::WriteField(i, modDB::AutoNumberText(modDB::NextAutoNumber()));  // the store sets it again under its lock
    if (check != modDB::SaveCheck::Ok) {
      // The field's page first, so that the message names the field by its label there.
      CurPage = f.Page;
      ShowCurPage();
      const std::string label = QtText::ToCp(Accessible::FieldLabel(this, i));
      modDB::GetHost().MsgBox("Field: " + (label.empty() ? name : label) + ", " +
                                  modDB::SaveCheckText(check, modDB::GetDateOrder()),
                              modDB::vbCritical, "UPDATE");
      if (!Field[i]->isHidden()) Field[i]->setFocus();
      return;
    }
  }
  // The declared checks, after the format checks and before the script's own.
  if (!Checks.AtSave(NewRecord)) return;
  RunScript("Update");
  if (ScriptLastCallFailed()) return;
  // A save the store refuses (a full database, a file error, a record another
  // program changed meanwhile and the user went back to) has said why; the window
  // stays in edit mode so that nothing typed is lost.
  if (!NewRecord) {
    if (modDB::GetRecordCount() > 0 && modDB::WriteRecord() == 0) {
      OfferReopen();
      return;
    }
  } else if (modDB::AddRecord() != 0) {
    NewRecord = false;
  } else {
    OfferReopen();
    return;
  }
  Verify.Saved(adding);
  BrowseMode();
  ShowCurPage();
}

void frmEdit::mnuDeleteRecord_Click() {
  if (!AllowDelete) {
    modDB::GetHost().MsgBox("Deletion is not allowed", modDB::vbCritical, "Delete Record");
    return;
  }
  if (modDB::GetRecordCount() > 0 && modDB::IsDeleted() != 0) {  // nothing to ask
    modDB::GetHost().MsgBox("This record is already marked for deletion.\r\nRecord, Undelete takes the mark off.",
                            modDB::vbInformation, "DELETE");
    return;
  }
  const int answer = modDB::GetHost().MsgBox("This will mark the record for permanent deletion.\r\nAre you sure?",
                                      modDB::vbYesNo | modDB::vbCritical | modDB::vbDefaultButton2, "DELETE");
  if (answer != modDB::vbYes) return;
  if (modDB::DeleteRecord() == 0 && OfferReopen()) return;
  ShowCurPage();
}

void frmEdit::mnuUndeleteRecord_Click() {
  if (modDB::UndeleteRecord() == 0 && OfferReopen()) return;
  ShowCurPage();
}

// A program that does not say it has the database open may pack or redesign it under
// this window; the store then refuses every write. Says so, and offers to open the
// database again: with the same form, what is on screen (typing included) stays;
// with a changed form the window lays it out again. True when it was replaced.
bool frmEdit::OfferReopen() {
  if (modDB::GetFileNumber() == 0 || modDB::IsReplaced() == 0) return false;
  const std::string path = modDB::GetDatabaseName() + ".Qfd";
  const int answer = modDB::GetHost().MsgBox("FILE:" + path +
                                          " was replaced by another program (packed or saved with a new design) "
                                          "since it was opened.\r\nOpen it again?",
                                      modDB::vbYesNo | modDB::vbExclamation, "OPEN DATABASE");
  if (answer != modDB::vbYes) return true;
  const int16_t reopened = modDB::ReopenDatabase();
  if (reopened == 1) {
    ShowCurPage();
    return true;
  }
  const std::string caption = modLIB::FileTitle(path);
  NewRecord = false;
  mnuClose_Click();
  if (reopened == 2) OpenAndStart(path, caption);
  return true;
}

void frmEdit::TypeKeys(const std::string& text) { FieldBox::TypeInto(QApplication::focusWidget(), text); }

void frmEdit::mnuDate_Click() { TypeKeys(FieldFormat::DateNow()); }
void frmEdit::mnuTime_Click() { TypeKeys(FieldFormat::TimeNow()); }

void frmEdit::mnuSearchRecord_Click() {
  if (modDB::GetRecordCount() <= 0) return;
  PickedRecord = 0;
  frmSearch search(this);
  modDlg::RunModal(search);
  ShowCurPage();
}

void frmEdit::mnuGotoRecord_Click() {
  if (OfferReopen() || modDB::GetRecordCount() <= 0) return;
  modBrowse::ClearBrowseColumns();
  const int16_t count = modDB::GetFieldCount();
  for (int16_t i = 1; i <= count; ++i) {
    modDB::FieldDef f;
    modDB::GetFieldDef(i, f);
    if (f.Format.Raw().find('H') == std::string::npos) modBrowse::IncludeBrowseColumn(i);
  }
  modBrowse::BrowseCurrent = modDB::GetRecordNo();
  PickedRecord = modBrowse::ShowBrowse(modDB::GetFileNumber());
  if (PickedRecord != 0) {
    modDB::SetRecordNo(PickedRecord);
    ShowCurPage();
  }
}

// ---- Goto menu -------------------------------------------------------------------

void frmEdit::mnuNextRecord_Click() {
  if (OfferReopen()) return;
  if (modDB::GotoNextRecord() == 1) ShowCurPage();
}
void frmEdit::mnuPreviousRecord_Click() {
  if (OfferReopen()) return;
  if (modDB::GotoPreviousRecord() == 1) ShowCurPage();
}
void frmEdit::mnuFirstRecord_Click() {
  if (OfferReopen()) return;
  if (modDB::GotoFirstRecord() == 1) ShowCurPage();
}
void frmEdit::mnuLastRecord_Click() {
  if (OfferReopen()) return;
  if (modDB::GotoLastRecord() == 1) ShowCurPage();
}

void frmEdit::mnuNextPage_Click() {
  if (CurPage < modDB::GetLastPage()) {
    Form2Record();
    ++CurPage;
    ShowCurPage();
  }
}

void frmEdit::mnuPreviousPage_Click() {
  if (CurPage > 1) {
    Form2Record();
    --CurPage;
    ShowCurPage();
  }
}

void frmEdit::mnuPageHeading_Click(int page) {
  if (page == CurPage) return;
  Form2Record();
  CurPage = static_cast<int16_t>(page);
  ShowCurPage();
}

// ---- Help menu ----------------------------------------------------------------------

void frmEdit::mnuCheckAll_Click() {
  if (OfferReopen()) return;
  int32_t record = 0;
  int slot = 0;
  {
    frmCheckAll dlg(this, Checks.Database(), Checks.Rules());
    modDlg::RunModal(dlg);
    record = dlg.PickedRecord;
    slot = dlg.PickedSlot;
  }
  if (record == 0 || modDB::SetRecordNo(record) == 0) return;
  mnuEditRecord_Click();
  Checks.GoToField(slot);
}

void frmEdit::mnuContents_Click() { modDlg::ShowHelp(""); }
void frmEdit::mnuAbout_Click() { modDlg::ShowAbout(); }

// ---- Toolbar -------------------------------------------------------------------------

void frmEdit::cTBarBtn_Click(int index) {
  // Take the focus off the button, as a click on the strip would.
  cTBarBtn[index]->setEnabled(false);
  cTBarBtn[index]->setEnabled(true);
  static void (frmEdit::*const handlers[16])() = {
      &frmEdit::mnuOpen_Click,         &frmEdit::mnuClose_Click,        &frmEdit::mnuPrint_Click,
      &frmEdit::mnuFirstRecord_Click,  &frmEdit::mnuPreviousRecord_Click, &frmEdit::mnuGotoRecord_Click,
      &frmEdit::mnuNextRecord_Click,   &frmEdit::mnuLastRecord_Click,   &frmEdit::mnuPreviousPage_Click,
      &frmEdit::mnuNextPage_Click,     &frmEdit::mnuSearchRecord_Click, &frmEdit::mnuEditRecord_Click,
      &frmEdit::mnuNewRecord_Click,    &frmEdit::mnuUpdateRecord_Click, &frmEdit::mnuCancelUpdate_Click,
      &frmEdit::mnuDeleteRecord_Click};
  (this->*handlers[index])();
}

// ---- Field handlers --------------------------------------------------------------------

void frmEdit::Field_DblClick(int slot) {
  modDB::FieldDef f;
  if (!UsedField(slot, f)) return;
  if (!FieldFormat::Has(f.Format.Trimmed(), 'D')) return;
  FieldBox* box = Field[slot];
  box->setEnabled(false);
  const QPoint at = QCursor::pos();
  modDlg::DateText = box->Text();
  modDlg::ShowDatePicker(modLIB::PixelsToTwipsX(at.x()), modLIB::PixelsToTwipsY(at.y()), modDB::GetDateOrder());
  box->SetText(modDlg::DateText);
  QTextCursor c = box->textCursor();
  c.clearSelection();
  box->setTextCursor(c);
  box->setEnabled(true);
  box->setFocus();
}

void frmEdit::Dummy_Click(int slot) {
  modDB::FieldDef f;
  if (!UsedField(slot, f)) return;
  DummyLabel* d = Dummy[slot];
  const char kind = FieldFormat::LinkKind(f.Format.Trimmed());
  if (kind != 0) {
    const std::string address = FieldFormat::LinkAddress(kind, d->caption);
    if (!address.empty()) modDlg::OpenLink(address);
    return;
  }
  if (d->caption.find("\r\n") == std::string::npos) return;
  const QPoint at = QCursor::pos();
  frmShowText viewer(this);
  viewer.setWindowTitle(QtText::FromCp(f.Name.Trimmed()));
  viewer.Text1->setPlainText(FieldBox::ToBox(d->caption));
  viewer.Text1->setFont(d->font());
  SetColours(viewer.Text1, modDB::GetFormProps().FieldFont.ForeColor, modDB::GetFormProps().FieldFont.BackColor);
  viewer.setGeometry(at.x(), at.y(), d->width(), d->height());
  modDlg::RunModal(viewer);
}

// ---- The form script ------------------------------------------------------------------

bool frmEdit::ScriptLastCallFailed() const { return ScriptObject && ScriptObject->LastCallFailed; }

bool frmEdit::RunScript(const std::string& procName) {
  if (!ScriptObject) ScriptObject = std::make_shared<clsField>(this);
  ScriptObject->LastCallFailed = false;
  const std::string name = modLIB::Trim(procName);
  const std::string script = modDB::GetScript();
  if (name.empty() || script.empty()) return ScriptObject->LastCallFailed;
  Scrpt.Timeout = 10000;
  Scrpt.SetUi(&scriptUi_);
  Scrpt.Reset();
  Scrpt.AddObject("Qf", ScriptObject, false);
  if (!Scrpt.AddCode(script) || !Scrpt.Run(name)) {
    const qfscript::ScriptError& e = Scrpt.Error();
    modDB::GetHost().MsgBox(std::string(100, ' ') + "\r\nDescription:" + e.Description + "\r\nLine:" + NumberText(e.Line) +
                         "\r\nColumn:" + NumberText(e.Column),
                     modDB::vbCritical, "SCRIPT ERROR");
  }
  Scrpt.Reset();  // objects and code do not outlive the run
  ShowActions();
  return ScriptObject->LastCallFailed;
}

// Entry 1 is always there (the menu hidden while the list is empty), the others once
// the script sets them.
void frmEdit::ShowActions() {
  const std::vector<std::string> none;
  const std::vector<std::string>& names = ScriptObject ? ScriptObject->Actions : none;
  for (int k = 1; k <= 5; ++k) {
    const bool set = k <= static_cast<int>(names.size());
    mnuAction[k]->setText(set ? QtText::FromCp(names[k - 1]) : QString());
    mnuAction[k]->setVisible(k == 1 || set);
  }
  mnuAction0->menuAction()->setVisible(!names.empty());
}

void frmEdit::mnuAction_Click(int k) {
  const std::string name = modLIB::Trim(QtText::ToCp(mnuAction[k]->text()));
  if (name.empty()) return;
  Form2Record();
  RunScript(name);
  ShowCurPage();
}

// ---- Double entry ------------------------------------------------------------------

void frmEdit::mnuCompare_Click() {
  modDlg::DialogFilter = "*.Qfd";
  modDlg::ShowOpenDialog();
  if (modDlg::DialogFileName.empty()) return;
  std::string folder = modDlg::DialogFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  frmCompare compare(this, modDB::GetDatabaseName(), folder + modDlg::DialogFileName, [this](int32_t n) {
    modDB::SetRecordNo(n);
    modDB::ReadRecord();
    ShowCurPage();
  });
  modDlg::RunModal(compare);
  ShowCurPage();
}

void frmEdit::mnuStatistics_Click() {
  qfverify::Session now = Verify.Session();
  now.keystrokes = Verify.Keys();
  frmStatistics stats(this, modDB::GetDatabaseName(), now);
  modDlg::RunModal(stats);
}
