// EntryState: what the entry window's dialogs (frmPrint, frmSearch) and the script
// object (clsField) see of the entry window. The window (frmEdit) implements it; they
// depend on this, not on the window, so that the window can include each of them
// without a circle.
//
// CurPage is the page shown (1 … 8); a change shows once ShowCurPage runs.
// PickedRecord is the record a search or the record table last picked (0: none).
// AllowDelete is the form script's say on Delete and Pack. LastFieldSlot is the
// field box that last had the focus (0: none yet). Printing is set while the form
// is printed.
#pragma once

#include <cstdint>

class QWidget;

class EntryState {
 public:
  int16_t CurPage = 1;
  bool AllowDelete = true;
  int32_t PickedRecord = 0;
  int LastFieldSlot = 0;
  bool Printing = false;

  // The window the dialogs stand over.
  virtual QWidget* DialogParent() = 0;
  // Lays out page CurPage of the current record.
  virtual void ShowCurPage() = 0;
  // The form's inner area, as it is printed.
  virtual QWidget* PrintSurface() = 0;
  // While the form is printed (Printing): the toolbar strip hidden and the form drawn
  // as designed, without the view's zoom or high contrast; afterwards as before.
  virtual void SetPrinting(bool printing) = 0;
  // What shows field slot `slot` on the page: its input box or its caption; nullptr
  // when neither is on show.
  virtual QWidget* ShownField(int slot) = 0;

 protected:
  ~EntryState() = default;
};
