#include "engine/CsvRows.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/FileIo.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

namespace detail {

namespace {

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

// The position of the first of the bytes `a`, `b`, `c` in text from `from` on, or
// text.size(). The splitting spends most of its time here: sixteen bytes at a time,
// or thirty-two where the processor has AVX2.
size_t FindAnyOf3(std::string_view text, size_t from, char a, char b, char c) {
  size_t i = from;
  const size_t n = text.size();
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_or_si128(_mm_cmpeq_epi8(x, vb), _mm_cmpeq_epi8(x, vc)));
    if (const int mask = _mm_movemask_epi8(hit); mask != 0) return i + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < n; ++i)
    if (text[i] == a || text[i] == b || text[i] == c) return i;
  return n;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("avx2"))) size_t FindAnyOf3Avx2(std::string_view text, size_t from, char a, char b, char c) {
  size_t i = from;
  const size_t n = text.size();
  const __m256i va = _mm256_set1_epi8(a), vb = _mm256_set1_epi8(b), vc = _mm256_set1_epi8(c);
  for (; i + 32 <= n; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text.data() + i));
    const __m256i hit =
        _mm256_or_si256(_mm256_cmpeq_epi8(x, va), _mm256_or_si256(_mm256_cmpeq_epi8(x, vb), _mm256_cmpeq_epi8(x, vc)));
    if (const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hit)); mask != 0)
      return i + static_cast<size_t>(__builtin_ctz(mask));
  }
  return FindAnyOf3(text, i, a, b, c);
}
const bool kHasAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

// The position of the first '"', CR or LF in text from `from` on, or text.size().
inline size_t FindQuoteOrBreak(std::string_view text, size_t from) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (kHasAvx2) return FindAnyOf3Avx2(text, from, '"', '\r', '\n');
#endif
  return FindAnyOf3(text, from, '"', '\r', '\n');
}

// The end of an unquoted value: the first comma, CR or LF from `from` on, or text.size().
inline size_t FindCommaOrBreak(std::string_view text, size_t from) {
  return FindAnyOf3(text, from, ',', '\r', '\n');
}

// Walks a value as the file means it, its doubled quotes cut to one; when `crlf`, every
// line break (LF, CR or CR LF) comes as CR LF. The text goes to put(data, size) a run
// at a time.
template <typename Put>
void ForValue(const CsvValue& v, std::span<const size_t> cuts, bool crlf, Put&& put) {
  auto run = [&](std::string_view t) {
    if (!crlf || !v.breaks) {
      put(t.data(), t.size());
      return;
    }
    for (size_t i = 0; i < t.size();) {
      size_t j = i;
      while (j < t.size() && t[j] != '\r' && t[j] != '\n') ++j;
      put(t.data() + i, j - i);
      if (j >= t.size()) break;
      put("\r\n", 2);
      i = j + (t[j] == '\r' && j + 1 < t.size() && t[j + 1] == '\n' ? 2 : 1);
    }
  };
  size_t from = 0;
  for (const size_t cut : cuts.subspan(v.firstCut, v.cutCount)) {
    run(v.text.substr(from, cut - from));
    from = cut + 1;
  }
  run(v.text.substr(from));
}

// Copies n bytes, at least one Word and at most two, as its first and its last Word.
template <typename Word>
inline void CopyEnds(char* to, const char* from, size_t n) {
  Word head, tail;
  std::memcpy(&head, from, sizeof(Word));
  std::memcpy(&tail, from + n - sizeof(Word), sizeof(Word));
  std::memcpy(to, &head, sizeof(Word));
  std::memcpy(to + n - sizeof(Word), &tail, sizeof(Word));
}

// Copies n bytes from a value's text into a record: most runs are short, and a call
// to memcpy costs more than they do. The two copies of each size may overlap.
inline void CopyRun(char* to, const char* from, size_t n) {
  if (n >= 16) {
#if defined(__SSE2__)
    size_t k = 0;
    for (; k + 16 <= n; k += 16)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + k),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + k)));
    if (k < n)  // the last 16 again
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + n - 16),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + n - 16)));
#else
    std::memcpy(to, from, n);
#endif
  } else if (n >= 8) {
    CopyEnds<uint64_t>(to, from, n);
  } else if (n >= 4) {
    CopyEnds<uint32_t>(to, from, n);
  } else {
    for (size_t k = 0; k < n; ++k) to[k] = from[k];
  }
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

  void Clear() {
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
size_t SplitRows(std::string_view text, bool last, int64_t& line, int64_t& count, RowBatch& out) {
  const size_t n = text.size();
  size_t i = 0;
  std::vector<CsvValue>& values = out.values;
  std::vector<size_t>& cuts = out.cuts;
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
    const size_t rowStart = i, firstValue = values.size(), firstCut = cuts.size();
    const int64_t rowLine = line;
    const char* error = nullptr;
    bool quoted = false;
    for (;;) {
      if (i < n && text[i] == '"') {
        quoted = true;
        breaks = false;
        const size_t start = ++i;
        CsvValue value;
        value.quoted = true;
        value.firstCut = cuts.size();
        size_t end = nextQuote(i);
        for (; end + 1 < n && text[end + 1] == '"'; end = nextQuote(end + 2))  // a doubled quote
          cuts.push_back(end + 1 - start);
        value.cutCount = cuts.size() - value.firstCut;
        const bool closed = end < n;
        value.text = text.substr(start, end - start);
        value.breaks = breaks;
        i = closed ? end + 1 : n;
        if (!closed) {
          if (!error) error = "a quoted value is not closed before the end of the file";
        } else if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
          // A quote inside a quoted value that is not doubled, as the program's
          // older export writes it: the rest of the value is taken as it stands.
          if (!error) error = "a double quote inside a quoted value is not doubled";
          std::string& field = out.arena.Fresh();
          field = Unquoted(value, cuts);
          field += '"';
          while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') field += text[i++];
          cuts.resize(value.firstCut);
          value = CsvValue{field, value.firstCut, 0, breaks, true};
        }
        values.push_back(value);
      } else {
        const size_t start = i;
        i = FindCommaOrBreak(text, i);
        values.push_back(CsvValue{text.substr(start, i - start), cuts.size(), 0, false});
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
    const size_t valueCount = values.size() - firstValue;
    const bool goesOn = !last && (!ended || i >= n);  // the row (or its CR LF) may go on in the next piece
    if (goesOn || (valueCount == 1 && values.back().text.empty() && !quoted)) {  // or it is an empty line
      values.resize(firstValue);
      cuts.resize(firstCut);
      if (goesOn) {
        line = rowLine;
        return rowStart;
      }
      continue;
    }
    ++count;
    out.rows.push_back({rowLine, firstValue, valueCount, 0});
    if (error) {
      out.errors.emplace_back(error);
      out.rows.back().error = out.errors.size();
    }
  }
  return n;
}

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

// Whether a UTF-8 sequence of n bytes starting with `lead` is plainly UTF-8 and not
// Windows-1252 text that happens to form one. Every sequence of three or four bytes
// is: in Windows-1252 it is a small letter followed by two signs ("â€™"). So are the
// pairs that spell the letters and signs of Western and Central European text, Greek
// and Cyrillic (leads C2-C5, CE-D1): in Windows-1252 they are "Â", "Ã", "Ä", "Å",
// "Î", "Ï", "Ð" or "Ñ" followed by a sign, which words hardly hold. The other pairs
// are a capital letter with an accent followed by a sign, as in "CAFÉ’S" or
// "JOSÉ–MARIA" (C9 92, C9 96), and say nothing.
bool PlainlyUtf8(unsigned char lead, size_t n) {
  return n >= 3 || (lead >= 0xC2 && lead <= 0xC5) || (lead >= 0xCE && lead <= 0xD1);
}

// Decodes the UTF-8 in p[from, to) to Windows-1252 in place (the text never grows) and
// gives where the text now ends. Unless `last`, the bytes from a character above 127
// among the last three on are left undecoded (the character may go on in the next
// piece): they are moved right behind the text and counted in `kept`. A byte that is
// no UTF-8 gives npos when `strict`, else it becomes "?" and is counted in `replaced`,
// as is a character outside Windows-1252. `high`: a character above 127 was decoded;
// `plain`: one of them is plainly UTF-8 (see PlainlyUtf8).
size_t DecodeUtf8InPlace(char* p, size_t from, size_t to, bool last, bool strict, int64_t& replaced, bool& high,
                         bool& plain, size_t& kept) {
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
    const size_t n = modLIB::Utf8Sequence(s, i, cp);
    if (n == 0) {  // not UTF-8
      if (strict) return std::string::npos;
      p[w++] = '?';
      ++replaced;
      ++i;
      continue;
    }
    high = true;
    if (!plain) plain = PlainlyUtf8(static_cast<unsigned char>(s[i]), n);
    const std::string c = modLIB::Utf8ToCp1252(s.substr(i, n));  // one byte
    if (c == "?") ++replaced;
    std::memcpy(p + w, c.data(), c.size());
    w += c.size();
    i += n;
  }
  return w;
}

// The file is read this much at a time (more while one row is longer).
constexpr size_t kPiece = size_t{512} << 10;
// No row of a file that records come from is longer than this (a record holds at
// most 32,000 characters).
constexpr size_t kMaxRow = size_t{16} << 20;

// Checks the rows on a thread of its own while the file is read and split: on two
// cores the import takes about the longer of the two instead of their sum. The rows
// are handed on in the file's order, as a single thread would hand them on; a few
// batches go round between the threads, so the memory held stays a few pieces.
class RowChecker {
 public:
  explicit RowChecker(const RowHandler& onRow) : onRow_(onRow) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {  // no thread to be had: each batch is checked as it comes
    }
  }
  ~RowChecker() {  // a way out before Finish (a file error, text that is no UTF-8): the rest is dropped
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  RowChecker(const RowChecker&) = delete;
  RowChecker& operator=(const RowChecker&) = delete;

  // A batch to fill, cleared: waits while every batch is still being checked. What the
  // checking threw is thrown here as soon as it is known: the rest of the file is not read.
  RowBatch& Free() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !free_.empty(); });
    if (failed_) std::rethrow_exception(error_);
    RowBatch* b = free_.front();
    free_.pop_front();
    lock.unlock();
    b->Clear();
    return *b;
  }
  void Check(RowBatch& b) {
    if (!thread_.joinable()) {
      b.HandOn(onRow_);
      free_.push_back(&b);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      full_.push_back(&b);
    }
    changed_.notify_all();
  }
  // Waits for every batch handed on to be checked; what the checking threw is thrown here.
  void Finish() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (error_) std::rethrow_exception(error_);
  }

 private:
  void Run() {
    for (;;) {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || finished_ || !full_.empty(); });
      if (stop_ || full_.empty()) return;
      RowBatch* b = full_.front();
      full_.pop_front();
      lock.unlock();
      if (!error_) {
        try {
          b->HandOn(onRow_);
        } catch (...) {
          error_ = std::current_exception();
        }
      }
      lock.lock();
      failed_ = error_ != nullptr;
      free_.push_back(b);
      lock.unlock();
      changed_.notify_all();
    }
  }

  const RowHandler& onRow_;
  RowBatch batches_[3];
  std::deque<RowBatch*> free_{&batches_[0], &batches_[1], &batches_[2]}, full_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false, finished_ = false, failed_ = false;
  std::exception_ptr error_;
  std::thread thread_;  // started once everything above is made
};

}  // namespace

std::string Unquoted(const CsvValue& v, std::span<const size_t> cuts) {
  std::string s;
  ForValue(v, cuts, false, [&](const char* p, size_t n) { s.append(p, n); });
  return s;
}

CsvRow Copied(const RowView& v) {
  CsvRow row;
  row.line = v.line;
  row.values.reserve(v.values.size());
  for (const CsvValue& value : v.values) row.values.push_back(Unquoted(value, v.cuts));
  return row;
}

size_t StoreValue(char* field, size_t room, const CsvValue& v, std::span<const size_t> cuts) {
  size_t n = 0;
  auto put = [&](const char* p, size_t k) {
    if (n + k <= room) CopyRun(field + n, p, k);
    n += k;
  };
  if (v.breaks) {
    ForValue(v, cuts, true, put);
  } else {  // the common case, without the walk: the runs between the cut quotes
    size_t from = 0;
    for (const size_t cut : cuts.subspan(v.firstCut, v.cutCount)) {
      put(v.text.data() + from, cut - from);
      from = cut + 1;
    }
    put(v.text.data() + from, v.text.size() - from);
  }
  return n;
}

std::string_view Stored(const CsvValue& v, std::span<const size_t> cuts, std::string& scratch) {
  scratch.clear();
  ForValue(v, cuts, true, [&](const char* p, size_t n) { scratch.append(p, n); });
  return modLIB::TrimRightView(scratch);
}

CsvTextRead ReadCsvRows(int fd, int64_t size, CsvEncoding encoding, const RowHandler& onRow) {
  CsvTextRead read;
  RowChecker checker(onRow);
  Bytes carry;  // the text after the last whole row of a piece, then at most three bytes to decode
  size_t carryReady = 0;
  bool decode = false, strict = false, high = false, plain = false;
  int64_t at = 0, line = 1, count = 0;
  for (bool first = true, last = false; !last; first = false) {
    RowBatch& batch = checker.Free();
    Bytes& buf = batch.text;
    if (carry.size() > 0) std::memcpy(buf.Room(carry.size()), carry.data(), carry.size());
    buf.Resize(carry.size());
    size_t ready = carryReady;  // buf holds text up to here, then at most three bytes to decode
    if (carry.size() > kMaxRow) {  // one row that goes on and on (a file of zero bytes, say)
      read.refusal = CsvRefusal::LongRow;
      read.line = line;
      return read;
    }
    const size_t ask = static_cast<size_t>(std::min<int64_t>(std::max(kPiece, buf.size()), size - at));
    const size_t got = ask == 0 ? 0 : detail::ReadAt(fd, buf.Room(ask), ask, at);
    buf.Resize(buf.size() + got);
    at += static_cast<int64_t>(got);
    last = got < ask || at >= size;
    if (first) {
      const std::string_view head(buf.data(), std::min<size_t>(buf.size(), 3));
      if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) {
        read.refusal = CsvRefusal::Utf16;
        return read;
      }
      const bool bom = head == "\xEF\xBB\xBF";
      // The program's own export without a mark is Windows-1252: its heading starts
      // with a "#" column.
      const bool own = !bom && buf.size() >= 2 && buf.data()[0] == '#' &&
                       (buf.data()[1] == ',' || buf.data()[1] == '\r' || buf.data()[1] == '\n');
      if (bom) buf.DropFront(3);  // a mark is never part of the text, whatever it is read as
      decode = encoding == CsvEncoding::Utf8 || (encoding == CsvEncoding::Auto && !own);
      strict = decode && (bom || encoding == CsvEncoding::Auto);
      read.utf8 = encoding == CsvEncoding::Utf8 || (encoding == CsvEncoding::Auto && bom);
      read.how = encoding == CsvEncoding::Cp1252 ? "Windows-1252 (as given)"
                 : encoding == CsvEncoding::Utf8 ? (bom ? "UTF-8 (byte order mark)" : "UTF-8 (as given)")
                 : bom                           ? "UTF-8 (byte order mark)"
                 : own                           ? "Windows-1252 (the program's own export)"
                                                 : "Windows-1252";
      read.bom = bom;
    }
    if (decode) {
      size_t kept = 0;
      const size_t end = DecodeUtf8InPlace(buf.data(), ready, buf.size(), last, strict, read.replaced, high, plain, kept);
      if (end == std::string::npos) {
        if (read.bom) {
          read.refusal = CsvRefusal::NotUtf8WithMark;
        } else {
          read.notUtf8 = true;
        }
        return read;
      }
      ready = end;
      buf.Resize(end + kept);
    } else {
      ready = buf.size();
    }
    const size_t used = SplitRows(std::string_view(buf.data(), ready), last, line, count, batch);
    carry.Resize(0);
    if (buf.size() > used) std::memcpy(carry.Room(buf.size() - used), buf.data() + used, buf.size() - used);
    carry.Resize(buf.size() - used);
    carryReady = ready - used;
    checker.Check(batch);
  }
  checker.Finish();
  if (decode && strict && !read.bom) {  // Auto without a mark: UTF-8 only where it is plainly so
    if (high && !plain) {
      read.notUtf8 = true;
      return read;
    }
    if (high) {
      read.utf8 = true;
      read.how = "UTF-8";
    }
  }
  return read;
}

}  // namespace detail

std::string DecodeCsvText(std::string data, CsvEncoding encoding, bool& utf8, int64_t& replaced) {
  replaced = 0;
  utf8 = false;
  const bool bom = data.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (encoding == CsvEncoding::Cp1252) return data.substr(bom ? 3 : 0);  // a mark is never text
  const bool strict = encoding == CsvEncoding::Auto && !bom;  // UTF-8 only if it plainly is
  std::string text = data.substr(bom ? 3 : 0);
  bool high = false, plain = false;
  size_t kept = 0;
  const size_t end = detail::DecodeUtf8InPlace(text.data(), 0, text.size(), true, strict, replaced, high, plain, kept);
  utf8 = end != std::string::npos && (!strict || plain);
  if (!utf8) {  // Windows-1252, or plain ASCII, as it stands
    replaced = 0;
    return data;
  }
  text.resize(end);
  return text;
}

int64_t ParseCsv(std::string_view text, const std::function<void(CsvRow&, const std::string& error)>& onRow) {
  int64_t line = 1, count = 0;
  detail::RowBatch rows;
  for (size_t at = 0, piece = detail::kPiece;;) {  // a piece at a time, as the file is read
    const bool last = text.size() - at <= piece;
    rows.Clear();
    const size_t used = detail::SplitRows(text.substr(at, piece), last, line, count, rows);
    for (const detail::RowBatch::Row& r : rows.rows) {
      CsvRow row = detail::Copied(rows.View(r));
      onRow(row, rows.Error(r));
    }
    if (last) break;
    at += used;
    piece = used == 0 ? piece * 2 : detail::kPiece;  // a row longer than the piece
  }
  return count;
}

}  // namespace modDB
