// The exports that go through the libraries made for their formats.
#include <fcntl.h>
#include <readstat.h>
#include <sqlite3.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <stdexcept>
#include <system_error>

#include "engine/files/FileIo.h"
#include "engine/modDB.h"
#include "engine/transfer/Centre.h"
#include "engine/transfer/Table.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

namespace {

using transfer::Cell;
using transfer::Column;
using transfer::Kind;
using transfer::Table;

constexpr int32_t kStata1960 = 3653;      // days from 1960-01-01 to 1970-01-01
constexpr int32_t kSpss1582 = 141428;     // days from 1582-10-14 to 1970-01-01
constexpr int32_t kExcel1900 = 25569;     // the spreadsheet's serial of 1970-01-01
constexpr int64_t kStataInt32Max = 2147483620;  // above it Stata's int32 holds missing codes

// The mark's column: a field name never ends in "_", and SPSS names start with a letter.
const char* const kDeleted = "Deleted_";

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// UTF-8 text cut to at most n bytes, never inside a character.
std::string Cut(const std::string& s, size_t n) {
  if (s.size() <= n) return s;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

// A field's name as the statistics package takes it: its reserved words get "_" after them.
std::string StatsName(const std::string& name, bool spss) {
  static const std::set<std::string> stata = {"_all", "_b", "byte", "_coef", "_cons", "double", "float", "if",
                                              "in", "int", "long", "_n", "_N", "_pi", "_pred", "_rc", "_skip",
                                              "strL", "using", "with"};
  static const std::set<std::string> sav = {"all", "and", "by", "eq", "ge", "gt", "le", "lt", "ne", "not", "or",
                                            "to", "with"};
  const bool reserved = spss ? sav.count(Lower(name)) != 0
                             : stata.count(name) != 0 || (name.size() > 3 && name.starts_with("str") &&
                                                          std::all_of(name.begin() + 3, name.end(), ::isdigit));
  return reserved ? name + "_" : name;
}

void Check(readstat_error_t e, const char* what) {
  if (e != READSTAT_OK) throw std::runtime_error(std::string(what) + ": " + readstat_error_message(e));
}

// The file a statistics writer writes, in order.
struct Output {
  int fd = -1;
  int64_t at = 0;
};

ssize_t WriteBytes(const void* data, size_t len, void* ctx) {
  Output& out = *static_cast<Output*>(ctx);
  try {
    modDB::detail::WriteAt(out.fd, data, len, out.at);
  } catch (const std::exception&) {
    return -1;
  }
  out.at += static_cast<int64_t>(len);
  return static_cast<ssize_t>(len);
}

// Which whole-number columns hold a value beyond Stata's int32.
std::vector<bool> BeyondInt32(const Table& t) {
  std::vector<bool> beyond(t.columns.size(), false);
  bool any = false;
  for (const Column& c : t.columns) any = any || c.kind == Kind::Integer;
  if (any)
    transfer::ForEachRecord(t, [&](int32_t, bool, const std::vector<Cell>& cells) {
      for (size_t k = 0; k < cells.size(); ++k)
        if (t.columns[k].kind == Kind::Integer && !cells[k].missing &&
            (cells[k].integer > kStataInt32Max || cells[k].integer < -kStataInt32Max))
          beyond[k] = true;
    });
  return beyond;
}

void WriteStats(const Table& t, bool spss, bool withDeleted, const std::string& file) {
  struct Writer {
    readstat_writer_t* w = readstat_writer_init();
    ~Writer() { readstat_writer_free(w); }
  } writer;
  readstat_writer_t* w = writer.w;
  modDB::detail::Fd fd(modDB::detail::OpenFile(file, O_WRONLY | O_CREAT | O_TRUNC));
  Output out{fd.get(), 0};
  Check(readstat_set_data_writer(w, WriteBytes), "writer");
  Check(readstat_writer_set_file_label(w, Cut(t.name, 80).c_str()), "file label");
  if (!spss) Check(readstat_writer_set_file_format_version(w, 118), "version");

  readstat_variable_t* deleted = nullptr;
  if (withDeleted) {
    deleted = readstat_add_variable(w, kDeleted, READSTAT_TYPE_INT8, 0);
    readstat_variable_set_label(deleted, "marked for deletion");
  }
  std::vector<readstat_variable_t*> vars;
  std::vector<bool> wide = BeyondInt32(t);  // whole numbers in a double, or long texts as strL
  for (size_t k = 0; k < t.columns.size(); ++k) {
    const Column& c = t.columns[k];
    const std::string name = StatsName(c.name, spss);
    readstat_variable_t* v = nullptr;
    switch (c.kind) {
      case Kind::Integer:
        v = readstat_add_variable(w, name.c_str(), wide[k] ? READSTAT_TYPE_DOUBLE : READSTAT_TYPE_INT32, 0);
        if (spss) readstat_variable_set_format(v, ("F" + std::to_string(std::min<size_t>(c.length + 1, 40)) + ".0").c_str());
        else if (wide[k]) readstat_variable_set_format(v, "%15.0f");
        break;
      case Kind::Decimal: v = readstat_add_variable(w, name.c_str(), READSTAT_TYPE_DOUBLE, 0); break;
      case Kind::Date:
        v = readstat_add_variable(w, name.c_str(), spss ? READSTAT_TYPE_DOUBLE : READSTAT_TYPE_INT32, 0);
        readstat_variable_set_format(v, spss ? "DATE11" : "%td");
        break;
      case Kind::Time:
        v = readstat_add_variable(w, name.c_str(), READSTAT_TYPE_DOUBLE, 0);
        readstat_variable_set_format(v, spss ? "TIME8" : "%tcHH:MM:SS");
        break;
      case Kind::Text:
        wide[k] = !spss && c.width > 2045;
        v = readstat_add_variable(w, name.c_str(), wide[k] ? READSTAT_TYPE_STRING_REF : READSTAT_TYPE_STRING,
                                  std::max<size_t>(c.width, 1));
        break;
    }
    readstat_variable_set_label(v, Cut(c.label, 80).c_str());
    // Value labels: Stata labels whole numbers only; SPSS numbers and short texts.
    const bool labelled = !c.values.empty() &&
                          (c.kind == Kind::Integer ? !wide[k]
                           : spss              ? c.kind == Kind::Decimal || (c.kind == Kind::Text && c.width <= 8)
                                               : false);
    if (labelled) {
      const bool text = c.kind == Kind::Text;
      readstat_label_set_t* set = readstat_add_label_set(
          w, text ? READSTAT_TYPE_STRING : spss ? READSTAT_TYPE_DOUBLE : READSTAT_TYPE_INT32, name.c_str());
      for (const ValueLabel& l : c.values) {
        const Cell code = transfer::CodeCell(c, modLIB::Utf8ToCp1252(l.code), t.dateOrder);
        if (code.missing) continue;
        const std::string label = Cut(l.label, spss ? 120 : 32000);
        if (text) readstat_label_string_value(set, code.text.c_str(), label.c_str());
        else if (spss) readstat_label_double_value(set, c.kind == Kind::Integer ? static_cast<double>(code.integer)
                                                                                 : code.number, label.c_str());
        else readstat_label_int32_value(set, static_cast<int32_t>(code.integer), label.c_str());
      }
      readstat_variable_set_label_set(v, set);
    }
    vars.push_back(v);
  }
  // Long texts (Stata's strL) are handed to the writer before the rows that point to them.
  std::vector<readstat_string_ref_t*> refs;
  if (!spss && std::any_of(t.columns.begin(), t.columns.end(), [](const Column& c) { return c.kind == Kind::Text && c.width > 2045; }))
    transfer::ForEachRecord(t, [&](int32_t, bool, const std::vector<Cell>& cells) {
      for (size_t k = 0; k < cells.size(); ++k)
        if (t.columns[k].kind == Kind::Text && wide[k]) refs.push_back(readstat_add_string_ref(w, cells[k].text.c_str()));
    });
  size_t nextRef = 0;
  Check(spss ? readstat_begin_writing_sav(w, &out, t.count) : readstat_begin_writing_dta(w, &out, t.count),
        "begin");
  transfer::ForEachRecord(t, [&](int32_t, bool marked, const std::vector<Cell>& cells) {
    Check(readstat_begin_row(w), "row");
    if (deleted) Check(readstat_insert_int8_value(w, deleted, marked ? 1 : 0), "value");
    for (size_t k = 0; k < cells.size(); ++k) {
      const Cell& cell = cells[k];
      readstat_variable_t* v = vars[k];
      const Kind kind = t.columns[k].kind;
      readstat_error_t e = READSTAT_OK;
      if (kind == Kind::Text) {
        if (wide[k]) e = readstat_insert_string_ref(w, v, refs[nextRef++]);
        else e = readstat_insert_string_value(w, v, cell.text.c_str());
      } else if (cell.missing) {
        e = readstat_insert_missing_value(w, v);
      } else if (kind == Kind::Integer) {
        e = wide[k] ? readstat_insert_double_value(w, v, static_cast<double>(cell.integer))
                    : readstat_insert_int32_value(w, v, static_cast<int32_t>(cell.integer));
      } else if (kind == Kind::Decimal) {
        e = readstat_insert_double_value(w, v, cell.number);
      } else if (kind == Kind::Date) {
        e = spss ? readstat_insert_double_value(w, v, (cell.days + kSpss1582) * 86400.0)
                 : readstat_insert_int32_value(w, v, cell.days + kStata1960);
      } else {
        e = readstat_insert_double_value(w, v, spss ? cell.seconds : cell.seconds * 1000.0);
      }
      Check(e, "value");
    }
    Check(readstat_end_row(w), "row");
  });
  Check(readstat_end_writing(w), "end");
  modDB::detail::SyncFile(fd.get());
  modDB::detail::CloseFile(fd.release());
}

void CheckXlsx(lxw_error e) {
  if (e != LXW_NO_ERROR) throw std::runtime_error(lxw_strerror(e));
}

void WriteXlsx(const Table& t, bool withDeleted, const std::string& file) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* wb = workbook_new_opt(file.c_str(), &options);
  if (!wb) throw std::runtime_error("the workbook cannot be made");
  struct Closer {
    lxw_workbook* wb;
    ~Closer() {
      if (wb) workbook_close(wb);
    }
  } closer{wb};
  lxw_worksheet* data = workbook_add_worksheet(wb, "Data");
  lxw_format* date = workbook_add_format(wb);
  format_set_num_format(date, "yyyy-mm-dd");
  lxw_format* time = workbook_add_format(wb);
  format_set_num_format(time, "hh:mm:ss");
  lxw_col_t col = 0;
  if (withDeleted) CheckXlsx(worksheet_write_string(data, 0, col++, kDeleted, nullptr));
  for (const Column& c : t.columns) CheckXlsx(worksheet_write_string(data, 0, col++, c.name.c_str(), nullptr));
  transfer::ForEachRecord(t, [&](int32_t r, bool marked, const std::vector<Cell>& cells) {
    const lxw_row_t row = static_cast<lxw_row_t>(r);
    lxw_col_t x = 0;
    if (withDeleted) CheckXlsx(worksheet_write_number(data, row, x++, marked ? 1 : 0, nullptr));
    for (size_t k = 0; k < cells.size(); ++k, ++x) {
      const Cell& cell = cells[k];
      if (cell.missing) continue;
      switch (t.columns[k].kind) {
        case Kind::Integer: CheckXlsx(worksheet_write_number(data, row, x, static_cast<double>(cell.integer), nullptr)); break;
        case Kind::Decimal: CheckXlsx(worksheet_write_number(data, row, x, cell.number, nullptr)); break;
        case Kind::Date: CheckXlsx(worksheet_write_number(data, row, x, cell.days + kExcel1900, date)); break;
        case Kind::Time: CheckXlsx(worksheet_write_number(data, row, x, cell.seconds / 86400.0, time)); break;
        case Kind::Text: CheckXlsx(worksheet_write_string(data, row, x, cell.text.c_str(), nullptr)); break;
      }
    }
  });
  static const char* const kKinds[] = {"integer", "decimal", "date", "time", "text"};
  lxw_worksheet* vars = workbook_add_worksheet(wb, "Variables");
  lxw_worksheet* values = workbook_add_worksheet(wb, "Value labels");
  const char* const heads[] = {"name", "label", "type"};
  for (lxw_col_t x = 0; x < 3; ++x) CheckXlsx(worksheet_write_string(vars, 0, x, heads[x], nullptr));
  const char* const valueHeads[] = {"name", "value", "label"};
  for (lxw_col_t x = 0; x < 3; ++x) CheckXlsx(worksheet_write_string(values, 0, x, valueHeads[x], nullptr));
  lxw_row_t row = 1, valueRow = 1;
  for (const Column& c : t.columns) {
    CheckXlsx(worksheet_write_string(vars, row, 0, c.name.c_str(), nullptr));
    CheckXlsx(worksheet_write_string(vars, row, 1, c.label.c_str(), nullptr));
    CheckXlsx(worksheet_write_string(vars, row++, 2, kKinds[static_cast<int>(c.kind)], nullptr));
    for (const ValueLabel& l : c.values) {
      CheckXlsx(worksheet_write_string(values, valueRow, 0, c.name.c_str(), nullptr));
      CheckXlsx(worksheet_write_string(values, valueRow, 1, l.code.c_str(), nullptr));
      CheckXlsx(worksheet_write_string(values, valueRow++, 2, l.label.c_str(), nullptr));
    }
  }
  closer.wb = nullptr;
  CheckXlsx(workbook_close(wb));
}

const char* SqlType(Kind kind) {
  switch (kind) {
    case Kind::Integer: return "INTEGER";
    case Kind::Decimal: return "REAL";
    case Kind::Date: return "DATE";
    case Kind::Time: return "TIME";
    case Kind::Text: break;
  }
  return "TEXT";
}

using transfer::Quoted;

void WriteSqlite(const Table& t, bool withDeleted, const std::string& file) {
  sqlite3* db = nullptr;
  struct Closer {
    sqlite3*& db;
    ~Closer() { sqlite3_close(db); }
  } closer{db};
  auto check = [&](int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(db));
  };
  check(sqlite3_open(file.c_str(), &db));
  auto exec = [&](const std::string& sql) { check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr)); };
  exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
  std::string create = "CREATE TABLE " + Quoted(t.name) + " (", insert = "INSERT INTO " + Quoted(t.name) + " VALUES (";
  const char* sep = "";
  if (withDeleted) {
    create += std::string(kDeleted) + " INTEGER";
    insert += "?";
    sep = ", ";
  }
  for (const Column& c : t.columns) {
    create += sep + Quoted(c.name) + " " + SqlType(c.kind);
    insert += std::string(sep) + "?";
    sep = ", ";
  }
  exec(create + ")");
  exec("CREATE TABLE variable_labels (name TEXT, label TEXT, type TEXT)");
  exec("CREATE TABLE value_labels (name TEXT, value TEXT, label TEXT)");
  auto prepare = [&](const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr));
    return std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>(st, sqlite3_finalize);
  };
  auto rows = prepare(insert + ")");
  transfer::ForEachRecord(t, [&](int32_t, bool marked, const std::vector<Cell>& cells) {
    sqlite3_stmt* st = rows.get();
    int p = 1;
    if (withDeleted) sqlite3_bind_int(st, p++, marked ? 1 : 0);
    for (size_t k = 0; k < cells.size(); ++k, ++p) {
      const Cell& cell = cells[k];
      const Kind kind = t.columns[k].kind;
      if (cell.missing) sqlite3_bind_null(st, p);
      else if (kind == Kind::Integer) sqlite3_bind_int64(st, p, cell.integer);
      else if (kind == Kind::Decimal) sqlite3_bind_double(st, p, cell.number);
      else sqlite3_bind_text(st, p, cell.text.data(), static_cast<int>(cell.text.size()), SQLITE_TRANSIENT);
    }
    check(sqlite3_step(st));
    sqlite3_reset(st);
  });
  static const char* const kKinds[] = {"integer", "decimal", "date", "time", "text"};
  auto vars = prepare("INSERT INTO variable_labels VALUES (?, ?, ?)");
  auto values = prepare("INSERT INTO value_labels VALUES (?, ?, ?)");
  for (const Column& c : t.columns) {
    sqlite3_bind_text(vars.get(), 1, c.name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(vars.get(), 2, c.label.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(vars.get(), 3, kKinds[static_cast<int>(c.kind)], -1, SQLITE_STATIC);
    check(sqlite3_step(vars.get()));
    sqlite3_reset(vars.get());
    for (const ValueLabel& l : c.values) {
      sqlite3_bind_text(values.get(), 1, c.name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(values.get(), 2, l.code.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(values.get(), 3, l.label.c_str(), -1, SQLITE_TRANSIENT);
      check(sqlite3_step(values.get()));
      sqlite3_reset(values.get());
    }
  }
  rows.reset();
  vars.reset();
  values.reset();
  exec("COMMIT");
  check(sqlite3_close(db));
  db = nullptr;
}

// A file that a library wrote under its own name (the working file beside the
// target) is handed to the disk and takes the target's name through the engine's
// file calls, so that the export fails as any other write when the disk does.
void PutWrittenInPlace(const std::string& temp, const std::string& target) {
  modDB::detail::Fd fd(modDB::detail::OpenFile(temp, O_RDONLY));
  modDB::detail::SyncFile(fd.get());
  modDB::detail::CloseFile(fd.release());
  modDB::detail::RenameFile(temp, target);
}

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return Lower(path.substr(dot + 1));
}

}  // namespace

const char* ExportExtension(ExportFormat format) {
  switch (format) {
    case ExportFormat::Stata: return ".dta";
    case ExportFormat::Spss: return ".sav";
    case ExportFormat::Xlsx: return ".xlsx";
    case ExportFormat::Sqlite: return ".sqlite";
    case ExportFormat::Csv: break;
  }
  return ".csv";
}

std::string ExportFileName(const std::string& name, ExportFormat format) {
  if (format == ExportFormat::Csv) return CsvFileName(name);
  const std::string ext = ExportExtension(format);
  if (name.size() >= ext.size() && Lower(name.substr(name.size() - ext.size())) == ext) return name;
  return name + ext;
}

std::optional<ExportFormat> ExportFormatNamed(const std::string& name) {
  const std::string n = Lower(name);
  if (n == "csv") return ExportFormat::Csv;
  if (n == "dta" || n == "stata") return ExportFormat::Stata;
  if (n == "sav" || n == "spss") return ExportFormat::Spss;
  if (n == "xlsx") return ExportFormat::Xlsx;
  if (n == "sqlite") return ExportFormat::Sqlite;
  return std::nullopt;
}

std::optional<ExportFormat> ExportFormatOfFile(const std::string& path) {
  const std::string ext = Extension(path);
  if (ext == "stata" || ext == "spss") return std::nullopt;
  return ext.empty() ? std::nullopt : ExportFormatNamed(ext);
}

int16_t ExportTo(const std::string& path, ExportFormat format, const std::vector<bool>& selected,
                 const ExportOptions& options) {
  if (format == ExportFormat::Csv) {
    CsvExportOptions csv = options.csv;
    csv.withDeleted = options.withDeleted;
    return ExportCsv(path, selected, csv);
  }
  if (GetFileNumber() == 0) {
    GetRecordNo();  // the store's own "DB not open"
    return 0;
  }
  const char* title = "EXPORT";
  bool any = false;
  for (int16_t i = 1; i <= GetFieldCount(); ++i) any = any || (static_cast<size_t>(i) < selected.size() && selected[i]);
  if (!any) {
    Fail(title, "No field is selected: a " + std::string(ExportExtension(format)) + " file needs one at least");
    return 0;
  }
  std::string refusal;
  const std::string target = ExportTarget(path, refusal);
  if (!refusal.empty()) {
    Fail(title, refusal);
    return 0;
  }
  // Written beside under a passing name, and put in place once complete.
  const std::string temp = target + ".part" + std::to_string(::getpid());
  std::string failure;
  try {
    modDB::detail::CurrentEnv().Unlink(temp);
    const transfer::Table t = transfer::Prepare(selected, options.labels);
    switch (format) {
      case ExportFormat::Stata: WriteStats(t, false, options.withDeleted, temp); break;
      case ExportFormat::Spss: WriteStats(t, true, options.withDeleted, temp); break;
      case ExportFormat::Xlsx: WriteXlsx(t, options.withDeleted, temp); break;
      case ExportFormat::Sqlite: WriteSqlite(t, options.withDeleted, temp); break;
      case ExportFormat::Csv: break;
    }
    if (format == ExportFormat::Xlsx || format == ExportFormat::Sqlite) PutWrittenInPlace(temp, target);
    else modDB::detail::RenameFile(temp, target);
  } catch (const std::system_error& e) {
    failure = e.code().message();
  } catch (const std::exception& e) {
    failure = e.what();
  }
  GetHost().HidePer();
  if (!failure.empty()) {
    modDB::detail::CurrentEnv().Unlink(temp);
    Fail(title, "FILE:" + path + " cannot be written: " + failure);
    return 0;
  }
  return 1;
}

}  // namespace modDB
