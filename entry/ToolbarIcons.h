// The pictures of the entry window's 16 toolbar buttons: the desktop theme's icon
// where the theme has one, else a picture drawn here, so the buttons are never blank.
#pragma once

#include <QIcon>

namespace ToolbarIcons {

// Button 0 … 15: Open, Close, Print, First, Previous, Go to, Next, Last,
// Previous Page, Next Page, Find, Edit, New, Update, Cancel, Delete.
QIcon Icon(int button);

}  // namespace ToolbarIcons
