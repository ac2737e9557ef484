// The form of the change history's lines (see Format.h).
#include "engine/history/Format.h"

#include <pwd.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "lib/Codepage.h"

namespace modDB::history {

using modLIB::Cp1252ToUtf8;

std::string& ProgramSetting() {
  static std::string program;
  return program;
}

std::string ProgramName() {
  if (!ProgramSetting().empty()) return ProgramSetting();
  return program_invocation_short_name;
}

const std::string& UserName() {
  static const std::string user = [] {
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buf[4096];
    if (::getpwuid_r(::geteuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_name)
      return std::string(found->pw_name);
    const char* env = std::getenv("USER");
    return std::string(env ? env : std::to_string(::geteuid()));
  }();
  return user;
}

const std::string& HostName() {
  static const std::string host = [] {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return std::string();
    return std::string(buf);
  }();
  return host;
}

std::string Now() {
  thread_local std::time_t last = -1;  // the second last written, and its text
  thread_local std::string text;
  const std::time_t t = std::time(nullptr);
  if (t != last) {
    std::tm tm {};
    ::gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    text = buf;
    last = t;
  }
  return text;
}

// ---- CSV ---------------------------------------------------------------------------

void AppendLine(std::string& out, const HistoryEntry& e) {
  const std::string* cols[] = {&e.time,   &e.user,   &e.host,  &e.program, &e.operation,
                               &e.record, &e.number, &e.field, &e.before,  &e.after};
  bool first = true;
  for (const std::string* c : cols) {
    if (!first) out += ',';
    first = false;
    AppendCsvCell(out, *c);
  }
  out += '\n';
}

HistoryEntry EntryOf(std::vector<std::string>& row) {
  row.resize(10);
  return {row[0], row[1], row[2], row[3], row[4], row[5], row[6], row[7], row[8], row[9]};
}

// ---- The values of an import line ---------------------------------------------------

// Writes s at p as a JSON string inside a quoted CSV cell (the JSON quotes doubled)
// and returns the end: at most 6 bytes for each of s and 4 more. `cp1252` converts
// the text to UTF-8 on the way.
char* PutJsonCell(char* p, std::string_view s, bool cp1252) {
  static const auto utf8 = [] {
    std::array<std::string, 128> t;
    for (int c = 0x80; c <= 0xFF; ++c) t[c - 0x80] = Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
    return t;
  }();
  auto put = [&](const char* t, size_t n) {
    std::memcpy(p, t, n);
    p += n;
  };
  put("\"\"", 2);
  size_t i = 0;
  while (i < s.size()) {
    // The plain run from i: no quote, backslash, control character or (when
    // converting) byte of 0x80 and up.
    size_t j = i;
#ifdef __SSE2__
    // Sixteen at a time; a signed compare below 0x20 takes the bytes of 0x80 and up
    // too, which the byte loop below then looks at again when they are plain.
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), space = _mm_set1_epi8(0x20);
    for (; j + 16 <= s.size(); j += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + j));
      const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                                       _mm_cmplt_epi8(v, space));
      if (const int mask = _mm_movemask_epi8(hit)) {
        j += static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        break;
      }
    }
#endif
    while (j < s.size()) {
      const auto c = static_cast<unsigned char>(s[j]);
      if (c == '"' || c == '\\' || c < 0x20 || (cp1252 && c >= 0x80)) break;
      ++j;
    }
    put(s.data() + i, j - i);
    if (j == s.size()) break;
    const auto c = static_cast<unsigned char>(s[j]);
    if (c == '"') put("\\\"\"", 3);
    else if (c == '\\') put("\\\\", 2);
    else if (c == '\n') put("\\n", 2);
    else if (c == '\r') put("\\r", 2);
    else if (c == '\t') put("\\t", 2);
    else if (c >= 0x80) put(utf8[c - 0x80].data(), utf8[c - 0x80].size());
    else {
      static const char hex[] = "0123456789abcdef";
      const char u[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
      put(u, 6);
    }
    i = j + 1;
  }
  put("\"\"", 2);
  return p;
}

void AppendJsonCell(std::string& out, std::string_view s) {
  const size_t at = out.size();
  out.resize(at + s.size() * 6 + 4);
  out.resize(static_cast<size_t>(PutJsonCell(out.data() + at, s, false) - out.data()));
}

std::vector<std::pair<std::string, std::string>> ParseValues(const std::string& s) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t i = 0;
  auto str = [&](std::string& v) {
    while (i < s.size() && s[i] != '"') ++i;
    if (i >= s.size()) return false;
    for (++i; i < s.size(); ++i) {
      char c = s[i];
      if (c == '"') {
        ++i;
        return true;
      }
      if (c == '\\' && i + 1 < s.size()) {
        c = s[++i];
        if (c == 'n') c = '\n';
        else if (c == 'r') c = '\r';
        else if (c == 't') c = '\t';
        else if (c == 'u') {
          // Four hex digits; anything else is kept as written.
          unsigned code = 0;
          const char* from = s.data() + i + 1;
          const char* to = s.data() + std::min(s.size(), i + 5);
          const auto r = std::from_chars(from, to, code, 16);
          if (to - from == 4 && r.ec == std::errc() && r.ptr == to) {
            c = static_cast<char>(code);
            i += 4;
          } else {
            v += '\\';
          }
        }
      }
      v += c;
    }
    return false;
  };
  for (;;) {
    std::string name, value;
    if (!str(name)) break;
    while (i < s.size() && s[i] != ':') ++i;
    if (!str(value)) break;
    out.emplace_back(std::move(name), std::move(value));
  }
  return out;
}

// ---- Pack maps ------------------------------------------------------------------------

std::string MapText(const std::vector<int32_t>& kept) {
  std::string out;
  auto range = [](int32_t a, int32_t b) { return a == b ? std::to_string(a) : std::to_string(a) + "-" + std::to_string(b); };
  for (size_t i = 0; i < kept.size();) {
    size_t j = i;
    while (j + 1 < kept.size() && kept[j + 1] == kept[j] + 1) ++j;
    if (!out.empty()) out += ' ';
    out += range(kept[i], kept[j]) + ">" +
           range(static_cast<int32_t>(i + 1), static_cast<int32_t>(j + 1));
    i = j + 1;
  }
  return out;
}

std::vector<Run> ParseMap(const std::string& s) {
  std::vector<Run> runs;
  const char* p = s.c_str();
  while (*p) {
    char* end = nullptr;
    const long a = std::strtol(p, &end, 10);
    if (end == p) break;
    long b = a;
    p = end;
    if (*p == '-') b = std::strtol(p + 1, &end, 10), p = end;
    if (*p != '>') break;
    const long c = std::strtol(p + 1, &end, 10);
    p = end;
    if (*p == '-') std::strtol(p + 1, &end, 10), p = end;
    runs.push_back({static_cast<int32_t>(a), static_cast<int32_t>(b), static_cast<int32_t>(c)});
    while (*p == ' ') ++p;
  }
  return runs;
}

size_t ForEachLine(const std::string& text, int64_t base, bool whole, const LineSink& sink) {
  return detail::AppendLog::ForEachLine(text, base, whole, 10, sink);
}

std::string Value(std::string_view rec, const FieldDef& f) {
  if (rec.size() < static_cast<size_t>(f.Offset + f.Length)) return "";
  std::string_view v = rec.substr(static_cast<size_t>(f.Offset), static_cast<size_t>(f.Length));
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return Cp1252ToUtf8(std::string(v));
}

int16_t NumberField(const FormHeader& h) {
  for (int16_t k = 1; k <= kMaxFields; ++k) {
    const FieldDef& f = h.Fields[k];
    if (f.Page != 0 && std::memchr(f.Format.bytes.data(), '#', f.Format.bytes.size())) return k;
  }
  return 0;
}

std::string NumberOf(const FormHeader& h, int16_t field, std::string_view rec) {
  if (field == 0) return "";
  std::string v = Value(rec, h.Fields[field]);
  v.erase(0, v.find_first_not_of(' ') == std::string::npos ? v.size() : v.find_first_not_of(' '));
  return v;  // the number without its sign's blank
}

std::string Size(const FormHeader& h, int32_t count) {
  int fields = 0;
  for (int16_t k = 1; k <= kMaxFields; ++k) fields += h.Fields[k].Page != 0;
  return std::to_string(fields) + " fields, " + std::to_string(h.RecordLength) + " bytes a record, " +
         std::to_string(count) + " records";
}

bool IsLineStart(const std::string& text, size_t i) { return detail::AppendLog::IsLineStart(text, i); }

}  // namespace modDB::history
