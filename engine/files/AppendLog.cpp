#include "engine/files/AppendLog.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "engine/files/DatabaseFile.h"
#include "engine/files/FileIo.h"
#include "lib/CsvText.h"

namespace modDB::detail {

AppendLog::Standing AppendLog::Look(const std::string& path) {
  Standing s;
  struct stat st {};
  if (!StatLink(path, st)) {
    if (errno == ENOENT || errno == ENOTDIR) return s;
    s.kept = true;  // something may stand there: it cannot be told, so it refuses
    s.refusal = std::strerror(errno);
    return s;
  }
  s.kept = true;
  if (S_ISLNK(st.st_mode) && !StatPath(path, st)) {
    s.refusal = errno == ENOENT ? "it is a link to a missing file" : std::strerror(errno);
    return s;
  }
  if (!S_ISREG(st.st_mode)) s.refusal = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
  else if ((st.st_mode & 0222) == 0) s.refusal = "the file is read-only", s.readOnly = true;
  if (S_ISREG(st.st_mode)) s.file = true, s.dev = st.st_dev, s.ino = st.st_ino, s.size = st.st_size;
  return s;
}

bool AppendLog::Create(const std::string& path, const std::string& heading, bool marks) {
  int fd = -1;
  try {
    fd = OpenFile(path, O_WRONLY | O_CREAT | O_EXCL);
  } catch (const FileError& e) {
    if (e.code().value() == EEXIST) return false;
    throw;
  }
  Fd guard(fd);
  const std::string text = heading + (marks ? "\n\n" : "\n");
  try {
    WriteAt(fd, text.data(), text.size(), 0);
    CloseFile(guard.release());
  } catch (...) {
    RemoveFile(path);
    throw;
  }
  return true;
}

AppendLog::~AppendLog() {
  if (fd_ >= 0) CloseQuietly(fd_);
}

void AppendLog::Open(const std::string& path, bool marks) {
  const Standing s = Look(path);
  if (!s.refusal.empty()) throw FileError(EACCES, "open", path, s.refusal);
  if (fd_ >= 0) CloseQuietly(fd_);
  fd_ = -1;
  const int fd = OpenFile(path, O_RDWR);
  struct stat st {};
  if (!StatOpen(fd, st)) {
    const int err = errno;
    CloseQuietly(fd);
    throw FileError(err, "stat", path);
  }
  fd_ = fd;
  marks_ = marks;
  marked_ = -1;
  path_ = path;
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  size_ = st.st_size;
}

bool AppendLog::Same(int64_t size, const Standing& seen) {
  if (fd_ < 0 || !seen.file || seen.dev != dev_ || seen.ino != ino_ || seen.size < size) return false;
  size_ = seen.size;
  return true;
}

int64_t AppendLog::Size() { return size_ = FileSize(fd_); }

size_t AppendLog::Read(void* buf, size_t n, int64_t at) const { return ReadAt(fd_, buf, n, at); }

int64_t AppendLog::Unmarked(const LineStart& lineStart) {
  if (size_ == marked_) return -1;
  char end[2];
  if (size_ >= 2 && Read(end, 2, size_ - 2) == 2 && end[0] == '\n' && end[1] == '\n') {
    marked_ = size_;
    return -1;
  }
  return Unmarked([this](void* buf, size_t n, int64_t at) { return Read(buf, n, at); }, size_, lineStart);
}

int64_t AppendLog::Unmarked(const ReadFn& read, int64_t size_, const LineStart& lineStart) {
  const auto Read = read;
  if (size_ < 2) return -1;
  char end[2];
  if (Read(end, 2, size_ - 2) == 2 && end[0] == '\n' && end[1] == '\n') return -1;
  // Back from the end, a block at a time, to the last mark followed by a line.
  constexpr int64_t kBlock = int64_t{1} << 20, kOverlap = 64;
  int64_t hi = size_;
  std::string text;
  while (hi > 0) {
    const int64_t lo = std::max<int64_t>(0, hi - kBlock);
    const int64_t upTo = std::min(size_, hi + kOverlap);
    text.resize(static_cast<size_t>(upTo - lo));
    text.resize(Read(text.data(), text.size(), lo));
    for (size_t i = static_cast<size_t>(hi - lo); i-- > 0;)
      if (i + 2 < text.size() && text[i] == '\n' && text[i + 1] == '\n' && lineStart(text, i + 2))
        return lo + static_cast<int64_t>(i) + 2;
    hi = lo;
  }
  return -1;  // written before groups were marked: every line counts as done
}

AppendLog::Group AppendLog::Append(const std::string& lines) {
  Group g;
  g.from = size_;
  // Every group follows an empty line: the mark of the group before it, or, after a
  // damaged tail or a log of the time before marks, one put here.
  std::string prefix;
  if (size_ > 0 && size_ != marked_) {
    char end[2] = {0, 0};
    const size_t got = Read(end, 2, std::max<int64_t>(0, size_ - 2));
    const char last = got ? end[got - 1] : 0, before = got == 2 ? end[0] : 0;
    if (last != '\n') prefix = marks_ ? "\n\n" : "\n";
    else if (before != '\n' && marks_) prefix = "\n";
  }
  try {
    if (prefix.empty()) {
      WriteAt(fd_, lines.data(), lines.size(), size_);
    } else {
      const std::string text = prefix + lines;
      WriteAt(fd_, text.data(), text.size(), size_);
    }
  } catch (...) {
    TakeBack(g.from);
    throw;
  }
  g.lines = size_ + static_cast<int64_t>(prefix.size());
  g.to = g.lines + static_cast<int64_t>(lines.size());
  size_ = g.to;
  return g;
}

void AppendLog::AppendMore(Group& g, const char* bytes, size_t n) {
  WriteAt(fd_, bytes, n, g.to);
  g.to += static_cast<int64_t>(n);
  size_ = g.to;
}

void AppendLog::Mark(bool mend) {
  char last = '\n';
  if (mend && size_ > 0) Read(&last, 1, size_ - 1);
  const char* text = last == '\n' ? "\n" : "\n\n";
  const size_t n = last == '\n' ? 1 : 2;
  WriteAt(fd_, text, n, size_);
  size_ += static_cast<int64_t>(n);
  marked_ = size_;
}

void AppendLog::TakeBack(int64_t from) {
  if (from < 0 || fd_ < 0) return;
  try {
    if (FileSize(fd_) > from) TruncateFile(fd_, from);
    size_ = from;
  } catch (const std::exception&) {
  }
}

bool AppendLog::IsLineStart(const std::string& text, size_t i) {
  static const char form[] = "DDDD-DD-DDTDD:DD:DDZ,";
  if (i + 21 > text.size()) return false;
  for (size_t k = 0; k < 21; ++k) {
    const char c = text[i + k];
    if (form[k] == 'D' ? !std::isdigit(static_cast<unsigned char>(c)) : c != form[k]) return false;
  }
  return true;
}

namespace {

// The next place after `from` where a line can start (after an LF), or text's end.
size_t NextLineStart(const std::string& text, size_t from) {
  const size_t n = text.size();
  for (size_t q = from; (q = text.find('\n', q)) != std::string::npos; ++q) {
    size_t r = q + 1;
    while (r < n && text[r] == '\n') ++r;  // marks between lines
    if (r == n || AppendLog::IsLineStart(text, r)) return q + 1;
  }
  return n;
}

// The row of a whole line text[i, j) when it reads as one row of `cells` cells.
bool RowOf(const std::string& text, size_t i, size_t j, size_t cells, std::string& chunk,
           std::vector<std::string>& got) {
  if (!AppendLog::IsLineStart(text, i) || text[j - 1] != '\n') return false;
  chunk.assign(text, i, j - i);
  int rows = 0;
  const size_t used = ParseCsvLines(chunk, 0, [&](std::vector<std::string>& row, size_t) {
    if (++rows == 1) got = std::move(row);
  });
  return rows == 1 && (cells == 0 || got.size() == cells) && used == chunk.size();
}

}  // namespace

size_t AppendLog::ForEachLine(const std::string& text, int64_t base, bool whole, size_t cells, const LineSink& sink) {
  const size_t n = text.size();
  size_t i = 0;
  int64_t line = 0;
  if (base == 0 && !IsLineStart(text, 0)) {  // the heading
    const size_t e = text.find('\n');
    if (e == std::string::npos) return whole ? n : 0;
    i = e + 1;
    ++line;
  }
  std::string chunk;
  std::vector<std::string> got;
  while (i < n) {
    if (text[i] == '\n') {
      if (sink.onMark) sink.onMark(base + static_cast<int64_t>(i));
      ++i;
      ++line;
      continue;
    }
    const size_t j = NextLineStart(text, i);
    if (j == n && text[n - 1] != '\n' && !whole) return i;  // unfinished
    if (RowOf(text, i, j, cells, chunk, got)) {
      if (sink.onRow) sink.onRow(got, base + static_cast<int64_t>(i));
    } else if (sink.onDamage) {
      sink.onDamage(base + static_cast<int64_t>(i), static_cast<int64_t>(j - i), line);
    }
    line += std::count(text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(j), '\n');
    i = j;
  }
  return n;
}

std::string AppendLog::ReadRows(const std::string& path, size_t cells, std::vector<std::vector<std::string>>& rows) {
  rows.clear();
  const Standing s = Look(path);
  if (!s.kept) return "";
  if (!s.refusal.empty() && !s.readOnly) return "FILE:" + path + " cannot be read: " + s.refusal;
  try {
    Fd fd(OpenFile(path, O_RDONLY));
    std::string text(static_cast<size_t>(FileSize(fd.get())), '\0');
    text.resize(ReadAt(fd.get(), text.data(), text.size(), 0));
    LineSink sink;
    sink.onRow = [&](std::vector<std::string>& row, int64_t) { rows.push_back(std::move(row)); };
    ForEachLine(text, 0, true, cells, sink);
    return "";
  } catch (const std::exception& e) {
    return UnexpectedError(e, path);
  }
}

namespace {

// The log opened under the lock, made first where it is missing; false when it is
// missing and not to be made. Throws FileError with the refusal.
bool OpenCompanion(AppendLog& log, const std::string& path, const CompanionGroup& g) {
  AppendLog::Standing s = AppendLog::Look(path);
  if (!s.kept) {
    if (!g.create) return false;
    AppendLog::Create(path, g.heading, g.marks);
    s = AppendLog::Look(path);
  }
  if (!s.refusal.empty()) throw FileError(EACCES, "open", path, s.refusal);
  log.Open(path, g.marks);
  log.Size();
  if (log.size() == 0) {  // made, but its heading never written
    log.Append(g.heading + "\n");
    if (g.marks) log.Mark();
  }
  // A writer that stopped between its lines and their mark: its work was done.
  if (g.marks && log.Unmarked(AppendLog::IsLineStart) >= 0) log.Mark(true);
  return true;
}

}  // namespace

std::string AppendCompanion(const std::string& dbFile, const std::string& path, const CompanionGroup& g,
                            bool* written) {
  if (written) *written = false;
  try {
    DatabaseFile db = OpenDatabaseFile(dbFile);
    if (!db.readOnlyWhy.empty()) return "FILE:" + dbFile + " may only be read: " + db.readOnlyWhy;
    WriterLock lock(db.fd.get());
    AppendLog log;
    try {
      if (!OpenCompanion(log, path, g)) return "";
    } catch (const FileError& e) {
      if (e.file() != path || e.reason().empty()) throw;
      return "FILE:" + path + " cannot be written: " + e.reason();
    }
    std::unique_ptr<Alongside> alongside = g.alongside ? g.alongside() : nullptr;
    if (!g.lines.empty()) {
      const AppendLog::Group group = log.Append(g.lines);
      try {
        if (g.sync) SyncFile(log.fd());
        if (g.marks) log.Mark();
      } catch (...) {
        log.TakeBack(group.from);
        throw;
      }
    }
    if (alongside) alongside->Done();
    if (written) *written = true;
    return "";
  } catch (const std::exception& e) {
    return UnexpectedError(e, path);
  }
}

}  // namespace modDB::detail
