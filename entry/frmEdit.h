// frmEdit: the one main window of QfEntry.
//
// It opens a form database, builds the designed form from the definition (banners as
// captions, fields as input boxes or read-only captions, up to 8 pages), shows one
// record at a time, and switches its menus and toolbar between three modes: no
// database (0), browse (1) and edit (2). Records and the definition belong to the
// engine; the window only shows the current record (Record2Form) and hands typed
// values back (Form2Record).
//
// Control arrays are indexed by slot: Field(i) and Dummy(i) stand for field slot i,
// Banner(i) for banner slot i, mnuPageHeading(k) for page k; element 0 is unused.
// Each control keeps its slot number as its tag (the "tag" property).
//
// Its dialogs (frmPrint, frmSearch) and the script object (clsField) see it as an
// EntryState; the form's widgets (FieldBox, DummyLabel) apply their field's format
// themselves and signal the window what it must hear of.
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "entry/EntryChecks.h"
#include "entry/EntryState.h"
#include "entry/EntryVerify.h"
#include "entry/FieldBox.h"
#include "entry/ScriptUi.h"
#include "script/script_control.h"

class QAction;
class QMenu;
class QScrollArea;
class QToolButton;
class clsField;

class frmEdit : public QMainWindow, public EntryState {
  Q_OBJECT
 public:
  explicit frmEdit(QWidget* parent = nullptr);
  ~frmEdit() override;

  // Start-up with the program's command line (may be empty). False when the program
  // is to end at once (the form script's "Start" refused the database).
  bool StartUp(const std::string& commandLine);

  // ---- Window state (and CurPage, AllowDelete, PickedRecord, LastFieldSlot) -------
  int16_t Mode = 0;  // 0 no database, 1 browse, 2 edit
  bool NewRecord = false;

  // ---- Public operations ---------------------------------------------------------
  std::string RECNO();
  void DisableAll();
  void BrowseMode();
  void EditMode();
  void Record2Form();
  void Form2Record();
  void ShowCurPage() override;
  // What the dialogs and the script object see of the window (EntryState).
  QWidget* DialogParent() override { return this; }
  QWidget* PrintSurface() override { return surface; }
  void SetPrinting(bool printing) override;
  QWidget* ShownField(int slot) override;
  // The toolbar strip across the top of the part of the form in view, its buttons,
  // icons and record counter scaled by the zoom (percent).
  void PlaceToolbar(int zoom);

  // ---- Controls ------------------------------------------------------------------
  QWidget* surface = nullptr;  // the form's inner area
  QScrollArea* scroller = nullptr;  // holds the surface: scroll bars when the form is larger
  QWidget* cTBar = nullptr;  // on the surface, kept at the top of the part in view
  std::array<QToolButton*, 16> cTBarBtn{};
  QLabel* lblRecNo = nullptr;
  std::array<FieldBox*, 129> Field{};
  std::array<DummyLabel*, 129> Dummy{};
  std::array<QLabel*, 129> Banner{};

  QMenu* mnuFile = nullptr;
  QMenu* mnuRecord = nullptr;
  QMenu* mnuGoto = nullptr;
  QMenu* mnuHelp = nullptr;
  QMenu* mnuAction0 = nullptr;
  QMenu* mnuPage = nullptr;
  QAction *mnuOpen, *mnuClose, *mnuPack, *mnuPrint, *mnuExport, *mnuExitProgram;
  QAction *mnuEditRecord, *mnuUpdateRecord, *mnuCancelUpdate, *mnuNewRecord, *mnuDuplicateRecord;
  QAction *mnuSearchRecord, *mnuDeleteRecord, *mnuTime, *mnuDate;
  QAction* mnuUndeleteRecord;  // takes the deletion mark off the record on show
  QAction *mnuGotoRecord, *mnuNextRecord, *mnuPreviousRecord, *mnuFirstRecord, *mnuLastRecord;
  QAction *mnuNextPage, *mnuPreviousPage;
  QAction *mnuContents, *mnuAbout;
  QMenu* mnuTools = nullptr;
  QAction* mnuCheckAll = nullptr;   // Tools > Check All, in browse mode
  QAction* mnuPickValue = nullptr;  // Record > Pick Value (F4), in edit mode
  QAction* mnuVerify = nullptr;     // Record > Verify (F5), in browse mode
  QAction* mnuCompare = nullptr;    // File > Compare With..., in browse mode
  QAction* mnuStatistics = nullptr;  // Tools > Keying Statistics, with a database open
  std::array<QAction*, 6> mnuAction{};        // 1 … 5
  std::array<QAction*, 9> mnuPageHeading{};   // 1 … 8

  // ---- Menu handlers (also run by the toolbar) -------------------------------------
  void mnuOpen_Click();
  void mnuClose_Click();
  void mnuPack_Click();
  void mnuPrint_Click();
  void mnuExport_Click();
  QAction* mnuImport = nullptr;  // File > Import..., in browse mode
  void mnuImport_Click();
  void mnuExitProgram_Click();
  void mnuEditRecord_Click();
  void mnuUpdateRecord_Click();
  void mnuCancelUpdate_Click();
  void mnuNewRecord_Click();
  void mnuDuplicateRecord_Click();
  void mnuSearchRecord_Click();
  void mnuDeleteRecord_Click();
  void mnuUndeleteRecord_Click();
  void mnuTime_Click();
  void mnuDate_Click();
  void mnuGotoRecord_Click();
  void mnuNextRecord_Click();
  void mnuPreviousRecord_Click();
  void mnuFirstRecord_Click();
  void mnuLastRecord_Click();
  void mnuNextPage_Click();
  void mnuPreviousPage_Click();
  void mnuPageHeading_Click(int page);
  void mnuContents_Click();
  void mnuAbout_Click();
  void cTBarBtn_Click(int index);
  void mnuCheckAll_Click();
  void mnuVerify_Click() { Verify.Start(); }
  void mnuCompare_Click();
  void mnuStatistics_Click();

  // ---- Field handlers (the widgets' signals) -----------------------------------------
  // A double click in a date field's box: the calendar.
  void Field_DblClick(int slot);
  // A click on a caption: a link opens, a text of several lines shows whole.
  void Dummy_Click(int slot);

  // Types text into the focused box through the keyboard queue, key by key, so that
  // each character meets the box's key filter as if the user typed it.
  void TypeKeys(const std::string& text);

  // The form script: runs a procedure from a fresh engine with the object "Qf";
  // returns the script object's LastCallFailed (a refused open or save). A script
  // error is shown as "SCRIPT ERROR" and does not count as a refusal.
  bool RunScript(const std::string& procName);
  bool ScriptLastCallFailed() const;
  void mnuAction_Click(int k);

  // The declared checks of the open database.
  EntryChecks Checks{this};
  // Double entry and the keying session.
  EntryVerify Verify{this};

  qfscript::ScriptControl Scrpt;
  std::shared_ptr<clsField> ScriptObject;  // created on first use

 protected:
  void closeEvent(QCloseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  // Browse mode: Page Down / Page Up the next / previous record, with Ctrl the last
  // / first (the Goto menu's entries; a box being edited keeps these keys).
  void keyPressEvent(QKeyEvent* e) override;
  // Tab or Enter on the last box of a page goes on to the first box of the next page
  // that has one (from the last page, page 1), not round the same page.
  bool focusNextPrevChild(bool next) override;

 private:
  int16_t shownPage_ = 0;  // the page ShowCurPage showed last
  void CreateMenus();
  void CreateToolbar();
  void CreateControls();
  void ApplyFormProps();
  void SetOuterSize(int widthTwips, int heightTwips);
  void CentreOnScreen();
  void ResetWindow();
  bool OpenAndStart(std::string path, const std::string& caption);
  bool OfferReopen();
  // Whether the open database may only be read.
  bool ReadOnly() const;
  // The Actions menu as the script object lists its entries.
  void ShowActions();

  EntryScriptUi scriptUi_;
};
