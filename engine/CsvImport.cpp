#include "CsvImport.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <deque>
#include <map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <memory>

#include "Codepage.h"
#include "CsvExport.h"
#include "FileIo.h"
#include "ValueRules.h"
#include "modDB.h"
#include "modLIB.h"

namespace modDB {

namespace {

const char* const kTitle = "IMPORT";

// Asks for the large buffers of an import (the file's text, the new records) to be
// backed by huge pages where the system offers them on request: filling 60 MB of
// fresh memory 4 KB at a time costs more than the reading and checking. Only the
// 2 MB-aligned inside of the buffer's capacity is concerned; it is a hint.
void PreferHugePages(char* data, size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t from = (begin + kHuge - 1) & ~(kHuge - 1), to = (begin + size) & ~(kHuge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

void PreferHugePages(std::string& s) { PreferHugePages(s.data(), s.capacity()); }

bool IsAscii(std::string_view s) {
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ULL) return false;
  }
  for (; i < s.size(); ++i)
    if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
  return true;
}

// The length of the valid UTF-8 sequence at s[i] (lead byte above 127), or 0.
size_t Utf8Length(std::string_view s, size_t i, char32_t& cp) {
  const auto b = static_cast<unsigned char>(s[i]);
  const size_t extra = (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : 0;
  if (extra == 0 || i + extra >= s.size()) return 0;
  cp = extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
  for (size_t k = 1; k <= extra; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  const bool overlong = (extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
  if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
  return extra + 1;
}

bool IsUtf8WithHighBytes(std::string_view s) {
  if (IsAscii(s)) return false;
  bool high = false;
  for (size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    const size_t n = Utf8Length(s, i, cp);
    if (n == 0) return false;
    high = true;
    i += n;
  }
  return high;
}

// A value as the record stores it: every line break (LF, CR or CR LF) as CR LF, the
// blanks at its end dropped (the field's padding holds them). Most values need no
// change and are given back as they are; the others (`breaks`: the value holds a line
// break) are built in `scratch`.
std::string_view Stored(std::string_view v, bool breaks, std::string& scratch) {
  std::string_view view(v);
  if (breaks) {
    scratch.clear();
    for (size_t i = 0; i < v.size(); ++i) {
      if (v[i] == '\r') {
        if (i + 1 < v.size() && v[i + 1] == '\n') ++i;
        scratch += "\r\n";
      } else if (v[i] == '\n') {
        scratch += "\r\n";
      } else {
        scratch += v[i];
      }
    }
    view = scratch;
  }
  while (!view.empty() && view.back() == ' ') view.remove_suffix(1);
  return view;
}

std::string_view TrimmedView(std::string_view v) {
  while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return v;
}


std::string Upper(std::string_view s) { return modLIB::UCase(modLIB::Trim(s)); }

}  // namespace

namespace {

// The text as Windows-1252, without a copy where none is needed: a view of `bytes`
// itself when they are taken as they stand (Windows-1252, or ASCII without a byte
// order mark), else a view of `decoded`, built from the UTF-8.
std::string_view DecodedView(std::string_view bytes, CsvEncoding encoding, bool& utf8, int64_t& replaced,
                             std::string& decoded) {
  replaced = 0;
  const bool bom = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
  utf8 = encoding == CsvEncoding::Utf8 || (encoding == CsvEncoding::Auto && (bom || IsUtf8WithHighBytes(bytes)));
  if (!utf8) return bytes;
  if (!bom && IsAscii(bytes)) return bytes;
  if (bom) bytes.remove_prefix(3);
  std::string& out = decoded;
  out.clear();
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    // ASCII runs go across whole.
    size_t j = i;
    while (j < bytes.size() && static_cast<unsigned char>(bytes[j]) < 0x80) ++j;
    out.append(bytes.substr(i, j - i));
    i = j;
    if (i >= bytes.size()) break;
    char32_t cp = 0;
    const size_t n = Utf8Length(bytes, i, cp);
    if (n == 0) {  // not UTF-8 although told so: one "?" per stray byte
      out += '?';
      ++replaced;
      ++i;
      continue;
    }
    const std::string c = modLIB::Utf8ToCp1252(bytes.substr(i, n));
    if (c == "?") ++replaced;
    out += c;
    i += n;
  }
  return out;
}

}  // namespace

std::string DecodeCsvText(std::string data, CsvEncoding encoding, bool& utf8, int64_t& replaced) {
  std::string decoded;
  const std::string_view text = DecodedView(data, encoding, utf8, replaced, decoded);
  if (text.data() == data.data()) return data;
  return decoded;
}

namespace {

// The rows of the text as views. A value without doubled quotes is a view into the
// text itself; the others are built in `arena`, which keeps its strings in place
// while the row is being handed on.
struct RowView {
  int64_t line = 0;
  std::vector<std::string_view> values;
  std::vector<char> breaks;  // per value: it holds a line break
};

// The position of the first '"', CR or LF in text from `from` on, or text.size().
size_t FindQuoteOrBreak(std::string_view text, size_t from) {
  size_t i = from;
  const size_t n = text.size();
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"'), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i hit =
        _mm_or_si128(_mm_cmpeq_epi8(b, quote), _mm_or_si128(_mm_cmpeq_epi8(b, cr), _mm_cmpeq_epi8(b, lf)));
    if (const int mask = _mm_movemask_epi8(hit); mask != 0) return i + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < n; ++i)
    if (text[i] == '"' || text[i] == '\r' || text[i] == '\n') return i;
  return n;
}

//
// The text may be a piece of the file: unless `last`, a row that may go on past the
// end of `text` is not handed on, and the length of text before it is returned (the
// caller hands it in again with the next piece). `line` and `count` carry on from
// one piece to the next.
template <typename OnRow>
size_t SplitRows(std::string_view text, bool last, int64_t& line, int64_t& count, OnRow&& onRow) {
  const size_t n = text.size();
  size_t i = 0;
  RowView row;
  std::deque<std::string> arena;
  bool breaks = false;  // the value being read holds a line break
  // The next quote in a quoted value from k on (or n), the line breaks on the way
  // counted (LF, CR LF and CR alone are one each).
  auto nextQuote = [&](size_t k) {
    for (;; ++k) {
      k = FindQuoteOrBreak(text, k);
      if (k >= n || text[k] == '"') return k;
      breaks = true;
      if (text[k] == '\n' || k + 1 >= n || text[k + 1] != '\n') ++line;
    }
  };
  while (i < n) {
    const size_t rowStart = i;
    row.line = line;
    row.values.clear();
    row.breaks.clear();
    size_t built = 0;  // arena strings used by this row
    auto fresh = [&]() -> std::string& {
      if (built == arena.size()) arena.emplace_back();
      std::string& s = arena[built++];
      s.clear();
      return s;
    };
    std::string error;
    bool quoted = false;
    for (;;) {
      if (i < n && text[i] == '"') {
        quoted = true;
        breaks = false;
        const size_t start = ++i;
        const size_t end = nextQuote(i);
        bool closed = false;
        std::string_view value;
        if (end < n && !(end + 1 < n && text[end + 1] == '"')) {  // no doubled quote: a plain view
          value = text.substr(start, end - start);
          i = end + 1;
          closed = true;
        } else {
          std::string& field = fresh();
          field.append(text.substr(start, end - start));
          i = end;
          while (i < n) {
            if (i + 1 < n && text[i + 1] == '"') {
              field += '"';
              i += 2;
            } else {
              ++i;
              closed = true;
              break;
            }
            const size_t e2 = nextQuote(i);
            field.append(text.substr(i, e2 - i));
            i = e2;
          }
          value = field;
        }
        if (!closed) {
          if (error.empty()) error = "a quoted value is not closed before the end of the file";
        } else if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
          // A quote inside a quoted value that is not doubled, as the program's
          // older export writes it: the rest of the value is taken as it stands.
          if (error.empty()) error = "a double quote inside a quoted value is not doubled";
          std::string& field = fresh();
          field.assign(value);
          field += '"';
          while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') field += text[i++];
          value = field;
        }
        row.values.push_back(value);
        row.breaks.push_back(breaks);
      } else {
        const size_t start = i;
        while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') ++i;
        row.values.push_back(text.substr(start, i - start));
        row.breaks.push_back(false);
      }
      if (i < n && text[i] == ',') {
        ++i;
        continue;
      }
      break;
    }
    bool ended = true;
    if (i < n && text[i] == '\r') {
      ++i;
      if (i < n && text[i] == '\n') ++i;
      ++line;
    } else if (i < n && text[i] == '\n') {
      ++i;
      ++line;
    } else {
      ended = false;
    }
    if (!last && (!ended || i >= n)) {  // the row (or its CR LF) may go on in the next piece
      line = row.line;
      return rowStart;
    }
    if (row.values.size() == 1 && row.values[0].empty() && !quoted) continue;  // an empty line
    ++count;
    onRow(row, error);
  }
  return n;
}

CsvRow Copied(const RowView& v) {
  CsvRow row;
  row.line = v.line;
  row.values.assign(v.values.begin(), v.values.end());
  return row;
}

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

// The position of the first byte above 127 in s[from, s.size()), or s.size().
size_t SkipAscii(std::string_view s, size_t from) {
  size_t i = from;
#if defined(__SSE2__)
  for (; i + 64 <= s.size(); i += 64) {  // a byte above 127 has its top bit set
    const auto* p = reinterpret_cast<const __m128i*>(s.data() + i);
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                     _mm_or_si128(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3)));
    if (_mm_movemask_epi8(any) != 0) break;
  }
#endif
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ULL) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

// Decodes the UTF-8 in p[from, to) to Windows-1252 in place (the text never grows) and
// gives where the text now ends. Unless `last`, the bytes from a character above 127
// among the last three on are left undecoded (the character may go on in the next
// piece): they are moved right behind the text and counted in `kept`. A byte that is
// no UTF-8 gives npos when `strict`, else it becomes "?" and is counted in `replaced`,
// as is a character outside Windows-1252. `high`: a character above 127 was decoded.
size_t DecodeUtf8InPlace(char* p, size_t from, size_t to, bool last, bool strict, int64_t& replaced, bool& high,
                         size_t& kept) {
  const std::string_view s(p, to);
  size_t w = from, i = from;
  kept = 0;
  while (i < to) {
    const size_t j = SkipAscii(s, i);  // ASCII runs go across whole
    if (w != i) std::memmove(p + w, p + i, j - i);
    w += j - i;
    i = j;
    if (i >= to) break;
    if (!last && to - i < 4) {
      kept = to - i;
      std::memmove(p + w, p + i, kept);
      return w;
    }
    char32_t cp = 0;
    const size_t n = Utf8Length(s, i, cp);
    if (n == 0) {  // not UTF-8
      if (strict) return std::string::npos;
      p[w++] = '?';
      ++replaced;
      ++i;
      continue;
    }
    high = true;
    const std::string c = modLIB::Utf8ToCp1252(s.substr(i, n));  // one byte
    if (c == "?") ++replaced;
    std::memcpy(p + w, c.data(), c.size());
    w += c.size();
    i += n;
  }
  return w;
}

// The file is read this much at a time (more while one row is longer).
constexpr size_t kPiece = size_t{1} << 20;

// How the text of the file was taken.
struct CsvTextRead {
  bool notUtf8 = false;  // CsvEncoding::Auto: a byte is no UTF-8; nothing is decided
  bool utf8 = false;     // the text was decoded from UTF-8
  int64_t replaced = 0;
};

// Reads the first `size` bytes of the file `fd` (fewer when it is shorter now) a piece
// at a time into one buffer used again for every piece, and hands on the rows of its
// text as SplitRows does, the file never being held whole: fresh memory costs more
// than the reading. The text is as DecodeCsvText gives it, except that with Auto it
// is decoded as UTF-8 while it is UTF-8: at the first byte that is not, the reading
// stops with notUtf8 and the caller starts again as Windows-1252. File errors throw.
template <typename OnRow>
CsvTextRead ReadCsvRows(int fd, int64_t size, CsvEncoding encoding, OnRow&& onRow) {
  CsvTextRead read;
  Bytes buf;
  bool decode = false, strict = false;
  size_t ready = 0;  // buf holds text up to here, then at most three bytes to decode
  int64_t at = 0, line = 1, count = 0;
  for (bool first = true, last = false; !last; first = false) {
    const size_t ask = static_cast<size_t>(std::min<int64_t>(std::max(kPiece, buf.size()), size - at));
    const size_t got = ask == 0 ? 0 : detail::ReadAt(fd, buf.Room(ask), ask, at);
    buf.Resize(buf.size() + got);
    at += static_cast<int64_t>(got);
    last = got < ask || at >= size;
    if (first) {
      const bool bom = buf.size() >= 3 && std::memcmp(buf.data(), "\xEF\xBB\xBF", 3) == 0;
      decode = encoding == CsvEncoding::Utf8 || (encoding == CsvEncoding::Auto);
      strict = encoding == CsvEncoding::Auto && !bom;
      read.utf8 = encoding == CsvEncoding::Utf8 || (encoding == CsvEncoding::Auto && bom);
      if (decode && bom) buf.DropFront(3);
    }
    if (decode) {
      size_t kept = 0;
      bool high = false;
      const size_t end = DecodeUtf8InPlace(buf.data(), ready, buf.size(), last, strict, read.replaced, high, kept);
      if (end == std::string::npos) {
        read.notUtf8 = true;
        return read;
      }
      if (high && strict) read.utf8 = true;
      ready = end;
      buf.Resize(end + kept);
    } else {
      ready = buf.size();
    }
    const size_t used = SplitRows(std::string_view(buf.data(), ready), last, line, count, onRow);
    buf.DropFront(used);
    ready -= used;
  }
  return read;
}

}  // namespace

int64_t ParseCsv(std::string_view text, const std::function<void(CsvRow&, const std::string& error)>& onRow) {
  int64_t line = 1, count = 0;
  SplitRows(text, true, line, count, [&](const RowView& v, const std::string& error) {
    CsvRow row = Copied(v);
    onRow(row, error);
  });
  return count;
}

int16_t ReadCsvImport(const std::string& path, const CsvImportOptions& options, CsvImport& out) {
  out = CsvImport{};
  out.path = path;
  if (GetFileNumber() == 0) {
    GetRecordNo();  // the store's own "DB not open"
    return 0;
  }
  detail::Fd fd;
  int64_t size = 0;
  try {
    fd = detail::Fd(detail::OpenFile(path, O_RDONLY));
    size = detail::FileSize(fd.get());
  } catch (const std::exception& e) {
    Fail(kTitle, detail::UnexpectedError(e, path));
    return 0;
  }

  const FormHeader h = GetHeader();
  const size_t len = static_cast<size_t>(h.RecordLength);
  const int16_t order = GetDateOrder();
  std::map<std::string, int16_t> byName;  // upper-case name -> slot
  std::vector<std::string> formats(kMaxFields + 1);
  std::vector<FormatRules> rules(kMaxFields + 1);
  std::vector<bool> isNumbered(kMaxFields + 1, false);
  std::vector<int16_t> checked;  // the fields an update's checks can refuse
  std::vector<int16_t> numbered;
  for (int16_t k = 1; k <= GetFieldCount(); ++k) {
    byName[Upper(h.Fields[k].Name.Trimmed())] = k;
    formats[k] = Upper(h.Fields[k].Format.Trimmed());
    rules[k] = FormatRules(formats[k]);
    isNumbered[k] = formats[k].find('#') != std::string::npos;
    if (isNumbered[k]) numbered.push_back(k);
    else if (rules[k].Checked()) checked.push_back(k);
  }
  std::string scratch, cased;
  std::vector<bool> refusedSlot(kMaxFields + 1, false);

  bool headed = false;
  std::string failure;
  auto start = [&] {  // a pass over the file begins
    out = CsvImport{};
    out.path = path;
    out.numbered = numbered;
    // The records take about as much room as the text they come from.
    out.records.reserve(std::min(static_cast<size_t>(size) + len, static_cast<size_t>(kMaxRecords + 1) * len));
    PreferHugePages(out.records);
    headed = false;
    failure.clear();
  };
  auto onRow = [&](const RowView& row, const std::string& error) {
    if (!failure.empty()) return;
    if (!headed) {
      headed = true;
      if (!error.empty()) {
        failure = "the heading line of " + path + " cannot be read: " + error;
        return;
      }
      std::map<int16_t, std::string> taken;
      for (const std::string_view name : row.values) {
        const std::string key = Upper(name);
        int16_t slot = 0;
        if (key != "#" && key != "RECNO") {
          const auto it = byName.find(key);
          if (it == byName.end()) {
            out.unknown.push_back(modLIB::Trim(name));
          } else if (!taken.emplace(it->second, std::string(name)).second) {
            failure = "the field " + h.Fields[it->second].Name.Trimmed() + " has two columns: \"" +
                      taken[it->second] + "\" and \"" + modLIB::Trim(name) + "\"";
            return;
          } else {
            slot = it->second;
          }
        }
        out.heading.emplace_back(name);
        out.fieldOf.push_back(slot);
      }
      if (!out.unknown.empty() && !options.ignoreUnknown) {
        std::string list;
        for (const std::string& u : out.unknown) list += (list.empty() ? "" : ", ") + ("\"" + u + "\"");
        failure = "no field of " + GetDatabaseName() + ".Qfd is named " + list +
                  " (give --ignore-unknown to leave such columns out)";
      }
      return;
    }
    ++out.rows;
    if (out.preview.size() < kImportPreviewRows) out.preview.push_back(Copied(row));
    const size_t before = out.problems.size();
    const size_t kept = out.records.size();
    auto refuse = [&](const std::string& field, const std::string& value, const std::string& reason) {
      out.problems.push_back({row.line, field, value, reason});
    };
    if (!error.empty()) {
      refuse("", "", error);
    } else if (row.values.size() != out.heading.size()) {
      refuse("", "",
             "the row has " + std::to_string(row.values.size()) + " values; the heading names " +
                 std::to_string(out.heading.size()) + " columns");
    } else {
      // The record is built in place behind the good ones; a refused row is taken off again.
      const size_t at = out.records.size();
      out.records.resize(at + len, ' ');
      char* record = out.records.data() + at;
      std::fill(refusedSlot.begin(), refusedSlot.end(), false);
      for (size_t c = 0; c < row.values.size(); ++c) {
        const int16_t slot = out.fieldOf[c];
        if (slot == 0) continue;
        const FieldDef& f = h.Fields[slot];
        const std::string& format = formats[slot];
        if (isNumbered[slot]) continue;  // numbered by the store
        std::string_view v = Stored(row.values[c], row.breaks[c] != 0, scratch);
        if (const size_t bad = rules[slot].Refused(v); bad != std::string::npos) {
          const std::string ch =
              v[bad] == '\r' || v[bad] == '\n' ? "a line break" : "\"" + std::string(v.substr(bad, 1)) + "\"";
          refuse(f.Name.Trimmed(), std::string(row.values[c]), "holds " + ch + ", which the format " + format + " does not allow");
          refusedSlot[slot] = true;
          continue;
        }
        if (rules[slot].ChangesCase()) {
          cased.assign(v);  // the buffer goes to CasedValue and comes back: no allocation
          cased = CasedValue(format, std::move(cased));
          v = cased;
        }
        if (v.size() > static_cast<size_t>(f.Length)) {
          refuse(f.Name.Trimmed(), std::string(row.values[c]),
                 "has " + std::to_string(v.size()) + " characters; the field holds " + std::to_string(f.Length));
          refusedSlot[slot] = true;
          continue;
        }
        std::memcpy(record + f.Offset, v.data(), v.size());
      }
      // The checks of an update, on the record as it would be saved.
      for (const int16_t k : checked) {
        if (refusedSlot[k]) continue;
        const FieldDef& f = h.Fields[k];
        const std::string_view v = TrimmedView(std::string_view(record + f.Offset, static_cast<size_t>(f.Length)));
        const SaveCheck check = CheckForSave(formats[k], v, order);
        if (check != SaveCheck::Ok) refuse(f.Name.Trimmed(), std::string(v), SaveCheckText(check));
      }
    }
    if (out.problems.size() == before) {
      ++out.good;
      return;
    }
    out.records.resize(kept);
    std::string why;
    for (size_t p = before; p < out.problems.size(); ++p) {
      const CsvProblem& pr = out.problems[p];
      why += (why.empty() ? "" : "; ") + (pr.field.empty() ? pr.reason : pr.field + ": " + pr.reason);
    }
    out.refused.push_back(Copied(row));
    out.reasons.push_back(std::move(why));
  };
  try {
    start();
    CsvTextRead read = ReadCsvRows(fd.get(), size, options.encoding, onRow);
    if (read.notUtf8) {
      start();
      read = ReadCsvRows(fd.get(), size, CsvEncoding::Cp1252, onRow);
    }
    out.utf8 = read.utf8;
    out.replaced = read.replaced;
  } catch (const std::exception& e) {
    out = CsvImport{};
    out.path = path;
    Fail(kTitle, detail::UnexpectedError(e, path));
    return 0;
  }
  if (failure.empty() && !headed) failure = path + " is empty: it has no heading line";
  if (!failure.empty()) {
    Fail(kTitle, failure);
    return 0;
  }
  return 1;
}

int16_t WriteCsvImport(CsvImport& plan, bool skipBad) {
  if (!plan.refused.empty() && !skipBad) {
    Fail(kTitle, std::to_string(plan.refused.size()) + " of " + std::to_string(plan.rows) +
                     " rows are refused; nothing was imported");
    return 0;
  }
  const int32_t count = GetRecordCount();
  if (GetFileNumber() == 0) return 0;
  if (count + plan.good > kMaxRecords) {
    Fail(kTitle, "DB is Full: " + std::to_string(count) + " records and " + std::to_string(plan.good) +
                     " more would pass the " + std::to_string(kMaxRecords) + " a database holds; nothing was imported");
    return 0;
  }
  return AppendRecords(plan.records, plan.numbered, kTitle);
}

std::string RejectedFileName(const std::string& path) {
  if (path.size() >= 4 && modLIB::UCase(path.substr(path.size() - 4)) == ".CSV")
    return path.substr(0, path.size() - 4) + ".rejected" + path.substr(path.size() - 4);
  return path + ".rejected.csv";
}

int16_t WriteRejectedCsv(const CsvImport& plan, const std::string& path) {
  std::string out;
  for (size_t c = 0; c < plan.heading.size(); ++c) {
    if (c > 0) out += ',';
    AppendCsvQuoted(out, plan.heading[c]);
  }
  out += plan.heading.empty() ? "Reason\r\n" : ",Reason\r\n";
  for (size_t r = 0; r < plan.refused.size(); ++r) {
    for (const std::string& v : plan.refused[r].values) {
      AppendCsvQuoted(out, v);
      out += ',';
    }
    AppendCsvQuoted(out, plan.reasons[r]);
    out += "\r\n";
  }
  if (plan.utf8) out = "\xEF\xBB\xBF" + modLIB::Cp1252ToUtf8(out);
  const std::string temp = path + ".~" + std::to_string(::getpid());
  try {
    detail::RemoveFile(temp);
    detail::Fd fd(detail::OpenFile(temp, O_WRONLY | O_CREAT | O_EXCL));
    detail::WriteAt(fd.get(), out.data(), out.size(), 0);
    detail::CloseFile(fd.release());
    detail::RenameFile(temp, path);
  } catch (const std::exception& e) {
    ::unlink(temp.c_str());
    Fail(kTitle, detail::UnexpectedError(e, path));
    return 0;
  }
  return 1;
}

std::string ProblemText(const CsvProblem& p) {
  std::string s = "line " + std::to_string(p.line);
  if (!p.field.empty()) s += ", field " + p.field + ", value \"" + p.value + "\"";
  return s + ": " + p.reason;
}

}  // namespace modDB
