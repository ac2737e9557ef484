// FormLook: the form definition's colours and fonts on Qt widgets, the same way in
// both programs and the record table.
#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>

#include "FormHeader.h"

class QWidget;

namespace FormLook {

// A stored colour (0x00BBGGRR, red in the low byte).
QColor Color(int32_t bgr);
// Text colour and background of a caption, box or list; the background is painted.
void SetColours(QWidget* w, int32_t fore, int32_t back);
// The face, size, bold and italic of a stored font.
QFont Font(const modDB::FontDef& f);

}  // namespace FormLook
