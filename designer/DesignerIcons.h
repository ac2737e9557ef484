// The 16 × 16 pictures of the designer's eight toolbar buttons, drawn here so that
// they look the same on every desktop: Load, Save, Previous page, Next page,
// Add Field, Tab Order, Add Banner, Script.
#pragma once

#include <QIcon>

namespace DesignerIcons {

QIcon Icon(int button);  // 0 … 7

}  // namespace DesignerIcons
