// The file objects of qfscript (qfscript_files.h).
#include "tools/qfscript_files.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <utility>
#include <vector>

#include "lib/Codepage.h"
#include "tools/qfscript_console.h"

namespace qfconsole {

namespace {

namespace fs = std::filesystem;
using qfscript::InvokeKind;
using qfscript::Object;
using qfscript::SameName;
using qfscript::Variant;

// ---- Arguments and paths ----------------------------------------------------

bool Given(std::vector<Variant*>& args, size_t i) { return i < args.size() && !args[i]->Deref().IsMissing(); }
const Variant& At(std::vector<Variant*>& args, size_t i) { return args[i]->Deref(); }

// A path as the script wrote it, in the system's bytes, with "\" taken as "/".
std::string PathArg(const Variant& v, bool utf8) {
  std::string p = ToOutside(v, utf8);
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

// Without separators at the end ("/" stays).
std::string Trimmed(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string LastPart(const std::string& path) {
  std::string p = Trimmed(path);
  if (p == "/") return "";
  size_t slash = p.find_last_of('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
  std::string p = Trimmed(path);
  size_t slash = p.find_last_of('/');
  if (slash == std::string::npos || p == "/") return "";
  if (slash == 0) return "/";
  return Trimmed(p.substr(0, slash));
}

std::string CurrentFolder() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  return ec ? std::string("/") : cwd.string();
}

// The absolute form, "." and ".." resolved by the text alone.
std::string AbsolutePath(const std::string& path) {
  std::string full = !path.empty() && path[0] == '/' ? path : CurrentFolder() + "/" + path;
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= full.size()) {
    size_t slash = full.find('/', i);
    if (slash == std::string::npos) slash = full.size();
    std::string part = full.substr(i, slash - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = slash + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

bool IsFile(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
bool IsFolder(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A failing call's errno as a script error; `missing` for a name that is not there.
int ErrorOf(int err, int missing) {
  switch (err) {
    case ENOENT: return missing;
    case ENOTDIR: return kErrPathNotFound;
    case EEXIST: case ENOTEMPTY: return kErrFileExists;
    default: return kErrPermission;
  }
}
int ErrorOf(const std::error_code& ec, int missing) { return ErrorOf(ec.value(), missing); }

// The local time of a file's last change as a Date.
Variant DateOf(time_t t) {
  struct tm local;
  ::localtime_r(&t, &local);
  double days = static_cast<double>(::timegm(&local)) / 86400.0 + 25569.0;
  return Variant::Date(days);
}

bool Wild(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// The files (or folders) a name with wildcards in its last part stands for.
std::vector<std::string> Matches(const std::string& names, bool folders) {
  std::vector<std::string> found;
  std::string dir = ParentOf(names), pattern = LastPart(names);
  if (!Wild(pattern)) {
    if (folders ? IsFolder(names) : IsFile(names)) found.push_back(Trimmed(names));
    return found;
  }
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return found;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == ".." || ::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
    std::string full = dir.empty() ? name : dir == "/" ? "/" + name : dir + "/" + name;
    if (folders ? IsFolder(full) : IsFile(full)) found.push_back(full);
  }
  ::closedir(d);
  std::sort(found.begin(), found.end());
  return found;
}

// ---- TextStream -------------------------------------------------------------

enum class Coding { Ansi, Unicode, Utf8 };

// A text file opened for reading (its whole text at hand) or for writing.
class TextFile : public Object {
 public:
  std::string TypeName() const override { return "TextStream"; }

  // For reading: the file's bytes as text. Unicode is UTF-16LE; otherwise a
  // file that starts with the UTF-8 mark is UTF-8 and any other Windows-1252.
  static TextFile* ForReading(const std::string& bytes, Coding coding) {
    auto* t = new TextFile;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) coding = Coding::Unicode;
    else if (coding != Coding::Unicode && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) coding = Coding::Utf8;
    if (coding == Coding::Unicode) {
      size_t start = bytes.compare(0, 2, "\xFF\xFE") == 0 ? 2 : 0;
      for (size_t i = start; i + 1 < bytes.size(); i += 2)
        t->text_ += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
    } else if (coding == Coding::Utf8) {
      for (size_t i = 3; i < bytes.size();) {
        char32_t cp = 0;
        size_t n = modLIB::Utf8Sequence(bytes, i, cp);
        if (n == 0) {
          cp = static_cast<char32_t>(qfscript::Cp1252ToUnicode(static_cast<unsigned char>(bytes[i])));
          n = 1;
        }
        i += n;
        if (cp < 0x10000) {
          t->text_ += static_cast<char16_t>(cp);
        } else {
          t->text_ += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
          t->text_ += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
      }
    } else {
      for (unsigned char c : bytes) t->text_ += static_cast<char16_t>(qfscript::Cp1252ToUnicode(c));
    }
    t->reads_ = true;
    return t;
  }

  static TextFile* ForWriting(FILE* file, Coding coding) {
    auto* t = new TextFile;
    t->file_ = file;
    t->coding_ = coding;
    return t;
  }

  ~TextFile() override { Close(); }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
    if (SameName(name, "line") || SameName(name, "column")) {
      if (!args.empty()) return kErrWrongArgs;
      result = Variant::Long(SameName(name, "line") ? line_ : column_);
      return 0;
    }
    if (SameName(name, "close")) {
      if (!args.empty()) return kErrWrongArgs;
      Close();
      closed_ = true;
      return 0;
    }
    bool writing = SameName(name, "write") || SameName(name, "writeline") || SameName(name, "writeblanklines");
    bool reading = SameName(name, "read") || SameName(name, "readline") || SameName(name, "readall") ||
                   SameName(name, "skip") || SameName(name, "skipline") || SameName(name, "atendofstream") ||
                   SameName(name, "atendofline");
    if (!writing && !reading) return kErrNoSuchMember;
    if (closed_ || writing == reads_) return kErrBadFileMode;
    return writing ? Write(name, args) : Read(name, args, result);
  }

 private:
  bool reads_ = false;
  bool closed_ = false;
  std::u16string text_;  // reading: the whole text
  size_t pos_ = 0;
  FILE* file_ = nullptr;  // writing
  Coding coding_ = Coding::Ansi;
  int32_t line_ = 1, column_ = 1;

  void Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
  }

  void Track(const std::u16string& units) {
    for (char16_t u : units) {
      if (u == u'\n') {
        ++line_;
        column_ = 1;
      } else {
        ++column_;
      }
    }
  }

  int Write(const std::string& name, std::vector<Variant*>& args) {
    bool line = SameName(name, "writeline"), blank = SameName(name, "writeblanklines");
    if (args.size() > 1 || (!line && args.empty())) return kErrWrongArgs;
    std::u16string units;
    if (blank) {
      int32_t n = qfscript::ToLong(At(args, 0));
      if (n < 0) return kErrInvalidCall;
      units.assign(static_cast<size_t>(n), u'\n');
    } else {
      if (Given(args, 0)) units = qfscript::UnitsOf(At(args, 0));
      if (line) units += u'\n';
    }
    std::string bytes;
    if (coding_ == Coding::Unicode) {
      for (char16_t u : units) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
      }
    } else if (coding_ == Coding::Utf8) {
      bytes = UnitsToUtf8(units);
    } else {
      for (char16_t u : units) {
        int c = qfscript::UnicodeToCp1252(u);
        bytes += static_cast<char>(c < 0 ? '?' : c);
      }
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return kErrPermission;
    Track(units);
    return 0;
  }

  void Take(size_t n, std::u16string* into) {
    std::u16string taken = text_.substr(pos_, n);
    pos_ += taken.size();
    Track(taken);
    if (into) *into += taken;
  }

  int Read(const std::string& name, std::vector<Variant*>& args, Variant& result) {
    bool readLine = SameName(name, "readline"), readAll = SameName(name, "readall"), read = SameName(name, "read");
    bool skip = SameName(name, "skip"), skipLine = SameName(name, "skipline");
    if ((read || skip) != (args.size() == 1) || (!(read || skip) && !args.empty())) return kErrWrongArgs;
    bool atEnd = pos_ >= text_.size();
    if (SameName(name, "atendofstream")) {
      result = Variant::Bool(atEnd);
      return 0;
    }
    if (SameName(name, "atendofline")) {
      result = Variant::Bool(atEnd || text_[pos_] == u'\n' || text_[pos_] == u'\r');
      return 0;
    }
    std::u16string text;
    if (readLine || skipLine) {
      if (atEnd) return kErrPastEnd;
      size_t end = text_.find_first_of(u"\r\n", pos_);
      if (end == std::u16string::npos) end = text_.size();
      Take(end - pos_, readLine ? &text : nullptr);
      // The line end: CR LF, LF or CR.
      if (pos_ < text_.size() && text_[pos_] == u'\r') {
        ++pos_;
        ++column_;
      }
      if (pos_ < text_.size() && text_[pos_] == u'\n') Take(1, nullptr);
      else if (end < text_.size()) {
        ++line_;
        column_ = 1;
      }
    } else if (readAll) {
      if (atEnd) return kErrPastEnd;
      Take(text_.size() - pos_, &text);
    } else {
      int32_t n = qfscript::ToLong(At(args, 0));
      if (n < 0) return kErrInvalidCall;
      if (n > 0 && atEnd) return kErrPastEnd;
      Take(static_cast<size_t>(n), read ? &text : nullptr);
    }
    if (readLine || readAll || read) result = qfscript::StrFromUnits(text);
    return 0;
  }
};

// ---- File, Folder and their lists ------------------------------------------

class Item : public Object {
 public:
  Item(std::string path, bool folder, bool utf8) : path_(std::move(path)), folder_(folder), utf8_(utf8) {}
  std::string TypeName() const override { return folder_ ? "Folder" : "File"; }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override;

 private:
  std::string path_;  // absolute
  bool folder_;
  bool utf8_;
};

// Folder.Files or Folder.SubFolders: the entries in the order of their names.
class ItemList : public Object {
 public:
  ItemList(const std::string& folder, bool folders, bool utf8) : folders_(folders), utf8_(utf8) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code kind;
      if (it->is_directory(kind) == folders) paths_.push_back(it->path().string());
    }
    std::sort(paths_.begin(), paths_.end());
  }
  std::string TypeName() const override { return folders_ ? "Folders" : "Files"; }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
    if (SameName(name, "count")) {
      if (!args.empty()) return kErrWrongArgs;
      result = Variant::Long(static_cast<int32_t>(paths_.size()));
      return 0;
    }
    if (name.empty() || SameName(name, "item")) {
      if (args.size() != 1) return kErrWrongArgs;
      std::string want = PathArg(At(args, 0), utf8_);
      for (const std::string& p : paths_) {
        if (LastPart(p) == want) {
          result = Variant::Obj(new Item(p, folders_, utf8_));
          return 0;
        }
      }
      return folders_ ? kErrPathNotFound : kErrFileNotFound;
    }
    return kErrNoSuchMember;
  }

  int Enumerate(std::vector<Variant>& items) override {
    for (const std::string& p : paths_) items.push_back(Variant::Obj(new Item(p, folders_, utf8_)));
    return 0;
  }

 private:
  std::vector<std::string> paths_;
  bool folders_;
  bool utf8_;
};

int Item::Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) {
  if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
  if (folder_ && (SameName(name, "files") || SameName(name, "subfolders")) && !args.empty()) {
    ItemList list(path_, SameName(name, "subfolders"), utf8_);  // .Files("name")
    list.refs = 1;
    return list.Invoke("", kind, args, result);
  }
  if (!args.empty()) return kErrWrongArgs;
  struct stat st;
  if (name.empty() || SameName(name, "path")) {
    result = FromOutside(path_, utf8_);
  } else if (SameName(name, "name")) {
    result = FromOutside(LastPart(path_), utf8_);
  } else if (SameName(name, "parentfolder")) {
    std::string parent = ParentOf(path_);
    result = parent.empty() ? Variant::Nothing() : Variant::Obj(new Item(parent, true, utf8_));
  } else if (SameName(name, "datelastmodified") || SameName(name, "size")) {
    if (::stat(path_.c_str(), &st) != 0) return folder_ ? kErrPathNotFound : kErrFileNotFound;
    if (SameName(name, "datelastmodified")) {
      result = DateOf(st.st_mtime);
      return 0;
    }
    double size = static_cast<double>(st.st_size);
    if (folder_) {
      size = 0;
      std::error_code ec;
      for (fs::recursive_directory_iterator it(path_, fs::directory_options::skip_permission_denied, ec), end;
           !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_regular_file(kind)) size += static_cast<double>(it->file_size(kind));
      }
    }
    result = size <= 2147483647.0 ? Variant::Long(static_cast<int32_t>(size)) : Variant::Double(size);
  } else if (folder_ && (SameName(name, "files") || SameName(name, "subfolders"))) {
    result = Variant::Obj(new ItemList(path_, SameName(name, "subfolders"), utf8_));
  } else if (folder_ && SameName(name, "isrootfolder")) {
    result = Variant::Bool(path_ == "/");
  } else {
    return kErrNoSuchMember;
  }
  return 0;
}

// ---- FileSystemObject -------------------------------------------------------

class FileSystem : public Object {
 public:
  explicit FileSystem(bool utf8) : utf8_(utf8) {}
  std::string TypeName() const override { return "FileSystemObject"; }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
    return Dispatch(name, args, result);
  }

 private:
  bool utf8_;

  struct Method {
    const char* name;
    size_t min, max;
    int (FileSystem::*run)(std::vector<Variant*>&, Variant&);
  };
  static const Method kMethods[];
  int Dispatch(const std::string& name, std::vector<Variant*>& args, Variant& result);

  std::string Path(std::vector<Variant*>& args, size_t i) { return PathArg(At(args, i), utf8_); }
  Variant Text(const std::string& bytes) { return FromOutside(bytes, utf8_); }

  int FileExists(std::vector<Variant*>& a, Variant& r) {
    r = Variant::Bool(IsFile(Path(a, 0)));
    return 0;
  }
  int FolderExists(std::vector<Variant*>& a, Variant& r) {
    r = Variant::Bool(IsFolder(Path(a, 0)));
    return 0;
  }
  int GetFile(std::vector<Variant*>& a, Variant& r) {
    std::string p = Path(a, 0);
    if (!IsFile(p)) return kErrFileNotFound;
    r = Variant::Obj(new Item(AbsolutePath(p), false, utf8_));
    return 0;
  }
  int GetFolder(std::vector<Variant*>& a, Variant& r) {
    std::string p = Path(a, 0);
    if (!IsFolder(p)) return kErrPathNotFound;
    r = Variant::Obj(new Item(AbsolutePath(p), true, utf8_));
    return 0;
  }
  int GetFileName(std::vector<Variant*>& a, Variant& r) {
    r = Text(LastPart(Path(a, 0)));
    return 0;
  }
  int GetBaseName(std::vector<Variant*>& a, Variant& r) {
    std::string n = LastPart(Path(a, 0));
    size_t dot = n.find_last_of('.');
    r = Text(dot == std::string::npos ? n : n.substr(0, dot));
    return 0;
  }
  int GetExtensionName(std::vector<Variant*>& a, Variant& r) {
    std::string n = LastPart(Path(a, 0));
    size_t dot = n.find_last_of('.');
    r = Text(dot == std::string::npos ? "" : n.substr(dot + 1));
    return 0;
  }
  int GetParentFolderName(std::vector<Variant*>& a, Variant& r) {
    r = Text(ParentOf(Path(a, 0)));
    return 0;
  }
  int BuildPath(std::vector<Variant*>& a, Variant& r) {
    std::string p = Path(a, 0), n = Path(a, 1);
    if (!p.empty() && p.back() != '/') p += '/';
    if (!p.empty()) n.erase(0, n.find_first_not_of('/') == std::string::npos ? n.size() : n.find_first_not_of('/'));
    r = Text(p + n);
    return 0;
  }
  int GetAbsolutePathName(std::vector<Variant*>& a, Variant& r) {
    r = Text(AbsolutePath(Path(a, 0)));
    return 0;
  }
  int GetTempName(std::vector<Variant*>&, Variant& r) {
    static std::mt19937 random{std::random_device{}()};
    char name[16];
    std::snprintf(name, sizeof name, "rad%05X.tmp", static_cast<unsigned>(random() & 0xFFFFF));
    r = Variant::Str(name);
    return 0;
  }

  // The folder a new file goes into must be there.
  static int FolderOfNew(const std::string& p) {
    std::string parent = ParentOf(p);
    return parent.empty() || IsFolder(parent) ? 0 : kErrPathNotFound;
  }

  int CreateFolder(std::vector<Variant*>& a, Variant& r) {
    std::string p = Trimmed(Path(a, 0));
    struct stat st;
    if (::stat(p.c_str(), &st) == 0) return kErrFileExists;
    if (int e = FolderOfNew(p)) return e;
    if (::mkdir(p.c_str(), 0777) != 0) return ErrorOf(errno, kErrPathNotFound);
    r = Variant::Obj(new Item(AbsolutePath(p), true, utf8_));
    return 0;
  }
  int DeleteFile(std::vector<Variant*>& a, Variant&) {
    bool force = Given(a, 1) && qfscript::ToBool(At(a, 1));
    std::vector<std::string> files = Matches(Path(a, 0), false);
    if (files.empty()) return kErrFileNotFound;
    for (const std::string& f : files) {
      struct stat st;
      bool readOnly = ::stat(f.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
      if (readOnly && !force) return kErrPermission;
      if (::unlink(f.c_str()) != 0) return ErrorOf(errno, kErrFileNotFound);
    }
    return 0;
  }
  int DeleteFolder(std::vector<Variant*>& a, Variant&) {
    std::vector<std::string> folders = Matches(Path(a, 0), true);
    if (folders.empty()) return kErrPathNotFound;
    for (const std::string& f : folders) {
      std::error_code ec;
      fs::remove_all(f, ec);
      if (ec) return ErrorOf(ec, kErrPathNotFound);
    }
    return 0;
  }
  // CopyFile and MoveFile: each file the source names goes to the destination,
  // into it when it ends in "/" or the source has wildcards.
  int Transfer(std::vector<Variant*>& a, bool move) {
    std::string source = Path(a, 0), dest = Path(a, 1);
    bool overwrite = !move && (!Given(a, 2) || qfscript::ToBool(At(a, 2)));
    std::vector<std::string> files = Matches(source, false);
    if (files.empty()) return Wild(LastPart(source)) || IsFolder(ParentOf(source)) || ParentOf(source).empty()
                                ? kErrFileNotFound
                                : kErrPathNotFound;
    bool into = (!dest.empty() && dest.back() == '/') || Wild(LastPart(source));
    if (into && !IsFolder(dest)) return kErrPathNotFound;
    for (const std::string& f : files) {
      std::string target = into ? Trimmed(dest) + "/" + LastPart(f) : dest;
      if (IsFolder(target)) return kErrPermission;
      if (int e = FolderOfNew(target)) return e;
      if (IsFile(target) && (!overwrite || AbsolutePath(target) == AbsolutePath(f))) return kErrFileExists;
      std::error_code ec;
      if (move && ::rename(f.c_str(), target.c_str()) == 0) continue;
      if (move && errno != EXDEV) return ErrorOf(errno, kErrFileNotFound);
      fs::copy_file(f, target, fs::copy_options::overwrite_existing, ec);
      if (ec) return ErrorOf(ec, kErrPathNotFound);
      if (move && ::unlink(f.c_str()) != 0) return ErrorOf(errno, kErrFileNotFound);
    }
    return 0;
  }
  int CopyFile(std::vector<Variant*>& a, Variant&) { return Transfer(a, false); }
  int MoveFile(std::vector<Variant*>& a, Variant&) { return Transfer(a, true); }

  // OpenTextFile(path, [mode 1 read, 2 write, 8 append], [create], [format 0
  // ASCII, -1 Unicode, -2 the default]).
  int OpenTextFile(std::vector<Variant*>& a, Variant& r) {
    std::string p = Path(a, 0);
    int32_t mode = Given(a, 1) ? qfscript::ToLong(At(a, 1)) : 1;
    bool create = Given(a, 2) && qfscript::ToBool(At(a, 2));
    int32_t format = Given(a, 3) ? qfscript::ToLong(At(a, 3)) : 0;
    if ((mode != 1 && mode != 2 && mode != 8) || format < -2 || format > 0) return kErrInvalidCall;
    Coding coding = format == -1 ? Coding::Unicode : Coding::Ansi;
    if (IsFolder(p)) return kErrPermission;
    if (!IsFile(p)) {
      if (int e = FolderOfNew(p)) return e;
      if (!create) return kErrFileNotFound;
    }
    if (mode == 1) {
      if (!IsFile(p)) {
        FILE* made = std::fopen(p.c_str(), "wb");
        if (!made) return ErrorOf(errno, kErrPathNotFound);
        std::fclose(made);
      }
      FILE* f = std::fopen(p.c_str(), "rb");
      if (!f) return ErrorOf(errno, kErrFileNotFound);
      std::string bytes;
      char buf[65536];
      for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
      std::fclose(f);
      r = Variant::Obj(TextFile::ForReading(bytes, coding));
      return 0;
    }
    return OpenForWriting(p, mode == 8, coding, r);
  }

  // Appending keeps the coding the file starts with (its UTF-16 or UTF-8 mark);
  // a new Unicode file starts with the UTF-16 mark.
  int OpenForWriting(const std::string& p, bool append, Coding coding, Variant& r) {
    char head[3] = {};
    size_t have = 0;
    if (append) {
      if (FILE* old = std::fopen(p.c_str(), "rb")) {
        have = std::fread(head, 1, 3, old);
        std::fclose(old);
      }
      if (have >= 2 && head[0] == '\xFF' && head[1] == '\xFE') coding = Coding::Unicode;
      else if (have == 3 && std::string(head, 3) == "\xEF\xBB\xBF" && coding == Coding::Ansi) coding = Coding::Utf8;
    }
    FILE* f = std::fopen(p.c_str(), append ? "ab" : "wb");
    if (!f) return ErrorOf(errno, kErrPathNotFound);
    if (coding == Coding::Unicode && have == 0) std::fwrite("\xFF\xFE", 1, 2, f);
    r = Variant::Obj(TextFile::ForWriting(f, coding));
    return 0;
  }

  // CreateTextFile(path, [overwrite = True], [unicode = False]).
  int CreateTextFile(std::vector<Variant*>& a, Variant& r) {
    std::string p = Path(a, 0);
    bool overwrite = !Given(a, 1) || qfscript::ToBool(At(a, 1));
    bool unicode = Given(a, 2) && qfscript::ToBool(At(a, 2));
    if (IsFolder(p)) return kErrPermission;
    if (IsFile(p) && !overwrite) return kErrFileExists;
    if (int e = FolderOfNew(p)) return e;
    return OpenForWriting(p, false, unicode ? Coding::Unicode : Coding::Ansi, r);
  }
};

const FileSystem::Method FileSystem::kMethods[] = {
    {"fileexists", 1, 1, &FileSystem::FileExists},
    {"folderexists", 1, 1, &FileSystem::FolderExists},
    {"getfile", 1, 1, &FileSystem::GetFile},
    {"getfolder", 1, 1, &FileSystem::GetFolder},
    {"getfilename", 1, 1, &FileSystem::GetFileName},
    {"getbasename", 1, 1, &FileSystem::GetBaseName},
    {"getextensionname", 1, 1, &FileSystem::GetExtensionName},
    {"getparentfoldername", 1, 1, &FileSystem::GetParentFolderName},
    {"buildpath", 2, 2, &FileSystem::BuildPath},
    {"getabsolutepathname", 1, 1, &FileSystem::GetAbsolutePathName},
    {"gettempname", 0, 0, &FileSystem::GetTempName},
    {"createfolder", 1, 1, &FileSystem::CreateFolder},
    {"deletefile", 1, 2, &FileSystem::DeleteFile},
    {"deletefolder", 1, 2, &FileSystem::DeleteFolder},
    {"copyfile", 2, 3, &FileSystem::CopyFile},
    {"movefile", 2, 2, &FileSystem::MoveFile},
    {"opentextfile", 1, 4, &FileSystem::OpenTextFile},
    {"createtextfile", 1, 3, &FileSystem::CreateTextFile},
};

int FileSystem::Dispatch(const std::string& name, std::vector<Variant*>& args, Variant& result) {
  for (const Method& m : kMethods) {
    if (!SameName(name, m.name)) continue;
    if (args.size() < m.min || args.size() > m.max) return kErrWrongArgs;
    return (this->*m.run)(args, result);
  }
  return kErrNoSuchMember;
}

}  // namespace

Object* CreateFileObject(const std::string& progId, bool utf8) {
  return SameName(progId, "scripting.filesystemobject") ? new FileSystem(utf8) : nullptr;
}

}  // namespace qfconsole
