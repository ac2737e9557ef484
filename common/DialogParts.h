// DialogParts: the pieces the designer's dialogs share. Number boxes (positions, sizes,
// lengths) and the labels that show a page, field or banner number; the reading of a
// number box is lenient (its leading digits count, with one point allowed), its check
// that of modLIB::IsNumberInRange. And push buttons that never take Enter for
// themselves.
#pragma once

#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace DialogParts {

// A box for a number of up to maxLength digits (only digits can be typed), 70
// pixels wide.
QLineEdit* NumberBox(QWidget* parent, const char* name, int maxLength = 4);
// A framed label, 48 pixels wide, that shows a page, field or banner number.
QLabel* NumberLabel(QWidget* parent, const char* name);
// A caption that labels a box: the label's buddy is the box, and the box is named by
// the caption for screen readers, lists and tables included (which do not look for
// a buddy of their own). Returns the label.
QLabel* Caption(QLabel* label, QWidget* box);
// A push button that is not the dialog's default when it has the focus.
QPushButton* Button(QWidget* parent, const char* caption, const char* name);

// The number a box holds: its leading digits, with a point allowed; 0 when empty.
double Val(const QString& text);
// A number rounded half to even and held to 16 bits, from lo up to 32767: beyond
// that, the nearer end.
int16_t Whole16(double v, int64_t lo = -32768);
// Whether the box holds a number from lo to hi.
bool InRange(const QLineEdit* box, int32_t lo, int32_t hi);

}  // namespace DialogParts
