// frmMain: the one main window of QfLayout, the form designer.
//
// It shows one page of the engine's form definition the way the data-entry program
// will: every field of the page as an empty text box, every banner as a caption. The
// user drags items with the left mouse button and opens an item's properties dialog
// with the right button, Enter or Component > Item Properties; Tab goes from item to
// item. Everything else is reached through the menus, the toolbar strip and the
// pop-up Component menu of the empty canvas. Inside a text box Ctrl+A, C, X and V act
// on the text; elsewhere they are the menus' keys. The window's outer size is the
// form's size: resizing the window changes the definition.
//
// The window never touches a file itself: New, Load and Save go through the engine
// (InitHeader, LoadHeader, SaveHeader), which reports its own failures. The dialogs
// (frmField, frmBanner, frmProperty, frmTabOrder, frmScript) are modal, read CurPage
// and set Modified; the caller redraws the canvas (ShowCurPage) after them.
//
// Control arrays are indexed by slot: Field(i) stands for field slot i, Banner(i) for
// banner slot i, mnuPage(k) for page k; element 0 is unused. Each item keeps its slot
// number as its tag.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <string>

#include "common/BoxedTextEdit.h"
#include "designer/DesignerState.h"
#include "checks/Rules.h"
#include "engine/FormHeader.h"

class QAction;
class QMenu;
class QToolButton;
class frmMain;

// A field on the canvas: a multi-line text box whose typed text goes nowhere. Enter
// opens its properties.
class CanvasField : public BoxedTextEdit {
  Q_OBJECT
 public:
  CanvasField(frmMain* form, int slot, QWidget* parent);
  int maxLength = 0;

 private:
  frmMain* form_;

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
};

// A banner on the canvas: a caption sized to its text. It takes the focus by Tab or a
// click and then shows a frame in the highlight colour; Enter opens its properties.
class CanvasBanner : public QLabel {
  Q_OBJECT
 public:
  CanvasBanner(frmMain* form, int slot, QWidget* parent);

 private:
  frmMain* form_;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
};

// The canvas: the window's client area. A right click on it pops up the Component
// menu.
class Canvas : public QWidget {
  Q_OBJECT
 public:
  Canvas(frmMain* form, QWidget* parent);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  frmMain* form_;
};

class frmMain : public QMainWindow, public DesignerState {
  Q_OBJECT
 public:
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // ---- Window state (and Modified, CurPage) ----------------------------------------
  double PressX = 0, PressY = 0;  // where inside the item the last button went down

  // ---- Public operations ---------------------------------------------------------
  void ShowCurPage();
  // What the dialogs see of the window (DesignerState).
  QWidget* DialogParent() override { return this; }
  int ToolbarHeight() const override;
  int32_t OuterWidthTwips() const override;
  int32_t OuterHeightTwips() const override;
  void SetOuterSize(int32_t widthTwips, int32_t heightTwips) override;
  void SetBackColor(int32_t color) override;
  // The current database: its name as shown in the caption, and the folder it was
  // loaded from or saved to.
  std::string FileName() const;
  std::string FileFolder;

  // ---- Controls ------------------------------------------------------------------
  Canvas* canvas = nullptr;
  QWidget* cTBar = nullptr;
  std::array<QToolButton*, 8> cTBarBtn{};
  QLabel* lblPageNo = nullptr;
  QLabel* cTBarLbl = nullptr;
  std::array<CanvasField*, 129> Field{};
  std::array<CanvasBanner*, 129> Banner{};

  QMenu* File = nullptr;
  QMenu* mnuComponent = nullptr;
  QMenu* Page = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction *mnuFileNew, *mnuFileLoad, *mnuFileSave, *mnuFileSaveAs, *mnuExit;
  QAction *mnuFieldAdd, *mnuTabOrder, *mnuChecks, *mnuBannerAdd, *mnuScript, *mnuProperty, *mnuPassword, *mnuHeading;
  QAction* mnuItemProperty;  // the properties of the chosen item
  QAction *mnuNextPage, *mnuPreviousPage, *Sperator8;
  std::array<QAction*, 9> mnuPage{};  // 1 … 8
  QAction *mnuContents, *mnuAbout;

  // ---- Menu handlers (also run by the toolbar) -------------------------------------
  void mnuFileNew_Click();
  void mnuFileLoad_Click();
  // Loads the form database `name` in `folder`, as Load does once a file is chosen
  // (the command line's argument too).
  void LoadFile(const std::string& folder, const std::string& name);
  void mnuFileSave_Click();
  void mnuFileSaveAs_Click();
  void mnuExit_Click();
  void mnuFieldAdd_Click();
  void mnuTabOrder_Click();
  void mnuChecks_Click();
  void mnuBannerAdd_Click();
  void mnuScript_Click();
  void mnuProperty_Click();
  void mnuPassword_Click();
  void mnuHeading_Click();
  void mnuItemProperty_Click();
  void mnuNextPage_Click();
  void mnuPreviousPage_Click();
  void mnuPage_Click(int page);
  void mnuContents_Click();
  void mnuAbout_Click();
  void cTBarBtn_Click(int index);

  // ---- Item handlers (fields and banners alike) ----------------------------------
  void Item_MouseDown(QWidget* item, Qt::MouseButton button, QPointF at);
  void Item_MouseMove(QWidget* item, Qt::MouseButtons buttons, QPointF at);
  void Canvas_MouseDown(Qt::MouseButton button, QPoint globalAt);
  // An arrow key: moves the item last pressed (still on show) one pixel that way,
  // within the limits of dragging. False for other keys or no such item.
  bool NudgeSelected(int key);
  // A key without Ctrl, Alt or Shift on the page: an arrow nudges the chosen item,
  // Enter opens the properties of `item` (none: Enter is not taken). False when the
  // key is not taken.
  bool ItemKey(QKeyEvent* e, QWidget* item);
  // The chosen item: the one last pressed or given the focus, while it is on show.
  QWidget* SelectedItem() const;
  void SelectItem(QWidget* item);
  // Opens the field or banner dialog for an item, then redraws the page.
  void OpenItem(QWidget* item);
  // Whether closing now would lose changes: the design differs from what was last
  // loaded, saved or started.
  bool WouldLose() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void CreateMenus();
  void CreateToolbar();
  void CreateControls();
  void StartUp();
  // Nothing to lose from here on: Modified false, and the design as it stands now is
  // what later changes are compared with.
  void MarkUnchanged();
  // The discard question, asked only when something would be lost; true to go on.
  bool MayDiscard(const std::string& title);
  bool ConfirmDiscard(const std::string& title);
  void ShowPageCaptions();
  void ShowPosition(int left, int top);
  bool SaveTo(const std::string& folder, const std::string& name);
  void CentreOnScreen();
  // The caption of an unsaved design stays empty; the window system, which would
  // show the program's name for an empty title, is given a blank one.
  void ShowBlankTitle();

  // Moves an item to left, top within the canvas below the toolbar, and its
  // definition with it.
  void MoveItem(QWidget* item, int left, int top);

  QPointer<QWidget> selected_;  // the item last pressed
  bool shownOnce_ = false;
  int32_t askedWidth_ = 0, askedHeight_ = 0;  // the outer size last given, twips
  bool rulesLoaded_ = false;  // the loaded design came with checks
  modDB::FormHeader unchanged_;  // the design when it was last loaded, saved or started
  qfchecks::Rules unchangedRules_;  // and its checks
};
