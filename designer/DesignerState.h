// DesignerState: what the designer's dialogs see of the designer window. The window
// (frmMain) implements it; the dialogs depend on this, not on the window, so that the
// window can include every dialog without a circle.
#pragma once

#include <cstdint>

class QWidget;

class DesignerState {
 public:
  bool Modified = false;
  int16_t CurPage = 1;

  // The window the dialogs stand over.
  virtual QWidget* DialogParent() = 0;
  // The height of the toolbar strip in canvas pixels: the smallest Y of an item.
  virtual int ToolbarHeight() const = 0;
  // The window's outer size, twips.
  virtual int32_t OuterWidthTwips() const = 0;
  virtual int32_t OuterHeightTwips() const = 0;
  // Gives the window an outer size in twips; the resize rule then stores it.
  virtual void SetOuterSize(int32_t widthTwips, int32_t heightTwips) = 0;
  virtual void SetBackColor(int32_t color) = 0;

 protected:
  ~DesignerState() = default;
};
