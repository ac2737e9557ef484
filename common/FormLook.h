// FormLook: the form definition's colours and fonts on Qt widgets, the same way in
// both programs and the record table.
#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>

#include "engine/FormHeader.h"

class QWidget;

namespace FormLook {

// A stored colour (0x00BBGGRR, red in the low byte).
QColor Color(int32_t bgr);
// Text colour and background of a caption, box or list; the background is painted.
void SetColours(QWidget* w, int32_t fore, int32_t back);
// The face, size, bold and italic of a stored font.
QFont Font(const modDB::FontDef& f);

// Field boxes have no inner margin: the text area is the whole box, one pixel in
// from the sides, and raised by kTextRaise so that the font's empty top row (above
// the capitals) lies under the box line rather than its descenders. The 1-pixel box
// line is drawn over the edges afterwards. So one line of the field font fits the
// height the designer proposes (the font's line height).
constexpr int kTextRaise = 1;
// A box taller than its line lowers the text instead, up to one pixel below the top
// line, so that the text does not touch it: the text area's top within a box of
// `boxHeight` pixels, -kTextRaise ... 1.
int TextTop(int boxHeight, const QFont& font);
// The text area ends this many pixels in from the right side, so that right-aligned
// values keep a pixel of room from the box line.
constexpr int kRightInset = 2;
// Draws that line in the text colour of `box`, painting on `on` (the box or a child
// of it, such as a text box's viewport): the top and bottom edges, the sides, or both.
void DrawBoxEdges(QWidget* box, QWidget* on, bool horizontal, bool vertical);

}  // namespace FormLook
