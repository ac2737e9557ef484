// ViewSettings: the entry window's View menu, for users with low vision.
//
// High contrast draws the form black on white (fields, captions and banners, whatever
// colours the form defines) and puts a thick frame around the box being typed into.
// Zoom (Ctrl+plus or Ctrl+=, Ctrl+minus, Ctrl+0) scales the form's fields, banners and
// fonts, and the window with them, from 50 to 300 percent. Both act on the screen
// only: the form's stored fonts and sizes never change and the database is never
// written. Both are remembered per user (QSettings, group "View") and apply to every
// form opened afterwards.
//
// The entry window calls Install once and PageShown at the end of every page show,
// after the page's controls have their designed places, fonts and colours.
#pragma once

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

}  // namespace ViewSettings
