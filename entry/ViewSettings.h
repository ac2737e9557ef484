// ViewSettings: the entry window's View menu, for users with low vision.
//
// High contrast draws the form black on white (fields, captions and banners, whatever
// colours the form defines) and puts a thick frame around the box being typed into.
// Zoom (Ctrl+plus or Ctrl+=, Ctrl+minus, Ctrl+0) scales the form's fields, banners and
// fonts, and the window with them, from 50 to 300 percent. Both reach the whole
// program: the menus, the toolbar and its record counter, the status bar and every
// dialog take the zoomed font and the black-on-white palette (the application's own).
// A form larger than the window scrolls, and the box with the focus is kept in view.
// Both act on the screen only: the printed form, the form's stored fonts and sizes
// never change and the database is never written. Both are remembered per user
// (QSettings, group "View") and apply to every form opened afterwards.
//
// The entry window calls Install once and PageShown at the end of every page show
// (and when it closes the database), after the page's controls have their designed
// places, fonts and colours.
#pragma once

#include <QFont>
#include <cstdint>

class QWidget;
class frmEdit;

namespace ViewSettings {

void Install(frmEdit* w);
void PageShown(frmEdit* w);

// The window's current settings (zoom in percent).
int Zoom(const frmEdit* w);
bool HighContrast(const frmEdit* w);
// What the menu entries do; each is remembered at once.
void SetZoom(frmEdit* w, int percent);
void SetHighContrast(frmEdit* w, bool on);

// Scrolls the form so that a control on it is in view, clear of the toolbar strip
// by a small margin (a box taking the focus, a field a Find lands on).
void Reveal(QWidget* control);

// For windows that show the form's own fonts and colours (the record table): the
// font as the zoom on show scales it, the colours or black on white.
QFont Zoomed(QFont f);
void SetColours(QWidget* w, int32_t fore, int32_t back);

}  // namespace ViewSettings
