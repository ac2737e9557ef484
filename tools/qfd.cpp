// qfd: the command-line companion for form databases.
//
//   qfd info FILE              what the database holds (never its password)
//   qfd dump --json FILE       the whole definition as JSON
//   qfd create --from DEF.json OUT             a new database from a JSON definition
//   qfd resave FILE --from DEF.json --recover yes|no [--allow-loss]
//                              save a changed definition over a database
//   qfd add FILE NAME=VALUE ...                append a record; prints its number
//   qfd get FILE N [--json]                    show record N
//   qfd set FILE N NAME=VALUE ...              change fields of record N
//   qfd delete FILE N                          mark record N for deletion
//   qfd undelete FILE N                        take the mark off record N
//   qfd export FILE OUT [--format NAME] [--fields A,B] [--rfc4180 [--utf8]] [--with-deleted]
//                                              the export window's CSV, Stata, SPSS,
//                                              spreadsheet or SQLite file
//   qfd push FILE --to URL|FILE.sqlite --key FIELD --site NAME [--history]
//                                              copy the records into a central database
//   qfd import FILE IN.csv [--ignore-unknown] [--skip-bad] [--dry-run]
//                          [--encoding auto|utf-8|windows-1252] [--rfc4180]
//                                              append the rows of a CSV file
//   qfd pack FILE --yes                        remove the marked records
//   qfd check FILE                             layout and length consistency
//   qfd check FILE --data [--csv]              every declared check over every record
//   qfd accept FILE N RULE --note TEXT         record N is an accepted exception to RULE
//   qfd history FILE [N] [--csv] | --start     the change history, newest first
//   qfd verify FILE --start|--status           double entry: turn verification on, its progress
//   qfd compare A B --key FIELD [--csv]        the differences of two files of one form
//   qfd stats FILE [--csv]                     the keying statistics per session and per clerk
//
// The record commands go through the engine exactly as the windows do: the same
// checks, messages and writers' lock. Values are UTF-8 on the command line and
// Windows-1252 in the file; a line break in a value is stored as CR LF. Messages go
// to stderr; every failure exits with status 1. A value follows its field's format
// as typing it into the entry window would (case conversion and the characters the
// format admits); a "#" field is numbered by the store and takes no value. The form
// script does not run: its checks and computed fields are not applied.
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "checks/Checker.h"
#include "checks/FileCheck.h"
#include "checks/Rules.h"
#include "engine/transfer/CsvExport.h"
#include "engine/transfer/CsvImport.h"
#include "engine/HeaderFile.h"
#include "engine/HeaderLayout.h"
#include "engine/files/DatabaseFile.h"
#include "engine/history/History.h"
#include "engine/modDB.h"
#include "engine/store/SaveLoss.h"
#include "engine/ValueRules.h"
#include "engine/transfer/Transfer.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"
#include "tools/DefinitionJson.h"
#include "tools/StderrHost.h"
#include "verify/Compare.h"
#include "verify/Statistics.h"
#include "verify/Verification.h"

namespace {

using Args = std::vector<std::string>;

const char* kUsage =
               "usage: qfd info FILE\n"
               "       qfd dump --json [--with-password] FILE\n"
               "       qfd create --from DEF.json OUT\n"
               "       qfd resave FILE --from DEF.json --recover yes|no [--allow-loss]\n"
               "       qfd add FILE NAME=VALUE ...\n"
               "       qfd get FILE N [--json]\n"
               "       qfd set FILE N NAME=VALUE ...\n"
               "       qfd delete FILE N\n"
               "       qfd undelete FILE N\n"
               "       qfd export FILE OUT.csv|.dta|.sav|.xlsx|.sqlite [--format NAME] [--fields A,B,...]\n"
               "                  [--rfc4180 [--utf8]] [--with-deleted]\n"
               "       qfd push FILE --to URL|FILE.sqlite --key FIELD --site NAME [--history]\n"
               "       qfd import FILE IN.csv [--ignore-unknown] [--skip-bad] [--dry-run]\n"
               "                  [--encoding auto|utf-8|windows-1252] [--rfc4180]\n"
               "       qfd pack FILE --yes\n"
               "       qfd check FILE [--data [--csv]]\n"
               "       qfd accept FILE N RULE --note TEXT\n"
               "       qfd history FILE [N] [--csv] | qfd history FILE --start\n"
               "       qfd verify FILE --start | --status\n"
               "       qfd compare A.Qfd B.Qfd --key FIELD [--csv]\n"
               "       qfd stats FILE [--csv]\n"
               "       qfd --help | --version\n"
               "       qfd --wait SECONDS COMMAND ...   (give up waiting for another program then)\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int Help() {
  std::fputs(kUsage, stdout);
  std::fputs("\n"
             "Works on form databases (FILE or FILE.Qfd) as the entry window does: the same\n"
             "checks and messages, and the writers' lock shared with every other program.\n"
             "Values are given as UTF-8 and stored in Windows-1252 (a character outside it\n"
             "becomes \"?\"). Each value follows its field's format: upper, lower or proper\n"
             "case, and only the characters the format lets the user type; a \"#\" field is\n"
             "numbered by the store. The form script does not run: its Update checks and the\n"
             "fields it would compute are not applied.\n"
             "resave --recover yes refuses when the records would lose values (a shorter\n"
             "field cuts them, a field that is gone drops them) unless --allow-loss is given;\n"
             "so does --recover no of a database that holds records (the new file has none:\n"
             "they stay only in FILE.Bak until the next save or pack).\n"
             "export --rfc4180 writes what spreadsheets read back (quotes doubled, line\n"
             "breaks kept inside quotes); --utf8 makes it UTF-8 with a byte order mark;\n"
             "--with-deleted adds a column #Deleted (\"*\" for a record marked for deletion).\n"
             "OUT.csv may be a pipe, FIFO or terminal (written as a stream) or a link (its\n"
             "file is written).\n"
             "export chooses the format by OUT's extension (.csv, .dta Stata, .sav SPSS,\n"
             ".xlsx, .sqlite) or --format csv|dta|sav|xlsx|sqlite: one typed column per\n"
             "field (numbers, dates, times, text), labelled by the banner that names the\n"
             "field; blank is missing; --with-deleted adds a column _deleted (1 marked).\n"
             "push copies the records into the table named after FILE's base name in a\n"
             "PostgreSQL database (any libpq connection string or URL) or an SQLite file,\n"
             "in one transaction: new keys inserted, changed rows updated, per --site. A row\n"
             "changed at the centre since this site pushed it is not overwritten: its\n"
             "differing values are listed (CSV: key,field,centre,ours) and push exits 1\n"
             "after writing the rest. --history also copies FILE.Qfh's new lines.\n"
             "import reads such a file, or the plain export, which keeps no leading blanks\n"
             "and cannot say where a value holding a quote ends (such values are refused;\n"
             "--rfc4180 reads a file whose heading looks plain as a spreadsheet's): the\n"
             "first line names the fields (\"#\" and RECNO are ignored), every row is\n"
             "checked as an update in the entry window checks it, and if any row is refused\n"
             "nothing is written (--skip-bad writes the good rows and puts the refused ones\n"
             "in IN.rejected.csv; --dry-run only checks). The text is UTF-8 when it has a\n"
             "byte order mark or is plainly UTF-8, otherwise Windows-1252 (always for this\n"
             "program's export without a mark); the encoding taken is shown.\n"
             "history prints the change history kept in FILE.Qfh (all of it, or record N\n"
             "followed through packs), newest first; --csv prints its lines as stored, with\n"
             "the heading. --start starts keeping it: from then on every change by any of\n"
             "our programs is written there first (time, user, host, program, operation,\n"
             "record, field, value before and after), and a change whose history cannot be\n"
             "written is not made.\n"
             "create and resave --from also take the checks a definition declares (a\n"
             "field's \"Min\", \"Max\", \"Legal\", \"RequiredIf\", \"Skip\", and the form's\n"
             "\"Checks\") and keep them in FILE.Qfc; a definition that declares none leaves\n"
             "FILE.Qfc as it is. dump --json shows them.\n"
             "check --data runs every declared check over every live record and prints\n"
             "record, \"#\" number, field, rule, value and message, then the count per rule\n"
             "(--csv: CSV with the heading Record,Number,Field,Rule,Value,Message, the counts\n"
             "on standard error); it exits 1 when a hard rule is broken. accept marks record\n"
             "N as an accepted exception to RULE (as check --data names it) with a note, kept\n"
             "in FILE.Qfe and the history; later checks leave it out while the value stays.\n"
             "verify --start turns double entry on (FILE.Qfv, and the history): a second\n"
             "clerk keys each record again in the entry window (Record, Verify); --status\n"
             "prints how many records are verified, not yet verified and changed since.\n"
             "compare pairs the records of two files by the key field and prints, per key,\n"
             "the fields that differ and the keys found in one file only (--csv: the heading\n"
             "Key,Field,A,B; such a key has the field (record)); it exits 0 when the files\n"
             "agree, 1 when they differ, 2 on an error. stats prints the keying statistics\n"
             "kept in FILE.Qfs per session and per clerk.\n"
             "Exit status: 0 done, 1 refused or failed (the reason on standard error), 2 usage.\n",
             stdout);
  return 0;
}

int Error(const std::string& text) {
  std::fprintf(stderr, "qfd: %s\n", text.c_str());
  return 1;
}

// The file of a database name: base + ".Qfd", as every program builds it.
std::string DatabaseFile(std::string name) { return modDB::BaseFileName(name) + ".Qfd"; }

// Reads and checks a header for showing it: counts must be possible.
bool LoadForShow(const std::string& name, modDB::FormHeader& h, int64_t& size, std::string& why) {
  const std::string file = DatabaseFile(name);
  if (!modDB::ReadHeaderFile(file, h, why, &size)) return false;
  if (std::string bad = modDB::CheckCounts(h); !bad.empty()) {
    why = file + " is damaged: " + bad;
    return false;
  }
  return true;
}

std::string Utf8(const std::string& s) { return modLIB::Cp1252ToUtf8(s); }

using qfd::Shown;

// Writes a line that may hold zero bytes.
void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

std::string Colour(int32_t c) {
  char buf[16];
  if ((static_cast<uint32_t>(c) >> 24) != 0)
    std::snprintf(buf, sizeof buf, "&H%08X", static_cast<uint32_t>(c));
  else
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

std::string FontText(const modDB::FontDef& f) {
  std::string s = Shown(f.Name.Trimmed()) + " " + std::to_string(f.Size) + "pt";
  if (f.Bold) s += " bold";
  if (f.Italic) s += " italic";
  return s + ", text " + Colour(f.ForeColor) + " on " + Colour(f.BackColor);
}

// Every damage of a header that check and info report, in slot order; none for a
// sound database.
std::vector<std::string> Problems(const modDB::FormHeader& h, int64_t size) {
  std::vector<std::string> problems;
  if (std::string bad = modDB::CheckLayout(h); !bad.empty()) problems.push_back(bad);
  if (problems.empty()) {
    const int64_t expected = modDB::kHeaderSize + static_cast<int64_t>(h.RecordCount) * h.RecordLength;
    if (size < expected)  // more is a leftover (see Check), no damage
      problems.push_back("the file has " + std::to_string(size) + " bytes; " + std::to_string(h.RecordCount) +
                         " records of " + std::to_string(h.RecordLength) + " bytes need " +
                         std::to_string(expected));
    std::set<std::string> names;
    for (int k = 1; k <= h.FieldCount; ++k) {
      const std::string name = h.Fields[k].Name.Trimmed();
      if (!modLIB::IsValidName(name))
        problems.push_back("field " + std::to_string(k) + " has the invalid name \"" + Shown(name) + "\"");
      else if (!names.insert(name).second)
        problems.push_back("field " + std::to_string(k) + " repeats the name \"" + Shown(name) + "\"");
    }
    if (h.FieldCount == 0) problems.push_back("no fields are defined");
  }
  return problems;
}

int Info(const Args& a) {
  if (a.size() != 1) return Usage();
  modDB::FormHeader h;
  int64_t size = 0;
  std::string why;
  const std::string file = DatabaseFile(a[0]);
  if (!modDB::ReadHeaderFile(file, h, why, &size)) return Error(why);

  // What can be read is shown, whatever the damage; the damage follows.
  std::printf("File:          %s (%lld bytes)\n", file.c_str(), static_cast<long long>(size));
  std::printf("Records:       %d of %d bytes\n", h.RecordCount, h.RecordLength);
  std::printf("Open:          %s\n",
              modDB::OpenInOtherPrograms(file) != 0 ? "in another program now" : "in no other program now");
  const int64_t expected = modDB::kHeaderSize + static_cast<int64_t>(h.RecordCount) * h.RecordLength;
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
  const int listed = std::clamp<int>(h.FieldCount, 0, modDB::kMaxFields);
  if (listed > 0)
    std::printf("  %4s  %-32s %4s %6s %6s  %s\n", "Slot", "Name", "Page", "Offset", "Length", "Format");
  for (int k = 1; k <= listed; ++k) {
    const modDB::FieldDef& f = h.Fields[k];
    std::printf("  %4d  %-32s %4d %6d %6d  %s\n", k, Shown(f.Name.Trimmed()).c_str(), f.Page, f.Offset,
                f.Length, Shown(f.Format.Trimmed()).c_str());
  }
  int banners = 0;
  for (int k = 1; k <= modDB::kMaxBanners; ++k) banners += h.Banners[k].Page != 0;
  std::printf("Banners:       %d\n", banners);
  for (int k = 1; k <= modDB::kMaxBanners; ++k) {
    const modDB::BannerDef& b = h.Banners[k];
    if (b.Page == 0) continue;
    std::printf("  %4d  page %d at %d,%d  \"%s\"\n", k, b.Page, b.X, b.Y, Shown(b.Caption.Trimmed()).c_str());
  }
  std::printf("Page headings:\n");
  for (int p = 1; p <= modDB::kMaxPages; ++p) {
    const std::string t = h.PageHeadings[p].Trimmed();
    if (!t.empty()) std::printf("  %4d  %s\n", p, Shown(t).c_str());
  }
  std::fflush(stdout);
  const std::vector<std::string> problems = Problems(h, size);
  for (const std::string& p : problems) std::fprintf(stderr, "qfd: %s: %s\n", file.c_str(), p.c_str());
  return problems.empty() ? 0 : 1;
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
  modDB::FormHeader h;
  int64_t size = 0;
  std::string why;
  if (!LoadForShow(file, h, size, why)) return Error(why);
  qfchecks::Rules rules;
  if (why = qfchecks::ReadRules(file, rules); !why.empty()) return Error(why);
  std::printf("%s\n", qfd::DefinitionToJson(h, withPassword, &rules).dump(2).c_str());
  return 0;
}

qfd::StderrHost* g_host = nullptr;  // questions are answered from the command's flags

// ---- Definitions ---------------------------------------------------------------

// A definition is a few kilobytes; anything past this is not one (and /dev/zero
// would never end).
constexpr size_t kMaxDefinition = size_t{1} << 20;

bool ReadDefinition(const std::string& path, nlohmann::json& j, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot read " + path;
    return false;
  }
  std::string text(kMaxDefinition + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxDefinition) {
    why = path + " is larger than 1 MB; a definition is far smaller";
    return false;
  }
  try {
    j = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& e) {
    why = path + " is not valid JSON: " + e.what();
    return false;
  }
  return true;
}

// Declared checks must be applicable to the definition in hand before anything is
// written.
bool RulesApply(const qfchecks::Rules& rules) {
  qfchecks::Checker c;
  if (const std::string fault = c.Prepare(modDB::GetHeader(), rules); !fault.empty()) {
    Error("the checks cannot be applied; nothing was written: " + fault);
    return false;
  }
  return true;
}

int SaveRules(const std::string& name, const qfchecks::Rules& rules) {
  if (const std::string why = qfchecks::WriteRules(name, rules); !why.empty()) return Error(why);
  return 0;
}

int Create(const Args& a) {
  std::string def, out;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "--from" && i + 1 < a.size()) def = a[++i];
    else if (out.empty()) out = a[i];
    else return Usage();
  }
  if (def.empty() || out.empty()) return Usage();
  const std::string file = DatabaseFile(out);
  if (std::filesystem::exists(file)) return Error(file + " already exists; use resave to change its definition");
  nlohmann::json j;
  std::string why;
  if (!ReadDefinition(def, j, why)) return Error(why);
  qfchecks::Rules rules;
  bool declared = false;
  if (!qfd::DefinitionFromJson(j, &rules, &declared)) return 1;
  if (declared && !RulesApply(rules)) return 1;
  if (modDB::SaveHeader(out) != 1) return 1;
  return declared ? SaveRules(out, rules) : 0;
}

int Resave(const Args& a) {
  std::string def, recover, target;
  bool allowLoss = false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "--from" && i + 1 < a.size()) def = a[++i];
    else if (a[i] == "--recover" && i + 1 < a.size()) recover = a[++i];
    else if (a[i] == "--allow-loss") allowLoss = true;
    else if (target.empty()) target = a[i];
    else return Usage();
  }
  if (def.empty() || target.empty() || (recover != "yes" && recover != "no")) return Usage();
  const std::string file = DatabaseFile(target);
  modDB::FormHeader old;
  int64_t size = 0;
  std::string why;
  if (!modDB::ReadHeaderFile(file, old, why, &size)) return Error(why);
  nlohmann::json j;
  if (!ReadDefinition(def, j, why)) return Error(why);
  qfchecks::Rules rules;
  bool declared = false;
  if (!qfd::DefinitionFromJson(j, &rules, &declared)) return 1;
  if (declared && !RulesApply(rules)) return 1;
  // A definition dumped without its password keeps the database's password.
  if (!j.contains("Password")) {
    std::string password = old.Password.Trimmed();
    modDB::SetPassword(password);
  }
  // Recovered records lose the values a shorter or missing field cannot take: said
  // before anything is written, and done only when allowed.
  if (recover == "yes") {
    std::vector<modDB::SaveLoss> losses;
    if (!modDB::CountSaveLoss(target, losses, why)) return Error(why);
    if (!losses.empty() && !allowLoss)
      return Error("recovering the records would lose values; nothing was written (give --allow-loss to save "
                   "anyway): " + Shown(modDB::SaveLossText(losses, "; ")));
  }
  // Not recovering leaves the records in the backup alone: a loss, done only when allowed.
  if (recover == "no" && old.RecordCount > 0) {
    if (!allowLoss)
      return Error("--recover no leaves " + file + " with no records: its " + std::to_string(old.RecordCount) +
                   " stay only in the backup until the next save or pack; nothing was written (give --allow-loss "
                   "to save anyway)");
    g_host->answers = {modDB::vbNo, modDB::vbYes};
  }
  g_host->answer = recover == "yes" ? modDB::vbYes : modDB::vbNo;
  if (modDB::SaveHeader(target) != 1) return 1;
  return declared ? SaveRules(target, rules) : 0;
}

// ---- Records -------------------------------------------------------------------

// Opens the database of the command; the engine has said why when it cannot.
bool Open(std::string name) { return modDB::OpenDatabase(name) == 1; }

bool RecordNumber(const std::string& text, int32_t& n) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 1 || v > modDB::kMaxRecords) return false;
  n = static_cast<int32_t>(v);
  return true;
}

// A value from the command line in the file's code page, line breaks as CR LF.
std::string StoredValue(const std::string& utf8) {
  std::string v;
  for (char c : modLIB::Utf8ToCp1252(utf8)) {
    if (c == '\r') continue;
    if (c == '\n') v += '\r';
    v += c;
  }
  return v;
}

bool HasFlag(const modDB::FieldDef& f, char flag) { return f.Format.Trimmed().find(flag) != std::string::npos; }

struct Assignment {
  int16_t slot;
  std::string value;
};

// Parses NAME=VALUE arguments against the open definition. Every problem is told
// before anything is written: unknown names, repeated names, values that do not fit.
bool Assignments(const Args& a, size_t from, std::vector<Assignment>& out) {
  bool ok = true;
  std::set<int16_t> seen;
  for (size_t i = from; i < a.size(); ++i) {
    const size_t eq = a[i].find('=');
    if (eq == std::string::npos || eq == 0) {
      Error("\"" + a[i] + "\" is not NAME=VALUE");
      ok = false;
      continue;
    }
    const std::string name = modLIB::Utf8ToCp1252(a[i].substr(0, eq));
    const int16_t slot = modDB::FindField(name);
    if (slot == 0) {
      Error("no field named \"" + a[i].substr(0, eq) + "\" in " + modDB::GetDatabaseName() + ".Qfd");
      ok = false;
      continue;
    }
    if (!seen.insert(slot).second) {
      Error("field \"" + a[i].substr(0, eq) + "\" is given twice");
      ok = false;
      continue;
    }
    modDB::FieldDef f;
    modDB::GetFieldDef(slot, f);
    const std::string format = f.Format.Trimmed();
    if (HasFlag(f, '#')) {
      Error("\"" + a[i].substr(0, eq) + "\" is numbered by the store; it takes no value");
      ok = false;
      continue;
    }
    // Blanks at the end are the field's padding, as the import takes them.
    std::string value(modLIB::TrimRightView(StoredValue(a[i].substr(eq + 1))));
    if (const size_t bad = modDB::RefusedChar(format, value); bad != std::string::npos) {
      Error("the value for \"" + a[i].substr(0, eq) + "\" holds \"" + Shown(value.substr(bad, 1)) +
            "\", which its format " + Shown(format) + " does not allow");
      ok = false;
      continue;
    }
    value = modDB::CasedValue(format, value);
    if (modDB::FormatRules(format).IsTime()) value = modDB::TimeAsStored(value);  // "9:30" is "09:30:00"
    if (static_cast<int>(value.size()) > f.Length) {
      Error("the value for \"" + a[i].substr(0, eq) + "\" has " + std::to_string(value.size()) +
            " characters; the field holds " + std::to_string(f.Length));
      ok = false;
      continue;
    }
    out.push_back({slot, std::move(value)});
  }
  return ok;
}

// The checks an update in the entry window makes before it saves, in slot order,
// with its messages: dates, times, required fields. A yes/no field holds "Y", "N"
// or nothing, as its keys allow.
bool ValidRecord() {
  for (int16_t k = 1; k <= modDB::GetFieldCount(); ++k) {
    modDB::FieldDef f;
    std::string v;
    if (!modDB::GetFieldDef(k, f) || !modDB::ReadField(k, v)) continue;
    const modDB::SaveCheck check = modDB::CheckForSave(f.Format.Trimmed(), v, modDB::GetDateOrder());
    if (check == modDB::SaveCheck::YesNo) {
      Error("the value for \"" + Utf8(f.Name.Trimmed()) + "\" is Y, N or nothing");
      return false;
    }
    if (check != modDB::SaveCheck::Ok) {
      modDB::Fail("UPDATE", "Field: " + f.Name.Trimmed() + ", " + modDB::SaveCheckText(check, modDB::GetDateOrder()));
      return false;
    }
  }
  return true;
}

int Add(const Args& a) {
  if (a.empty()) return Usage();
  if (!Open(a[0])) return 1;
  std::vector<Assignment> values;
  if (!Assignments(a, 1, values)) return 1;
  modDB::ClearRecord();
  for (const Assignment& v : values) modDB::WriteField(v.slot, v.value);
  // "#" fields (which take no value) carry the new record's number: the store puts it
  // in with the record, under the writers' lock.
  for (int16_t k = 1; k <= modDB::GetFieldCount(); ++k) {
    modDB::FieldDef f;
    if (modDB::GetFieldDef(k, f) && HasFlag(f, '#')) modDB::WriteField(k, modDB::AutoNumberText(modDB::NextAutoNumber()));
  }
  if (!ValidRecord() || modDB::AddRecord() != 1) return 1;
  const int32_t n = modDB::GetRecordNo();
  std::printf("%d\n", n);
  return 0;
}

bool OpenAt(const Args& a, int32_t& n) {
  if (!RecordNumber(a[1], n)) {
    Error("\"" + a[1] + "\" is not a record number");
    return false;
  }
  if (!Open(a[0])) return false;
  return modDB::SetRecordNo(n) == 1;
}

int Get(const Args& a) {
  if (a.size() < 2 || a.size() > 3 || (a.size() == 3 && a[2] != "--json")) return Usage();
  int32_t n = 0;
  if (!OpenAt(a, n)) return 1;
  const bool deleted = modDB::IsDeleted() != 0;
  if (a.size() == 3) {
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    for (int16_t k = 1; k <= modDB::GetFieldCount(); ++k) {
      modDB::FieldDef f;
      std::string v;
      if (modDB::GetFieldDef(k, f) && modDB::ReadField(k, v)) fields[Utf8(f.Name.Trimmed())] = Utf8(v);
    }
    nlohmann::ordered_json j = {{"Record", n}, {"Deleted", deleted}, {"Fields", fields}};
    std::printf("%s\n", j.dump(2).c_str());
    return 0;
  }
  std::printf("Record %d of %d%s\n", n, modDB::GetRecordCount(), deleted ? " (marked for deletion)" : "");
  for (int16_t k = 1; k <= modDB::GetFieldCount(); ++k) {
    modDB::FieldDef f;
    std::string v;
    if (modDB::GetFieldDef(k, f) && modDB::ReadField(k, v)) PrintLine(Shown(f.Name.Trimmed()) + ": " + Shown(v));
  }
  return 0;
}

int Set(const Args& a) {
  if (a.size() < 3) return Usage();
  int32_t n = 0;
  if (!OpenAt(a, n)) return 1;
  std::vector<Assignment> values;
  if (!Assignments(a, 2, values)) return 1;
  for (const Assignment& v : values) modDB::WriteField(v.slot, v.value);
  if (!ValidRecord()) return 1;
  // Only the named fields are written, under the lock: a change another program made
  // to the others, or to the deletion mark, meanwhile is kept.
  std::vector<modDB::FieldValue> fields;
  for (const Assignment& v : values) fields.push_back({v.slot, v.value});
  return modDB::WriteFieldsOf(n, fields, "WRITE RECORD") == 1 ? 0 : 1;
}

int Delete(const Args& a) {
  if (a.size() != 2) return Usage();
  int32_t n = 0;
  if (!OpenAt(a, n)) return 1;
  if (modDB::IsDeleted() != 0) return modDB::DeleteRecord() == 1 ? 0 : 1;  // it says the record is marked already
  // Only the mark is written: a value another program saved meanwhile stays.
  return modDB::WriteFieldsOf(n, {}, "DELETE RECORD", '*') == 1 ? 0 : 1;
}

int Undelete(const Args& a) {
  if (a.size() != 2) return Usage();
  int32_t n = 0;
  if (!OpenAt(a, n)) return 1;
  return modDB::UndeleteRecord() == 1 ? 0 : 1;  // only the mark is written
}

int Export(const Args& a) {
  std::string file, out, names, formatName;
  bool haveFields = false;
  modDB::ExportOptions options;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "--rfc4180") options.csv.rfc4180 = true;
    else if (a[i] == "--utf8") options.csv.utf8 = true;
    else if (a[i] == "--with-deleted") options.withDeleted = true;
    else if (a[i] == "--format" && i + 1 < a.size()) formatName = a[++i];
    else if (a[i] == "--fields" && i + 1 < a.size()) {
      names = a[++i];
      haveFields = true;
    } else if (file.empty()) file = a[i];
    else if (out.empty()) out = a[i];
    else return Usage();
  }
  if (file.empty() || out.empty()) return Usage();
  // The format: named, else by the file's extension; a file without one of ours is CSV.
  std::optional<modDB::ExportFormat> format = formatName.empty() ? modDB::ExportFormatOfFile(out)
                                                                 : modDB::ExportFormatNamed(formatName);
  if (!format && !formatName.empty())
    return Error("unknown format \"" + formatName + "\" (csv, dta, sav, xlsx or sqlite)");
  if (!format) format = modDB::ExportFormat::Csv;
  if (options.csv.utf8 && !options.csv.rfc4180) return Error("--utf8 goes with --rfc4180");
  if (options.csv.rfc4180 && format != modDB::ExportFormat::Csv) return Error("--rfc4180 goes with a CSV export");
  if (!Open(file)) return 1;
  std::vector<bool> selected(modDB::kMaxFields + 1, !haveFields);
  if (haveFields) {
    std::stringstream list(names);
    std::string name;
    while (std::getline(list, name, ',')) {
      if (name.empty()) continue;
      const int16_t slot = modDB::FindField(modLIB::Utf8ToCp1252(name));
      if (slot == 0) return Error("no field named \"" + name + "\" in " + modDB::GetDatabaseName() + ".Qfd");
      selected[slot] = true;
    }
  }
  // The legal values the form declares go out as value labels.
  qfchecks::Rules rules;
  if (const std::string why = qfchecks::ReadRules(file, rules); !why.empty()) return Error(why);
  for (auto& [slot, legal] : qfchecks::LegalValuesBySlot(modDB::GetHeader(), rules))
    for (const qfchecks::LegalValue& v : legal) options.labels.values[slot].push_back({v.Code, v.Label});
  return modDB::ExportTo(out, *format, selected, options) == 1 ? 0 : 1;
}

// A connection string as messages show it: a password in it is never shown.
std::string Redacted(std::string to) {
  const size_t scheme = to.find("://");
  const size_t at = scheme == std::string::npos ? std::string::npos : to.find('@', scheme);
  const size_t colon = at == std::string::npos ? std::string::npos : to.find(':', scheme + 3);
  if (colon != std::string::npos && colon < at) to.replace(colon + 1, at - colon - 1, "***");
  for (size_t p = 0; (p = to.find("password=", p)) != std::string::npos; p += 12) {
    const size_t end = std::min(to.find_first_of(" &", p), to.size());
    to.replace(p + 9, end - p - 9, "***");
  }
  return to;
}

// Copies the records into the centre; conflicts are listed on stdout.
int Push(const Args& a) {
  std::string file;
  modDB::PushOptions options;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "--to" && i + 1 < a.size()) options.to = a[++i];
    else if (a[i] == "--key" && i + 1 < a.size()) options.key = a[++i];
    else if (a[i] == "--site" && i + 1 < a.size()) options.site = a[++i];
    else if (a[i] == "--history") options.history = true;
    else if (file.empty()) file = a[i];
    else return Usage();
  }
  if (file.empty() || options.to.empty() || options.key.empty() || options.site.empty()) return Usage();
  if (!Open(file)) return 1;
  const modDB::PushResult r = modDB::PushTo(options);
  if (!r.error.empty()) return Error("push to " + Redacted(options.to) + ": " + r.error + "; nothing was pushed");
  std::printf("%d inserted, %d updated, %d unchanged, %zu conflicts", r.inserted, r.updated, r.unchanged,
              r.conflicts.size());
  if (options.history) std::printf(", %d history lines", r.historyLines);
  std::printf("\n");
  if (r.conflicts.empty()) return 0;
  // CSV: the key, the field, the centre's value and ours.
  std::string out = "key,field,centre,ours\n";
  for (const modDB::PushConflict& c : r.conflicts) {
    modDB::AppendCsvQuoted(out, c.key);
    out += ',';
    modDB::AppendCsvQuoted(out, c.field);
    out += ',';
    modDB::AppendCsvQuoted(out, c.centre);
    out += ',';
    modDB::AppendCsvQuoted(out, c.ours);
    out += '\n';
  }
  std::fputs(out.c_str(), stdout);
  return Error("rows changed at the centre since this site pushed them were not overwritten: " +
               std::to_string(r.conflicts.size()) + " conflicting values listed");
}

int Import(const Args& a) {
  std::string file, in;
  bool skipBad = false, dryRun = false;
  modDB::CsvImportOptions options;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "--ignore-unknown") options.ignoreUnknown = true;
    else if (a[i] == "--skip-bad") skipBad = true;
    else if (a[i] == "--dry-run") dryRun = true;
    else if (a[i] == "--rfc4180") options.rfc4180 = true;
    else if (a[i] == "--encoding" && i + 1 < a.size()) {
      const std::string e = modLIB::UCase(a[++i]);
      if (e == "AUTO") options.encoding = modDB::CsvEncoding::Auto;
      else if (e == "UTF-8" || e == "UTF8") options.encoding = modDB::CsvEncoding::Utf8;
      else if (e == "WINDOWS-1252" || e == "CP1252" || e == "ANSI") options.encoding = modDB::CsvEncoding::Cp1252;
      else return Error("unknown encoding \"" + a[i] + "\": auto, utf-8 or windows-1252");
    } else if (file.empty()) file = a[i];
    else if (in.empty()) in = a[i];
    else return Usage();
  }
  if (file.empty() || in.empty()) return Usage();
  if (!Open(file)) return 1;
  modDB::CsvImport plan;
  if (modDB::ReadCsvImport(in, options, plan) != 1) return 1;
  std::printf("read as %s\n", plan.encoding.c_str());
  std::fflush(stdout);
  if (plan.plainExport)
    Error(in + " is a plain export: it keeps no blanks at the start of a value, and a value holding a "
          "double quote is refused (export with --rfc4180 for a file that reads back exactly)");
  for (const std::string& u : plan.unknown) Error("column \"" + Shown(u) + "\" names no field; it is left out");
  for (const modDB::CsvProblem& p : plan.problems) Error(Shown(ProblemText(p)));
  if (plan.replaced > 0)
    Error(std::to_string(plan.replaced) + " character(s) outside Windows-1252 became \"?\"");
  const int64_t bad = static_cast<int64_t>(plan.refused.size());
  std::printf("%lld rows read, %lld good, %lld refused\n", static_cast<long long>(plan.rows),
              static_cast<long long>(plan.good), static_cast<long long>(bad));
  if (dryRun) {
    if (modDB::CanWriteCsvImport(plan) != 1) return 1;
    return bad > 0 ? 1 : 0;
  }
  if (bad > 0 && !skipBad) return Error("nothing was imported (give --skip-bad to import the good rows)");
  if (modDB::WriteCsvImport(plan, skipBad) != 1) return 1;
  if (plan.good > 0)
    std::printf("records %d to %lld added\n", modDB::GetRecordNo(), static_cast<long long>(modDB::GetRecordNo() + plan.good - 1));
  // The refused rows once the good ones are in: a failed import leaves no such file.
  if (bad > 0) {
    std::fflush(stdout);
    if (modDB::WriteRejectedCsv(plan, modDB::RejectedFileName(in)) != 1) return 1;
    std::printf("refused rows written to %s\n", modDB::RejectedFileName(in).c_str());
  }
  return 0;
}

int Pack(const Args& a) {
  std::string file;
  bool yes = false;
  for (const std::string& s : a) {
    if (s == "--yes") yes = true;
    else if (file.empty()) file = s;
    else return Usage();
  }
  if (file.empty()) return Usage();
  if (!yes) return Error("packing replaces the file; give --yes when no one else has it open");
  if (!Open(file)) return 1;
  if (modDB::GetRecordCount() == 0) {  // nothing to remove: the file is left as it is
    std::fprintf(stderr, "qfd: %s holds no records; there is nothing to pack\n", DatabaseFile(file).c_str());
    return 0;
  }
  g_host->answer = modDB::vbYes;
  return modDB::PackRecords() == 1 ? 0 : 1;
}

std::string Csv(const std::string& cp1252) {
  const std::string s = modLIB::Cp1252ToUtf8(cp1252);
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// Every declared check over every live record.
int CheckData(const std::string& name, bool csv) {
  const std::string file = DatabaseFile(name);
  qfchecks::Rules rules;
  if (const std::string why = qfchecks::ReadRules(name, rules); !why.empty()) return Error(why);
  qfchecks::Report r;
  if (const std::string why = qfchecks::CheckFile(name, rules, r); !why.empty()) return Error(why);
  FILE* counts = csv ? stderr : stdout;
  if (csv) PrintLine("Record,Number,Field,Rule,Value,Message");
  for (const qfchecks::Finding& f : r.Findings) {
    if (csv) {
      PrintLine(std::to_string(f.Record) + "," + Csv(f.Number) + "," + Csv(f.Field) + "," + Csv(f.Rule) + "," +
                Csv(f.Value) + "," + Csv(f.Message));
      continue;
    }
    std::string line = "record " + std::to_string(f.Record);
    if (!f.Number.empty()) line += " (# " + f.Number + ")";
    line += "  " + f.Field + "  " + f.Rule + (f.Hard ? " (hard)" : "") + "  \"" + f.Value + "\"  " + f.Message;
    PrintLine(modLIB::Cp1252ToUtf8(line));
  }
  for (const auto& [rule, n] : r.Counts)
    std::fprintf(counts, "%s: %d record%s\n", modLIB::Cp1252ToUtf8(rule).c_str(), n, n == 1 ? "" : "s");
  std::fprintf(counts, "%s: %d records checked, %zu broken rule%s%s", file.c_str(), r.Records, r.Findings.size(),
               r.Findings.size() == 1 ? "" : "s", r.HardBroken ? ", a hard rule among them" : "");
  if (r.Excepted) std::fprintf(counts, ", %d accepted exception%s left out", r.Excepted, r.Excepted == 1 ? "" : "s");
  std::fprintf(counts, "\n");
  return r.HardBroken ? 1 : 0;
}

// Record N accepted as an exception to a rule it breaks.
int Accept(const Args& a) {
  std::string file, rule, note;
  int32_t n = 0;
  bool noted = false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "--note" && i + 1 < a.size()) note = modLIB::Utf8ToCp1252(a[++i]), noted = true;
    else if (file.empty()) file = a[i];
    else if (n == 0 && RecordNumber(a[i], n)) continue;
    else if (n != 0 && rule.empty()) rule = modLIB::Utf8ToCp1252(a[i]);
    else return Usage();
  }
  if (file.empty() || n == 0 || rule.empty() || !noted) return Usage();
  note = modLIB::Trim(note);
  if (note.empty()) return Error("an exception needs a note that says why it is accepted");
  qfchecks::Rules rules;
  if (const std::string why = qfchecks::ReadRules(file, rules); !why.empty()) return Error(why);
  std::vector<qfchecks::Finding> found;
  if (const std::string why = qfchecks::CheckRecordOf(file, rules, n, found); !why.empty()) return Error(why);
  const std::string wanted = modLIB::UCase(rule);
  for (const qfchecks::Finding& f : found) {
    if (modLIB::UCase(f.Rule) != wanted) continue;
    if (const std::string why = qfchecks::Accept(file, f, note); !why.empty()) return Error(why);
    std::printf("record %d: %s accepted as an exception\n", n, modLIB::Cp1252ToUtf8(f.Rule).c_str());
    return 0;
  }
  return Error("record " + std::to_string(n) + " does not break " + modLIB::Cp1252ToUtf8(rule));
}

int Check(const Args& a) {
  if (std::find(a.begin(), a.end(), "--data") != a.end()) {
    std::string file;
    bool csv = false;
    for (const std::string& s : a) {
      if (s == "--csv") csv = true;
      else if (s != "--data" && file.empty()) file = s;
      else if (s != "--data") return Usage();
    }
    return file.empty() ? Usage() : CheckData(file, csv);
  }
  if (a.size() != 1) return Usage();
  const std::string file = DatabaseFile(a[0]);
  modDB::FormHeader h;
  int64_t size = 0;
  std::string why;
  if (!modDB::ReadHeaderFile(file, h, why, &size)) return Error(why);
  const std::vector<std::string> problems = Problems(h, size);
  if (problems.empty()) {
    std::printf("%s: ok, %d records of %d bytes\n", file.c_str(), h.RecordCount, h.RecordLength);
    // Bytes behind the last counted record: an append stopped before its count was
    // written left them, and the next one cuts them.
    if (const int64_t tail = size - modDB::kHeaderSize - static_cast<int64_t>(h.RecordCount) * h.RecordLength; tail > 0)
      std::printf("%s: %lld bytes behind the last record are a leftover of an append that did not finish; "
                  "the next record added cuts them\n",
                  file.c_str(), static_cast<long long>(tail));
    return 0;
  }
  for (const std::string& p : problems) std::fprintf(stderr, "qfd: %s: %s\n", file.c_str(), p.c_str());
  return 1;
}

// The change history of a database: started, or printed newest first.
int History(const Args& a) {
  std::string file;
  int32_t n = 0;
  bool csv = false, start = false;
  for (const std::string& s : a) {
    if (s == "--csv") csv = true;
    else if (s == "--start") start = true;
    else if (file.empty()) file = s;
    else if (n == 0 && RecordNumber(s, n)) continue;
    else return Usage();
  }
  if (file.empty() || (start && (csv || n != 0))) return Usage();
  const std::string db = DatabaseFile(file), path = modDB::HistoryFileOf(file);
  if (start) {
    if (const std::string why = modDB::HistoryRefusal(file); !why.empty()) return Error(why);
    if (modDB::HistoryKept(file)) return Error("the history of " + db + " is kept already, in " + path);
    if (const std::string why = modDB::StartHistory(file); !why.empty()) return Error(why);
    std::printf("the history of %s is kept in %s from now on\n", db.c_str(), path.c_str());
    return 0;
  }
  if (!modDB::HistoryKept(file))
    return Error(db + " keeps no history (qfd history " + file + " --start starts it)");
  std::vector<modDB::HistoryEntry> all;
  std::vector<modDB::HistoryDamage> damage;
  const std::string why = n != 0 ? modDB::ReadRecordHistory(file, n, all, &damage) : modDB::ReadHistory(file, all, &damage);
  if (!why.empty()) {  // a folder or a link to nothing at the history's name is said as a change says it
    const std::string refusal = modDB::HistoryRefusal(file);
    return Error(refusal.empty() ? why : refusal);
  }
  // A damaged stretch hides nothing after it: the note says where it is.
  if (const std::string note = modDB::HistoryDamageNote(file, damage); !note.empty())
    std::fprintf(stderr, "qfd: %s\n", note.c_str());
  const std::vector<modDB::HistoryEntry> shown =
      n != 0 ? std::move(all) : std::vector<modDB::HistoryEntry>(all.rbegin(), all.rend());
  if (csv) {
    PrintLine(modDB::HistoryHeading());
    for (const modDB::HistoryEntry& e : shown) PrintLine(HistoryLineText(e));
    return 0;
  }
  for (const modDB::HistoryEntry& e : shown) {
    std::string line = e.time + "  " + e.user + "@" + e.host + "  " + e.program + "  " + e.operation;
    if (!e.record.empty()) line += "  record " + e.record;
    if (!e.number.empty()) line += " (# " + e.number + ")";
    line += "  " + e.field + ": \"" + e.before + "\" -> \"" + e.after + "\"";
    PrintLine(line);
  }
  return 0;
}

int Verify(const Args& a) {
  if (a.size() != 2 || (a[1] != "--start" && a[1] != "--status")) return Usage();
  const std::string& file = a[0];
  const std::string db = DatabaseFile(file);
  if (a[1] == "--start") {
    if (qfverify::VerificationOn(file))
      return Error("the verification of " + db + " is on already, in " + qfverify::VerificationFileOf(file));
    if (const std::string why = qfverify::StartVerification(file); !why.empty()) return Error(why);
    std::printf("the verification of %s is kept in %s from now on\n", db.c_str(),
                qfverify::VerificationFileOf(file).c_str());
    return 0;
  }
  if (!qfverify::VerificationOn(file))
    return Error(db + " is not verified (qfd verify " + file + " --start turns it on)");
  qfverify::Progress p;
  if (const std::string why = qfverify::ReadProgress(file, p); !why.empty()) return Error(why);
  PrintLine(p.Text());
  return 0;
}

int Compare(const Args& a) {
  std::vector<std::string> files;
  std::string key;
  bool csv = false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "--csv") csv = true;
    else if (a[i] == "--key" && i + 1 < a.size()) key = a[++i];
    else if (a[i].rfind("--", 0) == 0) return Usage();
    else files.push_back(a[i]);
  }
  if (files.size() != 2 || key.empty()) return Usage();
  std::vector<qfverify::Difference> diffs;
  if (const std::string why = qfverify::CompareFiles(files[0], files[1], key, diffs); !why.empty()) {
    Error(why);
    return 2;
  }
  const std::string text = qfverify::CompareText(diffs, csv);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return diffs.empty() ? 0 : 1;
}

int Stats(const Args& a) {
  if (a.empty() || a.size() > 2 || (a.size() == 2 && a[1] != "--csv")) return Usage();
  std::vector<qfverify::StatRow> rows;
  if (const std::string why = qfverify::ReadStatistics(a[0], rows); !why.empty()) return Error(why);
  const std::string text = qfverify::StatisticsText(rows, a.size() == 2);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit makes a write fail (EFBIG) instead of ending the program: the
  // write gives the file back its size and says why.
  std::signal(SIGXFSZ, SIG_IGN);
  qfd::StderrHost host;
  g_host = &host;
  SetHost(&host);
  modDB::SetHistoryProgram("qfd");
  // A file another program holds is waited for: after a second qfd says what it
  // awaits and who holds it; with --wait SECONDS it gives up after that long.
  double limit = -1;
  if (argc >= 3 && std::strcmp(argv[1], "--wait") == 0) {
    char* end = nullptr;
    limit = std::strtod(argv[2], &end);
    if (*end != '\0' || !(limit >= 0)) return Usage();
    argv += 2;
    argc -= 2;
  }
  static bool gaveUp = false;
  modDB::detail::SetLockWaitHandler([limit, told = false](const modDB::detail::LockWait& w) mutable {
    if (w.over) return true;
    if (!told) {
      std::fprintf(stderr, "qfd: waiting for %s%s%s\n", w.file.c_str(), w.holders.empty() ? "" : ", which is open in ",
                   w.holders.c_str());
      told = true;
    }
    if (limit >= 0 && w.seconds >= limit) return !(gaveUp = true);
    return true;
  });
  if (argc < 2) return Usage();
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) return Help();
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("qfd %s\n", QF_VERSION);
    return 0;
  }
  const std::map<std::string, std::function<int(const Args&)>> commands = {
      {"info", Info},
      {"dump", Dump},     {"create", Create}, {"resave", Resave}, {"add", Add},
      {"get", Get},       {"set", Set},       {"delete", Delete}, {"undelete", Undelete}, {"export", Export},
      {"import", Import}, {"push", Push},
      {"pack", Pack},     {"check", Check},   {"history", History}, {"accept", Accept},
      {"verify", Verify}, {"compare", Compare}, {"stats", Stats},
  };
  const auto it = commands.find(argv[1]);
  if (it == commands.end()) return Usage();
  int status;
  try {
    status = it->second(Args(argv + 2, argv + argc));
  } catch (const std::exception& e) {
    status = Error(e.what());
  }
  return status != 0 && gaveUp ? 3 : status;
}
