// Accessible: what a screen reader hears from the entry window and its record table.
//
// Every field of the page on show is named by the banner that labels it (the nearest
// banner on its left on the same line, else the nearest one above it), or by the
// field's name when no banner does, and described by its format in words. Only the
// controls of the page on show are in the accessible tree; the form's own name says
// the page, its description the mode, so both are heard when they change. A browse
// caption is read as read-only text holding the value; an input box is editable. The
// toolbar's buttons are named by their commands, the record position in words. A key
// the field's format refuses is said through the box's description until the focus
// leaves it. The record table's headings and cells carry their column names.
//
// The entry window calls Install once, PageShown at the end of every page show and
// KeyRefused when its key rules swallow a typed key; the table calls NameTable after
// filling its rows.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class frmEdit;

namespace Accessible {

// A field's format in words, e.g. "digits only, at most 5" or "date, day/month/year";
// length is the field's record length, dateOrder the form's (2: month first).
QString FormatInWords(const std::string& format, int length, int dateOrder);

// A banner on the page: where it stands and its caption.
struct BannerPlace {
  QRect rect;
  QString caption;
};
// The caption of the banner that labels a field standing at `field`: the nearest one
// on its left on the same line, else the nearest one above it that overlaps it
// sideways; empty when none does. The rule is the engine's (modDB::LabelOf), which
// the exports use for their variable labels.
QString LabelFor(const QRect& field, const std::vector<BannerPlace>& banners);

// The record position in words: "record 3 of 8", "record 3 of 8, deleted", "new
// record", "no records".
QString RecordPosition(bool newRecord, int32_t recordNo, int32_t count, bool deleted);

// The name a field of the page on show is heard by: its label, else its name.
QString FieldLabel(frmEdit* w, int slot);

void Install(frmEdit* w);
void PageShown(frmEdit* w);
void KeyRefused(frmEdit* w, int slot, int key);
// Says `text` through the box's description until the focus leaves it (a value
// that verification asks again).
void Announce(frmEdit* w, int slot, const QString& text);
void NameTable(const std::vector<QLabel*>& headings, const std::vector<QListWidget*>& lists);

}  // namespace Accessible
