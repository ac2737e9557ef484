#include "lib/CsvText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

namespace detail {

namespace {

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

}  // namespace

namespace {

// The splitting of one piece of text: where it has come to, and the line.
class Splitter {
 public:
  Splitter(std::string_view text, int64_t& line, RowBatch& out) : text_(text), n_(text.size()), line_(line), out_(out) {}

  size_t at() const { return i_; }
  bool more() const { return i_ < n_; }

  // Reads the values of one row from the current place; the first malformation goes
  // to `error`. Says whether a value stood between quotes. Stops, with `wide` set, at
  // a row of more than kMaxValues values.
  bool Values(const char*& error) {
    bool quoted = false;
    const size_t first = out_.values.size();
    for (;;) {
      if (out_.values.size() - first >= kMaxValues) {
        wide = true;
        return quoted;
      }
      if (i_ < n_ && text_[i_] == '"') {
        quoted = true;
        QuotedValue(error);
      } else {
        const size_t start = i_;
        i_ = FindCommaOrBreak(text_, i_);
        out_.values.push_back(CsvValue{text_.substr(start, i_ - start), out_.cuts.size(), 0, false});
      }
      if (i_ < n_ && text_[i_] == ',') {
        ++i_;
        continue;
      }
      return quoted;
    }
  }

  // Steps over the line break that ends a row; false when there is none here.
  bool wide = false;

  bool RowEnd() {
    if (i_ < n_ && text_[i_] == '\r') {
      ++i_;
      if (i_ < n_ && text_[i_] == '\n') ++i_;
    } else if (i_ < n_ && text_[i_] == '\n') {
      ++i_;
    } else {
      return false;
    }
    ++line_;
    return true;
  }

 private:
  // The next quote in a quoted value from k on (or n), the line breaks on the way
  // counted (LF, CR LF and CR alone are one each).
  size_t NextQuote(size_t k) {
    for (;; ++k) {
      k = FindQuoteOrBreak(text_, k);
      if (k >= n_ || text_[k] == '"') return k;
      breaks_ = true;
      if (text_[k] == '\n' || k + 1 >= n_ || text_[k + 1] != '\n') ++line_;
    }
  }

  // A value between quotes, from the opening quote on.
  void QuotedValue(const char*& error) {
    std::vector<size_t>& cuts = out_.cuts;
    breaks_ = false;
    const size_t start = ++i_;
    CsvValue value;
    value.quoted = true;
    value.firstCut = cuts.size();
    size_t end = NextQuote(i_);
    for (; end + 1 < n_ && text_[end + 1] == '"'; end = NextQuote(end + 2))  // a doubled quote
      cuts.push_back(end + 1 - start);
    value.cutCount = cuts.size() - value.firstCut;
    const bool closed = end < n_;
    value.text = text_.substr(start, end - start);
    value.breaks = breaks_;
    i_ = closed ? end + 1 : n_;
    if (!closed) {
      if (!error) error = "a quoted value is not closed before the end of the file";
    } else if (i_ < n_ && text_[i_] != ',' && text_[i_] != '\r' && text_[i_] != '\n') {
      // A quote inside a quoted value that is not doubled, as the program's older
      // export writes it: the rest of the value is taken as it stands.
      if (!error) error = "a double quote inside a quoted value is not doubled";
      std::string& field = out_.arena.Fresh();
      field = Unquoted(value, cuts);
      field += '"';
      while (i_ < n_ && text_[i_] != ',' && text_[i_] != '\r' && text_[i_] != '\n') field += text_[i_++];
      cuts.resize(value.firstCut);
      value = CsvValue{field, value.firstCut, 0, breaks_, true};
    }
    out_.values.push_back(value);
  }

  std::string_view text_;
  size_t n_, i_ = 0;
  int64_t& line_;
  RowBatch& out_;
  bool breaks_ = false;  // the value being read holds a line break
};

}  // namespace

size_t SplitRows(std::string_view text, bool last, int64_t& line, int64_t& count, RowBatch& out) {
  Splitter split(text, line, out);
  while (split.more()) {
    const size_t rowStart = split.at(), firstValue = out.values.size(), firstCut = out.cuts.size();
    const int64_t rowLine = line;
    const char* error = nullptr;
    const bool quoted = split.Values(error);
    if (split.wide) {
      out.values.resize(firstValue);
      out.cuts.resize(firstCut);
      out.wideLine = rowLine;
      line = rowLine;
      return rowStart;
    }
    const bool ended = split.RowEnd();
    const size_t valueCount = out.values.size() - firstValue;
    const bool goesOn = !last && (!ended || !split.more());  // the row (or its CR LF) may go on in the next piece
    if (goesOn || (valueCount == 1 && out.values.back().text.empty() && !quoted)) {  // or it is an empty line
      out.values.resize(firstValue);
      out.cuts.resize(firstCut);
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
  return text.size();
}

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


size_t ParseCsvLines(std::string_view text, size_t from,
                     const std::function<void(std::vector<std::string>& row, size_t at)>& onRow) {
  std::vector<std::string> row;
  size_t done = from, i = from;
  const size_t n = text.size();
  while (i < n) {
    // One cell from i.
    std::string cell;
    if (text[i] == '"') {
      ++i;
      for (;;) {
        const size_t q = text.find('"', i);
        if (q == std::string_view::npos) return done;  // unfinished
        cell.append(text, i, q - i);
        if (q + 1 < n && text[q + 1] == '"') {
          cell += '"';
          i = q + 2;
        } else {
          i = q + 1;
          break;
        }
      }
      // Anything after the closing quote up to the separator belongs to the cell.
      const size_t e = text.find_first_of(",\n", i);
      if (e == std::string_view::npos) return done;
      cell.append(text, i, e - i);
      i = e;
    } else {
      const size_t e = text.find_first_of(",\n", i);
      if (e == std::string_view::npos) return done;
      cell.assign(text, i, e - i);
      if (text[e] == '\n' && !cell.empty() && cell.back() == '\r') cell.pop_back();
      i = e;
    }
    row.push_back(std::move(cell));
    if (text[i] == '\n') {
      onRow(row, done);
      row.clear();
      done = i + 1;
    }
    ++i;
  }
  return done;
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
    if (rows.wideLine != 0) {
      CsvRow row;
      row.line = rows.wideLine;
      onRow(row, "a row has more than " + std::to_string(detail::kMaxValues) + " values");
      return count + 1;
    }
    if (last) break;
    at += used;
    piece = used == 0 ? piece * 2 : detail::kPiece;  // a row longer than the piece
  }
  return count;
}


void AppendCsvQuoted(std::string& out, std::string_view value) {
  out += '"';
  for (size_t from = 0;;) {  // the runs between quotes go across whole
    const size_t q = value.find('"', from);
    if (q == std::string_view::npos) {
      out.append(value.data() + from, value.size() - from);
      break;
    }
    out.append(value.data() + from, q + 1 - from);
    out += '"';
    from = q + 1;
  }
  out += '"';
}

void AppendPlainCsvValue(std::string& out, std::string_view value) {
  out += '"';
  for (size_t from = 0;;) {  // CR LF -> LF; the runs between go across whole
    const size_t cr = value.find("\r\n", from);
    if (cr == std::string_view::npos) {
      out.append(value.data() + from, value.size() - from);
      break;
    }
    out.append(value.data() + from, cr - from);
    from = cr + 1;
  }
  out += '"';
}

void AppendCsvCell(std::string& out, std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) out += value;
  else AppendCsvQuoted(out, value);
}

}  // namespace modDB
