// frmBrowse ("Select"): the records of an open form database as a table, read
// straight from the file: a "RECNO" column and one column per field chosen through
// modBrowse. The user scrolls, sorts by clicking a heading (ascending; "RECNO" gives
// the file order back) and picks a row with a double click or Enter; Esc closes
// without a pick. The arrow keys, Page Up/Down, Home and End move the selected row
// through the whole table, scrolling it; typing the start of a value jumps to the
// first row whose cell in the sorted column (the record number unsorted) begins so. Only the rows that fit are in the lists; scrolling refills them.
// A sort reads its column once, keys every cell once and sorts in memory; afterwards
// only the row order stays.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/FormHeader.h"

class QKeyEvent;
class QLabel;
class QListWidget;
class QScrollBar;

class frmBrowse : public QDialog {
  Q_OBJECT
 public:
  explicit frmBrowse(QWidget* parent = nullptr);

  modDB::FormHeader BrowseHeader;
  std::vector<int32_t> RowOrder;  // [1] ... [RecordCount]: row r shows record RowOrder[r]
  int16_t FirstColumn = 1;
  int32_t TopRow = 1;
  int16_t SortColumn = 0;
  uint8_t SortKind = 1;  // 1 text, 2 number, 3 date

  std::vector<QLabel*> lblCol;       // [0] "RECNO", [k] heads column k
  std::vector<QListWidget*> lstCol;  // [0] record numbers, [k] cells of column k
  QScrollBar* HSBar;
  QScrollBar* VSBar;
  QLabel* Filler;
  QLabel* SortMark = nullptr;  // the arrow on the sorted column's heading

  // Sorts RowOrder[lo ... hi] by column SortColumn, compared as SortKind says.
  void QuickSort(int32_t lo, int32_t hi);
  // The cells of field `slot` for records 1 ... RecordCount ([0] unused), read in
  // large blocks, each as GetCell gives it.
  std::vector<std::string> ReadColumn(int16_t slot) const;
  // A cell from the field's bytes: trailing blanks removed, then cut at the first
  // line break (CR LF).
  static std::string CellText(std::string raw);
  // A heading clicked: column k (0 = "RECNO", the file order).
  void SortBy(int k);

  std::string GetCell(int32_t record, int16_t slot) const;
  std::string GetSortedCell(int32_t row, int16_t column) const;
  static double NumberKey(const std::string& text);
  // Days since 30 December 1899 (the time of day as the fraction), 0 for no date.
  // Dates are read in the database's own order (day or month first).
  static double DateKey(const std::string& text, int dateOrder);
  void SetSortKind();
  void LayoutColumns();
  void FillRows();

  // Rows counted as fitting by the last FillRows.
  int32_t RowsShown() const { return rows_; }
  // Selects table row `row` (1 ... RecordCount) in every list, scrolling it into
  // view; the row selected now (0: none).
  void SelectRow(int32_t row);
  int32_t SelectedRow() const;
  // The first row from `from` on (wrapping round) whose cell in the first field
  // column shown starts with `prefix`, letter case aside, else whose record number
  // does; 0 for none.
  int32_t FindRowStarting(const QString& prefix, int32_t from) const;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SyncRows(int row);
  void Pick();
  bool MoveByKey(QKeyEvent* e);
  int32_t RecordCount() const { return BrowseHeader.RecordCount; }
  int16_t Columns() const { return static_cast<int16_t>(lstCol.size() - 1); }

  int32_t rows_ = 0;
  bool syncing_ = false;
  int wheel_ = 0;  // wheel turn not yet a whole notch (1/8 degrees)
  int sorted_ = 0;  // the column of the order shown (0: record order)
  QString typed_;   // the start of a value typed so far, and when its last key came
  qint64 typedAt_ = 0;
  bool opened_ = false;
};
