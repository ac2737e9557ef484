// CSV text: splitting it into rows and decoding it, and writing values, for the
// import, the export and the change history alike.
//
// Reading. RFC 4180, and the program's older export: values separated by commas, a
// value between double quotes may hold commas, line breaks and doubled quotes; lines
// end in CR LF, LF or CR. A line with nothing on it is no row; a malformed row comes
// with why. Each value is a view into the text until it is used.
//
// Writing. Three quotings: the spreadsheet's (every value quoted, quotes doubled),
// the plain export's (every value quoted, nothing doubled, CR LF inside turned into
// LF), and the change history's (quoted only when it must be, quotes doubled).
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace modDB {

enum class CsvEncoding { Auto, Utf8, Cp1252 };

// A row as read from the file (values decoded, nothing else done to them).
struct CsvRow {
  int64_t line = 0;
  std::vector<std::string> values;
};

// Splits CSV text into rows; each row comes with "" or why it is malformed. A line
// with nothing on it is no row. Returns the number of rows.
int64_t ParseCsv(std::string_view text, const std::function<void(CsvRow&, const std::string& error)>& row);

// The text as Windows-1252: from UTF-8 when told, or when it starts with a byte order
// mark, or (Auto) when it is valid UTF-8 holding a character that is plainly UTF-8
// (see the reading of a file). utf8 says which was taken; replaced counts the
// characters that became "?".
std::string DecodeCsvText(std::string bytes, CsvEncoding encoding, bool& utf8, int64_t& replaced);

// Appends value as spreadsheets read it back: between double quotes, each quote
// doubled, every other byte as it is. Also the quoting of the import's refused rows.
void AppendCsvQuoted(std::string& out, std::string_view value);

// Appends value as the plain export writes it: between double quotes, every CR LF
// inside it turned into a bare LF, nothing else changed (quotes are not doubled).
void AppendPlainCsvValue(std::string& out, std::string_view value);

// Appends value as the change history writes it: as it stands when it holds no
// comma, quote or line break, else quoted as spreadsheets read it.
void AppendCsvCell(std::string& out, std::string_view value);

namespace detail {

// Splits the complete lines of text[from ...] into cells as the change history
// writes them, handing each row with the offset it starts at; returns where the
// unfinished rest starts (a line is complete at its LF outside quotes). A CR before
// the LF of an unquoted last cell is dropped.
size_t ParseCsvLines(std::string_view text, size_t from,
                     const std::function<void(std::vector<std::string>& row, size_t at)>& onRow);

// A value of a row as the file has it: the text between its quotes, if any. Each
// doubled quote in it is cut to one: cuts[firstCut, firstCut + cutCount) of its row
// are the offsets in `text` of the second quote of each pair. Most values are views
// into the text the rows were split from; a few are built aside.
struct CsvValue {
  std::string_view text;
  size_t firstCut = 0, cutCount = 0;
  bool breaks = false;  // it holds a line break
  bool quoted = false;  // it stood between quotes
};

// A row: the file's line where it starts, its values, and the cuts they refer to.
struct RowView {
  int64_t line = 0;
  std::span<const CsvValue> values;
  std::span<const size_t> cuts;
};

// A value as the file means it.
std::string Unquoted(const CsvValue& v, std::span<const size_t> cuts);

// A row with its values as the file means them.
CsvRow Copied(const RowView& v);

// Writes a value as the record stores it (line breaks as CR LF) into a field of `room`
// characters, as far as it fits, and gives its whole length.
size_t StoreValue(char* field, size_t room, const CsvValue& v, std::span<const size_t> cuts);

// A value as the record stores it, in `scratch`: as the file means it, every line
// break as CR LF, the blanks at its end dropped (the field's padding holds them).
std::string_view Stored(const CsvValue& v, std::span<const size_t> cuts, std::string& scratch);

using RowHandler = std::function<void(const RowView& row, const std::string& error)>;

// No row that records come from has more values than this (a record holds at most
// 32,000 characters in 128 fields); the splitting stops at a row with more, before
// its values take more room than its text.
constexpr size_t kMaxValues = 100000;

// The text is split this much at a time (more while one row is longer).
constexpr size_t kPiece = size_t{512} << 10;

// The strings of values that had to be built. They stay in place until Reset, which
// keeps them for use again: once warm, building a value allocates nothing.
class Arena {
 public:
  std::string& Fresh() {
    if (used_ == strings_.size()) strings_.emplace_back();
    std::string& s = strings_[used_++];
    s.clear();
    return s;
  }
  void Reset() { used_ = 0; }

 private:
  std::deque<std::string> strings_;
  size_t used_ = 0;
};

// A buffer of bytes that is not zero-filled when it grows.
class Bytes {
 public:
  char* data() { return data_.get(); }
  size_t size() const { return size_; }
  // Room for n more bytes behind the first size(); the caller fills them, then Resize.
  char* Room(size_t n) {
    if (size_ + n > capacity_) {
      const size_t capacity = std::max(size_ + n, capacity_ * 2);
      std::unique_ptr<char[]> bigger(new char[capacity]);
      if (size_ > 0) std::memcpy(bigger.get(), data_.get(), size_);
      data_ = std::move(bigger);
      capacity_ = capacity;
    }
    return data_.get() + size_;
  }
  void Resize(size_t n) { size_ = n; }  // at most what Room made
  void DropFront(size_t n) {
    std::memmove(data_.get(), data_.get() + n, size_ - n);
    size_ -= n;
  }

 private:
  std::unique_ptr<char[]> data_;
  size_t size_ = 0, capacity_ = 0;
};

// Rows as the splitting finds them: a piece of the text, the rows found in it, and
// their values as views into the piece (or into its arena). The reading thread fills
// a batch, the checking thread hands its rows on.
struct RowBatch {
  struct Row {
    int64_t line = 0;
    size_t first = 0, count = 0;  // its values: values[first, first + count)
    size_t error = 0;             // its error: errors[error - 1], or none when 0
  };
  Bytes text;
  Arena arena;
  std::vector<Row> rows;
  std::vector<CsvValue> values;
  std::vector<size_t> cuts;  // every value's cuts, one after another
  std::vector<std::string> errors;
  int64_t wideLine = 0;  // the line of a row with more than kMaxValues values, which stops the splitting

  void Clear() {
    wideLine = 0;
    text.Resize(0);
    arena.Reset();
    rows.clear();
    values.clear();
    cuts.clear();
    errors.clear();
  }
  RowView View(const Row& r) const { return RowView{r.line, {values.data() + r.first, r.count}, cuts}; }
  const std::string& Error(const Row& r) const {
    static const std::string none;
    return r.error == 0 ? none : errors[r.error - 1];
  }
  void HandOn(const RowHandler& onRow) const {
    for (const Row& r : rows) onRow(View(r), Error(r));
  }
};

// Splits CSV text into rows, added to `out` (its arena holds the values that had to
// be built); a row that is malformed comes with why.
//
// The text may be a piece of the file: unless `last`, a row that may go on past the
// end of `text` is not taken, and the length of text before it is returned (the caller
// hands it in again with the next piece). `line` and `count` carry on from one piece
// to the next.
size_t SplitRows(std::string_view text, bool last, int64_t& line, int64_t& count, RowBatch& out);

// Decodes the UTF-8 in p[from, to) to Windows-1252 in place (the text never grows) and
// gives where the text now ends. Unless `last`, the bytes from a character above 127
// among the last three on are left undecoded (the character may go on in the next
// piece): they are moved right behind the text and counted in `kept`. A byte that is
// no UTF-8 gives npos when `strict`, else it becomes "?" and is counted in `replaced`,
// as is a character outside Windows-1252. `high`: a character above 127 was decoded;
// `plain`: one of them is plainly UTF-8 (see PlainlyUtf8).
size_t DecodeUtf8InPlace(char* p, size_t from, size_t to, bool last, bool strict, int64_t& replaced, bool& high,
                         bool& plain, size_t& kept);

}  // namespace detail

}  // namespace modDB
