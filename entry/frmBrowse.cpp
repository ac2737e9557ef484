#include "entry/frmBrowse.h"

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/Platform.h"
#include "common/QtText.h"
#include "engine/store/DirectFile.h"
#include "engine/HeaderLayout.h"
#include "entry/Accessible.h"
#include "entry/modBrowse.h"
#include "entry/ViewSettings.h"
#include "lib/modLIB.h"


namespace {

using ViewSettings::SetColours;  // black on white in high contrast

bool Has(const std::string& s, char c) { return s.find(c) != std::string::npos; }

bool ReadInt(const std::string& s, size_t& at, int& out, size_t maxDigits) {
  size_t n = 0;
  out = 0;
  while (at < s.size() && n < maxDigits && s[at] >= '0' && s[at] <= '9') out = out * 10 + (s[at++] - '0'), ++n;
  return n > 0;
}

// A time of day "h:mm[:ss]" from `at`; the fraction of a day, or -1.
double TimeFraction(const std::string& s, size_t at) {
  int h = 0, m = 0, sec = 0;
  if (!ReadInt(s, at, h, 2) || at >= s.size() || s[at++] != ':' || !ReadInt(s, at, m, 2)) return -1;
  if (at < s.size() && s[at] == ':') {
    ++at;
    if (!ReadInt(s, at, sec, 2)) return -1;
  }
  if (at != s.size() || h > 23 || m > 59 || sec > 59) return -1;
  return (h * 3600 + m * 60 + sec) / 86400.0;
}

}  // namespace

frmBrowse::frmBrowse(QWidget* parent) : QDialog(parent) {
  setObjectName("frmBrowse");
  setWindowTitle("Select");
  setMinimumSize(100, 100);

  if (!ReadHeaderDirect(modBrowse::BrowseFile, BrowseHeader) || !CheckLayout(BrowseHeader).empty())
    BrowseHeader.RecordCount = 0;  // nothing trustworthy to show
  RowOrder.resize(static_cast<size_t>(RecordCount()) + 1);
  for (int32_t r = 0; r <= RecordCount(); ++r) RowOrder[r] = r;

  const modDB::FontDef& ff = BrowseHeader.Props.FieldFont;
  setFont(ViewSettings::Zoomed(Platform::FormFont(ff.Name.Trimmed(), ff.Size ? ff.Size : 10, ff.Bold != 0, ff.Italic != 0)));

  auto heading = [&](const QString& caption) {
    auto* l = new QLabel(caption, this);
    l->setTextFormat(Qt::PlainText);
    l->setFrameShape(QFrame::Box);
    l->setMargin(1);
    SetColours(l, ff.ForeColor, ff.BackColor);
    l->installEventFilter(this);
    return l;
  };
  auto list = [&] {
    auto* l = new QListWidget(this);
    l->setUniformItemSizes(true);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setFrameShape(QFrame::Box);
    SetColours(l, ff.ForeColor, ff.BackColor);
    l->installEventFilter(this);
    l->viewport()->installEventFilter(this);
    // Only a row the user selected is carried to the other lists: a list that takes
    // the focus makes a current row of its own without selecting it.
    connect(l, &QListWidget::itemSelectionChanged, this, [this, l] {
      const QList<QListWidgetItem*> picked = l->selectedItems();
      if (!picked.isEmpty()) SyncRows(l->row(picked.first()));
    });
    connect(l, &QListWidget::itemDoubleClicked, this, [this] { Pick(); });
    return l;
  };

  const int16_t n = std::clamp<int16_t>(modBrowse::BrowseColumnCount, 0, 128);
  lblCol.push_back(heading("RECNO"));
  lblCol[0]->setObjectName("lblCol0");
  lblCol[0]->adjustSize();
  lstCol.push_back(list());
  lstCol[0]->setObjectName("lstCol0");
  for (int16_t k = 1; k <= n; ++k) {
    const int16_t slot = modBrowse::BrowseColumns[k];
    const bool valid = slot >= 1 && slot <= modDB::kMaxFields;
    const modDB::FieldDef f = valid ? BrowseHeader.Fields[slot] : modDB::FieldDef{};
    QLabel* h = heading(QtText::FromCp(f.Name.Trimmed()));
    h->setObjectName(QString("lblCol%1").arg(k));
    h->setGeometry(0, 0, std::max<int>(f.Width, 8), lblCol[0]->height());
    h->hide();
    lblCol.push_back(h);
    QListWidget* l = list();
    l->setObjectName(QString("lstCol%1").arg(k));
    l->hide();
    lstCol.push_back(l);
  }
  for (size_t k = 0; k < lstCol.size(); ++k)
    lstCol[k]->setGeometry(lblCol[k]->x(), lblCol[0]->height(), lblCol[k]->width(), 10);

  HSBar = new QScrollBar(Qt::Horizontal, this);
  HSBar->setObjectName("HSBar");
  HSBar->setRange(1, std::max<int>(n, 1));
  HSBar->setSingleStep(1);
  HSBar->setPageStep(1);
  // The row range is a whole int, so every one of up to 65,530 rows can come to the top.
  VSBar = new QScrollBar(Qt::Vertical, this);
  VSBar->setObjectName("VSBar");
  VSBar->setRange(1, std::max<int32_t>(RecordCount(), 1));
  VSBar->setSingleStep(1);
  VSBar->setPageStep(1);
  Filler = new QLabel(this);
  Filler->setObjectName("Filler");
  connect(HSBar, &QScrollBar::valueChanged, this, [this](int v) {
    FirstColumn = static_cast<int16_t>(v);
    LayoutColumns();
  });
  connect(VSBar, &QScrollBar::valueChanged, this, [this](int v) {
    TopRow = v;
    FillRows();
  });
  TopRow = 1;
  FirstColumn = 1;
  resize(modLIB::TwipsToPixelsX(5745), modLIB::TwipsToPixelsY(4680));
}

// ---- Cells ------------------------------------------------------------------------

std::string frmBrowse::CellText(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  const size_t eol = s.find("\r\n");
  if (eol != std::string::npos) s.resize(eol);
  return s;
}

std::string frmBrowse::GetCell(int32_t record, int16_t slot) const {
  if (slot < 1 || slot > modDB::kMaxFields || record < 1) return "";
  return CellText(ReadFieldDirect(modBrowse::BrowseFile, BrowseHeader, record, slot));
}

std::vector<std::string> frmBrowse::ReadColumn(int16_t slot) const {
  std::vector<std::string> cells = ReadColumnDirect(modBrowse::BrowseFile, BrowseHeader, slot, RecordCount());
  for (std::string& cell : cells) cell = CellText(std::move(cell));
  return cells;
}

std::string frmBrowse::GetSortedCell(int32_t row, int16_t column) const {
  if (row < 1 || row > RecordCount() || column < 1 || column > Columns()) return "";
  return GetCell(RowOrder[row], modBrowse::BrowseColumns[column]);
}

// A numeric text as the script language reads one: blanks around, a sign, digits
// with thousands commas, a decimal point, an exponent.
double frmBrowse::NumberKey(const std::string& text) {
  const std::string t = modLIB::Trim(text);
  std::string plain;
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) plain += t[i++];
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      plain += c;
      digits = true;
    } else if (c == ',' && !point && digits) {
      continue;
    } else if (c == '.' && !point) {
      plain += c;
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return -1e40;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    std::string exp = "e";
    size_t k = i + 1;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) exp += t[k++];
    const size_t start = k;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9') exp += t[k++];
    if (k == start) return -1e40;
    plain += exp;
    i = k;
  }
  if (i != t.size()) return -1e40;
  return std::strtod(plain.c_str(), nullptr);
}

double frmBrowse::DateKey(const std::string& text, int dateOrder) {
  const std::string t = modLIB::Trim(text);
  if (t.empty()) return 0;
  if (t.find('/') == std::string::npos && t.find('-') == std::string::npos) {
    const double f = TimeFraction(t, 0);
    return f < 0 ? 0 : f;
  }
  size_t at = 0;
  int a = 0, b = 0, c = 0;
  const char sep = t.find('/') != std::string::npos ? '/' : '-';
  if (!ReadInt(t, at, a, 4) || at >= t.size() || t[at++] != sep || !ReadInt(t, at, b, 2) || at >= t.size() ||
      t[at++] != sep || !ReadInt(t, at, c, 4))
    return 0;
  int year, month, day;
  if (sep == '-') {  // year-month-day
    year = a, month = b, day = c;
  } else if (dateOrder == 2) {
    month = a, day = b, year = c;
  } else {
    day = a, month = b, year = c;
  }
  if (month < 1 || month > 12 || year < 1 || year > 9999 ||
      day < 1 || day > modLIB::DaysInMonth(static_cast<int16_t>(month), static_cast<int16_t>(year)))
    return 0;
  double fraction = 0;
  if (at < t.size()) {
    if (t[at] != ' ') return 0;
    while (at < t.size() && t[at] == ' ') ++at;
    fraction = TimeFraction(t, at);
    if (fraction < 0) return 0;
  }
  const double days = static_cast<double>(modLIB::DaysFromCivil(year, month, day) - modLIB::DaysFromCivil(1899, 12, 30));
  // Before the base day the fraction counts away from zero, as the date values do.
  return days < 0 ? days - fraction : days + fraction;
}

// ---- Sorting ----------------------------------------------------------------------

void frmBrowse::SetSortKind() {
  std::string format;
  if (SortColumn >= 1 && SortColumn <= Columns()) {
    const int16_t slot = modBrowse::BrowseColumns[SortColumn];
    if (slot >= 1 && slot <= modDB::kMaxFields) format = BrowseHeader.Fields[slot].Format.Raw();
  }
  if (Has(format, '*')) SortKind = 1;
  else if (Has(format, '=') && Has(format, 'N')) SortKind = 2;
  else if (Has(format, '=') && Has(format, 'D')) SortKind = 3;
  else if (Has(format, '=')) SortKind = 1;
  else if (Has(format, '#')) SortKind = 2;
  else if (format.find_first_of("ASULFEWT") != std::string::npos) SortKind = 1;
  else if (Has(format, 'D')) SortKind = 3;
  else SortKind = 2;
}

namespace {

// The partition sort of items[lo ... hi] (row positions), each item carrying its
// record's key; `less` compares two items. The pivot is a copy of the middle item,
// taken before the scans.
template <class Item, class Less>
void PartitionSort(std::vector<Item>& items, int32_t lo, int32_t hi, const Less& less) {
  // The smaller part is sorted by a call, the larger one by the loop, so the depth
  // stays small; the two parts never overlap, so the result is the same either way.
  while (lo < hi) {
    int32_t i = lo, j = hi;
    const int32_t mid = static_cast<int32_t>(modLIB::RoundHalfEven((static_cast<double>(lo) + hi) / 2));
    const Item pivot = items[static_cast<size_t>(mid)];
    while (i <= j) {
      while (less(items[static_cast<size_t>(i)], pivot) && i < hi) ++i;
      while (less(pivot, items[static_cast<size_t>(j)]) && j > lo) --j;
      if (i <= j) {
        std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    }
    if (j - lo < hi - i) {
      if (lo < j) PartitionSort(items, lo, j, less);
      lo = i;
    } else {
      if (i < hi) PartitionSort(items, i, hi, less);
      hi = j;
    }
  }
}

// A text's first eight bytes as one number, big-endian and padded with zeros: when
// two of these differ they order the texts as the whole texts do.
uint64_t Head(const std::string& s) {
  uint64_t h = 0;
  for (size_t k = 0; k < 8; ++k) h = (h << 8) | (k < s.size() ? static_cast<unsigned char>(s[k]) : 0u);
  return h;
}

}  // namespace

void frmBrowse::QuickSort(int32_t lo, int32_t hi) {
  lo = std::max<int32_t>(lo, 0);
  hi = std::min<int32_t>(hi, RecordCount());
  if (lo >= hi) return;
  // A column out of range reads as empty cells, as GetSortedCell gives them.
  const int16_t slot = SortColumn >= 1 && SortColumn <= Columns() ? modBrowse::BrowseColumns[SortColumn] : 0;
  const std::vector<std::string> cells = ReadColumn(slot);
  // The rows lo ... hi as items at the same positions, each with its key made once;
  // the order goes back into RowOrder afterwards.
  auto sortWith = [&](auto key, auto less) {
    using Item = decltype(key(int32_t{}));
    std::vector<Item> items(static_cast<size_t>(hi) + 1);
    for (int32_t r = lo; r <= hi; ++r) items[static_cast<size_t>(r)] = key(RowOrder[static_cast<size_t>(r)]);
    PartitionSort(items, lo, hi, less);
    for (int32_t r = lo; r <= hi; ++r) RowOrder[static_cast<size_t>(r)] = items[static_cast<size_t>(r)].record;
  };
  struct TextItem {
    uint64_t head;
    int32_t record;
  };
  struct NumberItem {
    double key;
    int32_t record;
  };
  if (SortKind == 1) {
    sortWith([&](int32_t m) { return TextItem{Head(cells[static_cast<size_t>(m)]), m}; },
             [&](const TextItem& a, const TextItem& b) {
               if (a.head != b.head) return a.head < b.head;
               return cells[static_cast<size_t>(a.record)] < cells[static_cast<size_t>(b.record)];
             });
  } else {
    const int order = BrowseHeader.DateOrder;
    const bool number = SortKind == 2;
    sortWith([&](int32_t m) {
               const std::string& c = cells[static_cast<size_t>(m)];
               return NumberItem{number ? NumberKey(c) : DateKey(c, order), m};
             },
             [](const NumberItem& a, const NumberItem& b) { return a.key < b.key; });
  }
}

void frmBrowse::SortBy(int k) {
  for (int32_t r = 0; r <= RecordCount(); ++r) RowOrder[r] = r;
  sorted_ = k > 0 && k <= Columns() ? k : 0;
  typed_.clear();
  if (k > 0 && k <= Columns()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SortColumn = static_cast<int16_t>(k);
    SetSortKind();
    QLabel* h = lblCol[k];
    auto invert = [h] {
      QPalette p = h->palette();
      const QColor fore = p.color(QPalette::WindowText);
      p.setColor(QPalette::WindowText, p.color(QPalette::Window));
      p.setColor(QPalette::Window, fore);
      h->setPalette(p);
    };
    invert();
    QApplication::processEvents();
    QuickSort(1, RecordCount());
    invert();
    QApplication::restoreOverrideCursor();
  }
  // An arrow at the right end of the sorted column's heading; none in record order.
  if (!SortMark) {
    SortMark = new QLabel(QString(QChar(0x25B2)), this);
    SortMark->setObjectName("SortMark");
    SortMark->setAttribute(Qt::WA_TransparentForMouseEvents);
    SortMark->setAutoFillBackground(true);
  }
  if (sorted_ > 0) {
    QLabel* h = lblCol[sorted_];
    SortMark->setParent(h);
    SortMark->setFont(h->font());
    SortMark->setPalette(h->palette());
    SortMark->adjustSize();
    SortMark->move(std::max(h->width() - SortMark->width() - 2, 1), (h->height() - SortMark->height()) / 2);
    SortMark->show();
  } else {
    SortMark->hide();
  }
  FillRows();
}

// ---- Layout -------------------------------------------------------------------------

void frmBrowse::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  const int w = width(), h = height();
  const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  HSBar->setGeometry(0, h - sb, w - sb, sb);
  VSBar->setGeometry(w - sb, 0, sb, h - sb);
  Filler->setGeometry(w - sb, h - sb, sb, sb);
  LayoutColumns();
  FillRows();
}

void frmBrowse::LayoutColumns() {
  const int n = Columns();
  const int right = width() - VSBar->width();
  int x = lblCol[0]->x() + lblCol[0]->width() - 1;
  for (int k = 1; k < FirstColumn && k <= n; ++k) lblCol[k]->hide();
  int fitted = 0;
  bool passed = false;
  for (int k = FirstColumn; k <= n; ++k) {
    lblCol[k]->move(x, lblCol[0]->y());
    lblCol[k]->show();
    x += lblCol[k]->width() - 1;
    if (!passed) {
      if (x > right)
        passed = true;
      else
        ++fitted;
    }
  }
  fitted = std::max(fitted, 1);
  HSBar->setPageStep(fitted);
  HSBar->setEnabled(fitted < n);

  const int listHeight = std::max(height() - HSBar->height() - lblCol[0]->height(), 0);
  lstCol[0]->resize(lstCol[0]->width(), listHeight);
  x = lstCol[0]->x() + lstCol[0]->width() - 1;
  for (int k = 1; k < FirstColumn && k <= n; ++k) lstCol[k]->hide();
  for (int k = FirstColumn; k <= n; ++k) {
    lstCol[k]->setGeometry(x, lstCol[0]->y(), lblCol[k]->width(), listHeight);
    x += lstCol[k]->width() - 1;
    lstCol[k]->show();
  }
  Filler->raise();
  VSBar->raise();
  HSBar->raise();
}

void frmBrowse::FillRows() {
  for (QListWidget* l : lstCol) l->clear();
  const int h = std::max(fontMetrics().height(), 1);
  const int listHeight = lstCol[0]->height() - 2 * lstCol[0]->frameWidth();
  int32_t r = TopRow, rows = 0;
  int y = 0;
  while (r >= 1 && r <= RecordCount()) {
    auto add = [h](QListWidget* l, const QString& text) {
      auto* item = new QListWidgetItem(text, l);
      item->setSizeHint(QSize(0, h));
    };
    // A record marked for deletion shows a "*" behind its number, as the window's counter.
    const std::string whole = modDB::ReadRecordsDirect(modBrowse::BrowseFile, BrowseHeader, RowOrder[r], 1);
    add(lstCol[0], QString::number(RowOrder[r]) + (!whole.empty() && whole[0] == '*' ? "*" : ""));
    for (int16_t k = 1; k <= Columns(); ++k) add(lstCol[k], QtText::FromCp(GetSortedCell(r, k)));
    y += h;
    if (y > listHeight - h) break;
    ++rows;
    ++r;
  }
  // No row is current or selected until the user picks one, so that Enter picks
  // nothing and the first arrow key selects the first row.
  for (QListWidget* l : lstCol) l->setCurrentIndex(QModelIndex());
  rows_ = rows;
  VSBar->setPageStep(std::max<int32_t>(rows, 1));
  VSBar->setEnabled(rows < RecordCount());
  Accessible::NameTable(lblCol, lstCol);
}

// ---- Picking -------------------------------------------------------------------------

void frmBrowse::SyncRows(int row) {
  if (syncing_ || row < 0) return;
  syncing_ = true;
  for (QListWidget* l : lstCol) {
    if (row < l->count()) {
      l->setCurrentRow(row);
      l->item(row)->setSelected(true);
    }
  }
  lstCol[0]->setFocus();
  syncing_ = false;
}

void frmBrowse::Pick() {
  QListWidgetItem* item = lstCol[0]->currentItem();
  if (!item || !item->isSelected()) return;  // no row: no record number to make up
  bool ok = false;
  QString number = item->text();
  if (number.endsWith('*')) number.chop(1);  // marked for deletion
  const int32_t record = number.toInt(&ok);
  if (!ok || record < 1) return;
  modBrowse::BrowseResult = record;
  accept();
}

// ---- Moving by keyboard ---------------------------------------------------------------

int32_t frmBrowse::SelectedRow() const {
  const QListWidgetItem* item = lstCol[0]->currentItem();
  if (!item || !item->isSelected()) return 0;
  return TopRow + lstCol[0]->row(item);
}

void frmBrowse::SelectRow(int32_t row) {
  if (RecordCount() < 1) return;
  row = std::clamp<int32_t>(row, 1, RecordCount());
  const int32_t page = std::max<int32_t>(rows_, 1);
  if (row < TopRow)
    VSBar->setValue(row);
  else if (row > TopRow + page - 1)
    VSBar->setValue(row - page + 1);
  SyncRows(static_cast<int>(row - TopRow));
}

int32_t frmBrowse::FindRowStarting(const QString& prefix, int32_t from) const {
  const int32_t n = RecordCount();
  if (prefix.isEmpty() || n < 1) return 0;
  // The first field column shown, sorted or not; the record number when no cell
  // there begins so (or the table has no field columns).
  std::vector<std::string> cells;
  if (FirstColumn >= 1 && FirstColumn <= Columns()) cells = ReadColumn(modBrowse::BrowseColumns[FirstColumn]);
  for (const bool numbers : {false, true}) {
    if (!numbers && cells.empty()) continue;
    for (int32_t k = 0; k < n; ++k) {
      const int32_t row = (std::clamp<int32_t>(from, 1, n) - 1 + k) % n + 1;
      const int32_t record = RowOrder[static_cast<size_t>(row)];
      const QString cell = numbers ? QString::number(record)
                                   : QtText::FromCp(modLIB::Trim(cells[static_cast<size_t>(record)]));
      if (cell.startsWith(prefix, Qt::CaseInsensitive)) return row;
    }
  }
  return 0;
}

// The keys that move the selected row, and typing that looks a row up. True when
// the key was used here.
bool frmBrowse::MoveByKey(QKeyEvent* e) {
  const int32_t now = SelectedRow();
  const int32_t page = std::max<int32_t>(rows_, 1);
  int32_t to = -1;
  switch (e->key()) {
    case Qt::Key_Down: to = now ? now + 1 : TopRow; break;
    case Qt::Key_Up: to = now ? now - 1 : TopRow; break;
    case Qt::Key_PageDown: to = now ? now + page : TopRow; break;
    case Qt::Key_PageUp: to = now ? now - page : TopRow; break;
    case Qt::Key_Home: to = 1; break;
    case Qt::Key_End: to = RecordCount(); break;
    default: break;
  }
  if (to >= 0) {
    typed_.clear();
    SelectRow(to);
    return true;
  }
  const QString text = e->text();
  const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (text.isEmpty() || !text.at(0).isPrint() || (mods && mods != (Qt::ControlModifier | Qt::AltModifier)))
    return false;
  // Keys typed within a second of each other make one start of a value.
  const qint64 at = QDateTime::currentMSecsSinceEpoch();
  if (at - typedAt_ > 1000) typed_.clear();
  typedAt_ = at;
  typed_ += text;
  // The selected row still matches while it is extended; else the search goes on below it.
  const int32_t found = FindRowStarting(typed_, now ? (typed_.size() > 1 ? now : now + 1) : 1);
  if (found) SelectRow(found);
  return true;
}

void frmBrowse::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (opened_) return;
  opened_ = true;
  // The record the caller stands on is selected, in view.
  const int32_t current = modBrowse::BrowseCurrent;
  if (current < 1 || current > RecordCount()) return;
  for (int32_t r = 1; r <= RecordCount(); ++r)
    if (RowOrder[static_cast<size_t>(r)] == current) return SelectRow(r);
}

bool frmBrowse::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    for (size_t k = 0; k < lblCol.size(); ++k) {
      if (watched == lblCol[k]) {
        SortBy(static_cast<int>(k));
        return true;
      }
    }
  }
  if (event->type() == QEvent::Wheel) {
    // The lists hold only the rows that fit: the wheel moves the row scroll bar, as
    // many rows a notch as the desktop's setting says.
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    wheel_ += delta;
    const int notches = wheel_ / 120;
    wheel_ -= notches * 120;
    if (notches != 0) VSBar->setValue(VSBar->value() - notches * QApplication::wheelScrollLines());
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
      reject();
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Pick();
      return true;
    }
    for (QListWidget* l : lstCol)
      if (watched == l) return MoveByKey(static_cast<QKeyEvent*>(event)) || QDialog::eventFilter(watched, event);
  }
  return QDialog::eventFilter(watched, event);
}
