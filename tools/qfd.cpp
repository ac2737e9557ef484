// qfd: the command-line companion for form databases.
//
//   qfd info FILE              what the database holds (never its password)
//   qfd dump --json FILE       the whole definition as JSON
//
// Messages go to stderr; every failure exits with status 1.
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Codepage.h"
#include "DefinitionJson.h"
#include "HeaderFile.h"
#include "HeaderLayout.h"
#include "StderrHost.h"
#include "modDB.h"

namespace {

using namespace modDB;
using Args = std::vector<std::string>;

int Usage() {
  std::fprintf(stderr,
               "usage: qfd info FILE\n"
               "       qfd dump --json [--with-password] FILE\n");
  return 2;
}

int Error(const std::string& text) {
  std::fprintf(stderr, "qfd: %s\n", text.c_str());
  return 1;
}

// The file of a database name: base + ".Qfd", as every program builds it.
std::string DatabaseFile(std::string name) { return BaseFileName(name) + ".Qfd"; }

// Reads and checks a header for showing it: counts must be possible.
bool LoadForShow(const std::string& name, FormHeader& h, int64_t& size, std::string& why) {
  const std::string file = DatabaseFile(name);
  if (!ReadHeaderFile(file, h, why, &size)) return false;
  if (std::string bad = CheckCounts(h); !bad.empty()) {
    why = file + " is damaged: " + bad;
    return false;
  }
  return true;
}

std::string Utf8(const std::string& s) { return modLIB::Cp1252ToUtf8(s); }

std::string Colour(int32_t c) {
  char buf[16];
  if ((static_cast<uint32_t>(c) >> 24) != 0)
    std::snprintf(buf, sizeof buf, "&H%08X", static_cast<uint32_t>(c));
  else
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

std::string FontText(const FontDef& f) {
  std::string s = Utf8(f.Name.Trimmed()) + " " + std::to_string(f.Size) + "pt";
  if (f.Bold) s += " bold";
  if (f.Italic) s += " italic";
  return s + ", text " + Colour(f.ForeColor) + " on " + Colour(f.BackColor);
}

int Info(const Args& a) {
  if (a.size() != 1) return Usage();
  FormHeader h;
  int64_t size = 0;
  std::string why;
  if (!LoadForShow(a[0], h, size, why)) return Error(why);

  std::printf("File:          %s (%lld bytes)\n", DatabaseFile(a[0]).c_str(), static_cast<long long>(size));
  std::printf("Records:       %d of %d bytes\n", h.RecordCount, h.RecordLength);
  const int64_t expected = kHeaderSize + static_cast<int64_t>(h.RecordCount) * h.RecordLength;
  if (expected != size)
    std::printf("               (the records need %lld bytes: the file length does not agree)\n",
                static_cast<long long>(expected));
  std::printf("Form:          %d x %d twips, background %s\n", h.Props.Width, h.Props.Height,
              Colour(h.Props.BackColor).c_str());
  std::printf("Field font:    %s\n", FontText(h.Props.FieldFont).c_str());
  std::printf("Banner font:   %s\n", FontText(h.Props.BannerFont).c_str());
  std::printf("Date order:    %s\n", h.DateOrder == 2 ? "month/day/year" : "day/month/year");
  std::printf("Orientation:   %s\n", h.Orientation == 2 ? "landscape" : "portrait");
  std::printf("Password:      %s\n", h.Password.Trimmed().empty() ? "none" : "set");
  const std::string script = h.Script.Trimmed();
  std::printf("Script:        %zu characters\n", script.size());

  std::printf("Fields:        %d\n", h.FieldCount);
  if (h.FieldCount > 0)
    std::printf("  %4s  %-32s %4s %6s %6s  %s\n", "Slot", "Name", "Page", "Offset", "Length", "Format");
  for (int k = 1; k <= h.FieldCount; ++k) {
    const FieldDef& f = h.Fields[k];
    std::printf("  %4d  %-32s %4d %6d %6d  %s\n", k, Utf8(f.Name.Trimmed()).c_str(), f.Page, f.Offset,
                f.Length, Utf8(f.Format.Trimmed()).c_str());
  }
  int banners = 0;
  for (int k = 1; k <= kMaxBanners; ++k) banners += h.Banners[k].Page != 0;
  std::printf("Banners:       %d\n", banners);
  for (int k = 1; k <= kMaxBanners; ++k) {
    const BannerDef& b = h.Banners[k];
    if (b.Page == 0) continue;
    std::printf("  %4d  page %d at %d,%d  \"%s\"\n", k, b.Page, b.X, b.Y, Utf8(b.Caption.Trimmed()).c_str());
  }
  std::printf("Page headings:\n");
  for (int p = 1; p <= kMaxPages; ++p) {
    const std::string t = h.PageHeadings[p].Trimmed();
    if (!t.empty()) std::printf("  %4d  %s\n", p, Utf8(t).c_str());
  }
  return 0;
}

int Dump(const Args& a) {
  bool json = false, withPassword = false;
  std::string file;
  for (const std::string& s : a) {
    if (s == "--json") json = true;
    else if (s == "--with-password") withPassword = true;
    else if (file.empty()) file = s;
    else return Usage();
  }
  if (!json || file.empty()) return Usage();
  FormHeader h;
  int64_t size = 0;
  std::string why;
  if (!LoadForShow(file, h, size, why)) return Error(why);
  std::printf("%s\n", qfd::DefinitionToJson(h, withPassword).dump(2).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  qfd::StderrHost host;
  SetHost(&host);
  if (argc < 2) return Usage();
  const std::map<std::string, std::function<int(const Args&)>> commands = {
      {"info", Info},
      {"dump", Dump},
  };
  const auto it = commands.find(argv[1]);
  if (it == commands.end()) return Usage();
  try {
    return it->second(Args(argv + 2, argv + argc));
  } catch (const std::exception& e) {
    return Error(e.what());
  }
}
