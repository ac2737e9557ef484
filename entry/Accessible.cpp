#include "entry/Accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <algorithm>
#include <climits>

#include "common/QtText.h"
#include "engine/modDB.h"
#include "entry/FieldBox.h"
#include "entry/FieldFormat.h"
#include "entry/frmEdit.h"
#include "lib/modLIB.h"


namespace Accessible {

namespace {

using FieldFormat::Has;

// "a", "a and b", "a, b and c".
QString Join(const QStringList& parts) {
  if (parts.size() <= 1) return parts.join(QString());
  return parts.mid(0, parts.size() - 1).join(", ") + " and " + parts.last();
}

// A browse caption: read-only text that holds the field's value.
class CaptionAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit CaptionAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.editable = false;
    s.multiLine = Shown().contains('\n');
    return s;
  }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Value ? Shown() : QAccessibleWidget::text(t);
  }
  // The text interface, over the shown value; nothing can be selected.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override {
    const QString s = Shown();
    if (end < 0 || end > s.size()) end = static_cast<int>(s.size());
    start = std::clamp(start, 0, end);
    return s.mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(Shown().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

 private:
  QString Shown() const { return static_cast<QLabel*>(widget())->text(); }
};

// The form's surface: only the controls on show are its children, so the fields,
// captions and banners of other pages (and the unused slots) stay out of the tree.
class FormAccessible : public QAccessibleWidget {
 public:
  explicit FormAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Form) {}
  int childCount() const override { return static_cast<int>(Shown().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> shown = Shown();
    return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child || !child->object() || !child->object()->isWidgetType()) return -1;
    return static_cast<int>(Shown().indexOf(static_cast<QWidget*>(child->object())));
  }

 private:
  QList<QWidget*> Shown() const {
    QList<QWidget*> out;
    for (QObject* o : widget()->children()) {
      auto* c = qobject_cast<QWidget*>(o);
      if (c && !c->isWindow() && !c->isHidden() && !c->property("qfNoAccess").toBool()) out << c;
    }
    return out;
  }
};

QAccessibleInterface* Factory(const QString& className, QObject* o) {
  if (className == QLatin1String("DummyLabel")) return new CaptionAccessible(static_cast<QWidget*>(o));
  if (className == QLatin1String("QWidget") && o->objectName() == QLatin1String("surface") &&
      qobject_cast<frmEdit*>(static_cast<QWidget*>(o)->window()))
    return new FormAccessible(static_cast<QWidget*>(o));
  return nullptr;
}

// Names and descriptions change only when they differ: each change is an event that
// a screen reader may say.
void SetName(QWidget* w, const QString& name) {
  if (w->accessibleName() != name) w->setAccessibleName(name);
}
void SetDescription(QWidget* w, const QString& description) {
  if (w->accessibleDescription() != description) w->setAccessibleDescription(description);
}

// A field's description: its format in words, as the record defines it.
QString DescriptionOf(int slot) {
  modDB::FieldDef f;
  if (slot < 1 || slot > 128 || modDB::GetFieldDef(static_cast<int16_t>(slot), f) != slot) return {};
  return FormatInWords(f.Format.Trimmed(), f.Length, modDB::GetDateOrder());
}

QString KeyName(int key) {
  switch (key) {
    case ' ': return "blank";
    case '.': return "full stop";
    case '-': return "minus sign";
    case 8: return "backspace";
    case 13: return "enter";
    default: break;
  }
  if (key > 0 && key < 32) return "control key";
  return QString(QtText::FromCode(key));
}

}  // namespace

QString FormatInWords(const std::string& format, int length, int dateOrder) {
  if (Has(format, '#')) return "numbered automatically, cannot be typed into";
  if (Has(format, '=')) return "computed, cannot be typed into";
  QStringList words;
  bool sized = true;  // dates, times and yes/no have their lengths of their own
  if (format.empty()) {
    return "cannot be typed into";
  } else if (Has(format, '*')) {
    words << "any characters";
  } else if (Has(format, 'E')) {
    words << "e-mail address";
  } else if (Has(format, 'W')) {
    words << "web address";
  } else if (Has(format, 'Y')) {
    words << "yes or no, type Y or N";
    sized = false;
  } else if (Has(format, 'D')) {
    words << (dateOrder == 2 ? "date, month/day/year" : "date, day/month/year");
    sized = false;
  } else if (Has(format, 'T')) {
    words << "time, hours:minutes:seconds";
    sized = false;
  } else {
    QStringList keys;
    if (Has(format, 'N')) keys << "digits";
    if (Has(format, 'A')) keys << "letters";
    if (Has(format, 'S')) keys << "blanks";
    if (Has(format, '.')) keys << "full stop";
    if (Has(format, '-')) keys << "minus sign";
    if (keys.isEmpty()) return "cannot be typed into";
    words << (keys.size() == 1 ? keys.first() + " only" : Join(keys));
  }
  // The case the text is turned to: the last conversion applied wins.
  if (Has(format, 'F')) words << "first letters capital";
  else if (Has(format, 'L')) words << "lower case";
  else if (Has(format, 'U')) words << "upper case";
  if (Has(format, 'M')) words << "several lines";
  if (Has(format, '!')) words << "required";
  if (sized && length > 0) words << QString("at most %1").arg(length);
  return words.join(", ");
}

QString LabelFor(const QRect& field, const std::vector<BannerPlace>& banners) {
  // The engine's rule, over the places the banners have on screen.
  std::vector<modDB::BannerBox> boxes;
  boxes.reserve(banners.size());
  for (const BannerPlace& b : banners)
    boxes.push_back({{b.rect.x(), b.rect.y(), b.rect.width(), b.rect.height()}, b.caption.toStdString()});
  return QString::fromStdString(
      modDB::LabelOf({field.x(), field.y(), field.width(), field.height()}, boxes));
}

QString RecordPosition(bool newRecord, int32_t recordNo, int32_t count, bool deleted) {
  if (newRecord) return "new record";
  if (count <= 0) return "no records";
  QString s = QString("record %1 of %2").arg(recordNo).arg(count);
  if (deleted) s += ", deleted";
  return s;
}

void Install(frmEdit* w) {
  static bool factory = false;
  if (!factory) {
    QAccessible::installFactory(Factory);
    factory = true;
  }
  // Toolbar buttons: the command's name, and the menu key that does the same.
  QAction* const same[16] = {w->mnuOpen,           w->mnuClose,          w->mnuPrint,        w->mnuFirstRecord,
                             w->mnuPreviousRecord, w->mnuGotoRecord,     w->mnuNextRecord,   w->mnuLastRecord,
                             w->mnuPreviousPage,   w->mnuNextPage,       w->mnuSearchRecord, w->mnuEditRecord,
                             w->mnuNewRecord,      w->mnuUpdateRecord,   w->mnuCancelUpdate, w->mnuDeleteRecord};
  for (int i = 0; i < 16; ++i) {
    QToolButton* b = w->cTBarBtn[i];
    b->setAccessibleName(b->toolTip());
    const QString key = same[i]->shortcut().toString(QKeySequence::NativeText);
    if (!key.isEmpty()) b->setAccessibleDescription("shortcut " + key);
  }
  w->cTBar->setAccessibleName("Toolbar");
  w->lblRecNo->setAccessibleName(RecordPosition(false, 0, 0, false));
  // A refused key is said until the focus leaves the box.
  QObject::connect(qApp, &QApplication::focusChanged, w, [w](QWidget* old, QWidget*) {
    auto* box = qobject_cast<FieldBox*>(old);
    if (box && box->window() == w) SetDescription(box, DescriptionOf(box->slot()));
  });
}

namespace {

std::vector<BannerPlace> BannersShown(frmEdit* w) {
  std::vector<BannerPlace> banners;
  for (int i = 1; i <= 128; ++i) {
    QLabel* b = w->Banner[i];
    if (!b->isHidden()) banners.push_back({b->geometry(), b->text()});
  }
  return banners;
}

QWidget* ShownBox(frmEdit* w, int i) {
  return !w->Field[i]->isHidden() ? static_cast<QWidget*>(w->Field[i])
         : !w->Dummy[i]->isHidden() ? static_cast<QWidget*>(w->Dummy[i])
                                    : nullptr;
}

}  // namespace

void PageShown(frmEdit* w) {
  // Asked as the position text asks: the record and its mark only of a database that
  // holds records (the store complains of an empty one).
  const int32_t count = modDB::GetFileNumber() != 0 && !w->NewRecord ? modDB::GetRecordCount() : 0;
  SetName(w->lblRecNo, RecordPosition(w->NewRecord, count > 0 ? modDB::GetRecordNo() : 0, count,
                                      count > 0 && modDB::IsDeleted() != 0));

  if (modDB::GetFileNumber() == 0) {  // closed: no form, no page
    SetName(w->surface, "No database open");
    SetDescription(w->surface, "");
    return;
  }
  // The page in words: the form's name changes with it, and is heard.
  const int16_t last = modDB::GetLastPage();
  QString page = QtText::FromCp(modLIB::Trim(modDB::GetPageHeading(w->CurPage)));
  if (last > 1) page = QString("Page %1 of %2").arg(w->CurPage).arg(last) + (page.isEmpty() ? "" : ": " + page);
  if (page.isEmpty()) page = w->windowTitle();
  SetName(w->surface, page);
  SetDescription(w->surface, w->Mode == 2 ? "edit mode" : "browse mode, read-only");

  const std::vector<BannerPlace> banners = BannersShown(w);
  for (int i = 1; i <= 128; ++i) {
    QWidget* shown = ShownBox(w, i);
    if (!shown) continue;
    modDB::FieldDef f;
    if (modDB::GetFieldDef(static_cast<int16_t>(i), f) != i) continue;
    QString name = LabelFor(shown->geometry(), banners);
    if (name.isEmpty()) name = QtText::FromCp(f.Name.Trimmed());
    SetName(shown, name);
    SetDescription(shown, DescriptionOf(i));
  }
}

QString FieldLabel(frmEdit* w, int slot) {
  modDB::FieldDef f;
  if (slot < 1 || slot > 128 || modDB::GetFieldDef(static_cast<int16_t>(slot), f) != slot) return QString();
  QString name;
  if (QWidget* shown = ShownBox(w, slot)) name = LabelFor(shown->geometry(), BannersShown(w));
  // A label reads "Call after:"; in a sentence the colon goes.
  while (name.endsWith(':') || name.endsWith(' ')) name.chop(1);
  return name.isEmpty() ? QtText::FromCp(f.Name.Trimmed()) : name;
}

void KeyRefused(frmEdit* w, int slot, int key) {
  if (slot < 1 || slot > 128) return;
  FieldBox* box = w->Field[slot];
  // Cleared first, so that the same key refused twice is said twice.
  box->setAccessibleDescription(QString());
  box->setAccessibleDescription(KeyName(key) + " not allowed: " + DescriptionOf(slot));
}

void Announce(frmEdit* w, int slot, const QString& text) {
  if (slot < 1 || slot > 128) return;
  FieldBox* box = w->Field[slot];
  box->setAccessibleDescription(QString());
  box->setAccessibleDescription(text);
}

void NameTable(const std::vector<QLabel*>& headings, const std::vector<QListWidget*>& lists) {
  for (size_t k = 0; k < headings.size() && k < lists.size(); ++k) {
    const QString column = k == 0 ? QString("record number") : headings[k]->text();
    const QWidget* mark = headings[k]->findChild<QWidget*>("SortMark", Qt::FindDirectChildrenOnly);
    SetName(headings[k], column + " column heading" + (mark && !mark->isHidden() ? ", sorted" : ""));
    QListWidget* l = lists[k];
    SetName(l, column);
    for (int r = 0; r < l->count(); ++r) {
      QListWidgetItem* item = l->item(r);
      item->setData(Qt::AccessibleTextRole, column + ": " + item->text());
    }
  }
}

}  // namespace Accessible
