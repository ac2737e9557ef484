#include "engine/transfer/Centre.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <stdexcept>

namespace modDB::transfer {

std::string Quoted(const std::string& name) {
  std::string out = "\"";
  for (const char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

bool IsSqliteFile(const std::string& to) {
  for (const char* ext : {".sqlite", ".sqlite3", ".db"}) {
    const std::string e = ext;
    if (to.size() > e.size() && to.compare(to.size() - e.size(), e.size(), e) == 0) return true;
  }
  return false;
}

namespace {

// The statements with placeholders "?" for SQLite are made from "$n" ones.
std::string Placeholders(const std::string& sql) {
  std::string out;
  for (size_t i = 0; i < sql.size(); ++i) {
    if (sql[i] == '$' && i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1]))) {
      out += '?';
      while (i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1]))) ++i;
    } else {
      out += sql[i];
    }
  }
  return out;
}

class SqliteCentre : public Centre {
 public:
  explicit SqliteCentre(const std::string& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
      Throw();
    sqlite3_busy_timeout(db_, 60000);
  }
  ~SqliteCentre() override {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }
  void Begin(const std::string&) override {
    Exec("BEGIN IMMEDIATE");
    open_ = true;
  }
  void Commit() override {
    Exec("COMMIT");
    open_ = false;
  }
  void Exec(const std::string& sql) override {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Throw();
  }
  void Query(const std::string& sql, const std::vector<std::string>& params,
             const std::function<void(const Row&)>& onRow) override {
    Statement st(*this, Placeholders(sql));
    for (size_t i = 0; i < params.size(); ++i)
      sqlite3_bind_text(st.s, static_cast<int>(i + 1), params[i].data(), static_cast<int>(params[i].size()),
                        SQLITE_TRANSIENT);
    Row row;
    for (int rc; (rc = sqlite3_step(st.s)) != SQLITE_DONE;) {
      if (rc != SQLITE_ROW) Throw();
      row.assign(static_cast<size_t>(sqlite3_column_count(st.s)), std::nullopt);
      for (int k = 0; k < sqlite3_column_count(st.s); ++k)
        if (sqlite3_column_type(st.s, k) != SQLITE_NULL)
          row[static_cast<size_t>(k)] = std::string(reinterpret_cast<const char*>(sqlite3_column_text(st.s, k)),
                                                    static_cast<size_t>(sqlite3_column_bytes(st.s, k)));
      onRow(row);
    }
  }
  void Insert(const std::string& table, const std::vector<std::string>& columns,
              const std::vector<Row>& rows) override {
    std::string sql = "INSERT INTO " + Quoted(table) + " (", values;
    for (size_t k = 0; k < columns.size(); ++k) {
      sql += (k ? ", " : "") + Quoted(columns[k]);
      values += k ? ", ?" : "?";
    }
    Run(sql + ") VALUES (" + values + ")", rows, nullptr);
  }
  void Update(const std::string& table, const std::vector<std::string>& columns, size_t keys,
              const std::vector<Row>& rows) override {
    // SET the other columns WHERE the keys: parameters in that order.
    std::string sql = "UPDATE " + Quoted(table) + " SET ", where;
    for (size_t k = keys; k < columns.size(); ++k) sql += (k > keys ? ", " : "") + Quoted(columns[k]) + " = ?";
    for (size_t k = 0; k < keys; ++k) where += (k ? " AND " : "") + Quoted(columns[k]) + " = ?";
    Run(sql + " WHERE " + where, rows, &keys);
  }
  std::vector<ColumnType> ColumnsOf(const std::string& table) override {
    std::vector<ColumnType> out;
    Query("SELECT name, type FROM pragma_table_info($1)", {table},
          [&](const Row& r) { out.push_back({r[0].value_or(""), r[1].value_or("")}); });
    return out;
  }
  std::string TypeOf(Kind kind, size_t length) const override {
    switch (kind) {
      case Kind::Integer: return "INTEGER";
      case Kind::Decimal: return "REAL";
      case Kind::Date: return "DATE";
      case Kind::Time: return "TIME";
      case Kind::Text: break;
    }
    return "VARCHAR(" + std::to_string(length) + ")";
  }

 private:
  struct Statement {
    Statement(SqliteCentre& c, const std::string& sql) {
      if (sqlite3_prepare_v2(c.db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) c.Throw();
    }
    ~Statement() { sqlite3_finalize(s); }
    sqlite3_stmt* s = nullptr;
  };
  // Runs sql once per row; with keys, the row's first *keys values are bound last.
  void Run(const std::string& sql, const std::vector<Row>& rows, const size_t* keys) {
    Statement st(*this, sql);
    for (const Row& row : rows) {
      int p = 1;
      auto bind = [&](const std::optional<std::string>& v) {
        if (v) sqlite3_bind_text(st.s, p++, v->data(), static_cast<int>(v->size()), SQLITE_STATIC);
        else sqlite3_bind_null(st.s, p++);
      };
      const size_t from = keys ? *keys : 0;
      for (size_t k = from; k < row.size(); ++k) bind(row[k]);
      for (size_t k = 0; k < from; ++k) bind(row[k]);
      if (sqlite3_step(st.s) != SQLITE_DONE) Throw();
      sqlite3_reset(st.s);
    }
  }
  [[noreturn]] void Throw() { throw std::runtime_error(sqlite3_errmsg(db_)); }
  sqlite3* db_ = nullptr;
  bool open_ = false;
};

class PgCentre : public Centre {
 public:
  explicit PgCentre(const std::string& conninfo) {
    conn_ = PQconnectdb(conninfo.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) Throw();
    PQsetClientEncoding(conn_, "UTF8");
    Exec("SET DateStyle TO ISO, YMD; SET extra_float_digits TO 1");
  }
  ~PgCentre() override {
    if (open_) PQclear(PQexec(conn_, "ROLLBACK"));
    PQfinish(conn_);
  }
  void Begin(const std::string& table) override {
    Exec("BEGIN");
    open_ = true;
    Query("SELECT pg_advisory_xact_lock(hashtext($1))", {table}, [](const Row&) {});
  }
  void Commit() override {
    Exec("COMMIT");
    open_ = false;
  }
  void Exec(const std::string& sql) override { Check(PQexec(conn_, sql.c_str()), PGRES_COMMAND_OK); }
  void Query(const std::string& sql, const std::vector<std::string>& params,
             const std::function<void(const Row&)>& onRow) override {
    std::vector<const char*> values;
    for (const std::string& p : params) values.push_back(p.c_str());
    PGresult* r = PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                               nullptr, 0);
    Result res(r);
    if (PQresultStatus(r) != PGRES_TUPLES_OK) Throw(r);
    Row row;
    for (int i = 0; i < PQntuples(r); ++i) {
      row.assign(static_cast<size_t>(PQnfields(r)), std::nullopt);
      for (int k = 0; k < PQnfields(r); ++k)
        if (!PQgetisnull(r, i, k))
          row[static_cast<size_t>(k)] = std::string(PQgetvalue(r, i, k), static_cast<size_t>(PQgetlength(r, i, k)));
      onRow(row);
    }
  }
  void Insert(const std::string& table, const std::vector<std::string>& columns,
              const std::vector<Row>& rows) override {
    if (!rows.empty()) Copy(table, columns, rows);
  }
  void Update(const std::string& table, const std::vector<std::string>& columns, size_t keys,
              const std::vector<Row>& rows) override {
    if (rows.empty()) return;
    // The new values go to a scratch table by COPY, then one UPDATE takes them over.
    Exec("CREATE TEMP TABLE qf_changed (LIKE " + Quoted(table) + ") ON COMMIT DROP");
    Copy("qf_changed", columns, rows);
    std::string sql = "UPDATE " + Quoted(table) + " t SET ", where;
    for (size_t k = keys; k < columns.size(); ++k)
      sql += (k > keys ? ", " : "") + Quoted(columns[k]) + " = c." + Quoted(columns[k]);
    for (size_t k = 0; k < keys; ++k)
      where += (k ? " AND " : "") + std::string("t.") + Quoted(columns[k]) + " = c." + Quoted(columns[k]);
    Exec(sql + " FROM qf_changed c WHERE " + where);
    Exec("DROP TABLE qf_changed");
  }
  std::vector<ColumnType> ColumnsOf(const std::string& table) override {
    std::vector<ColumnType> out;
    Query("SELECT column_name, data_type FROM information_schema.columns WHERE table_schema = current_schema() "
          "AND table_name = $1 ORDER BY ordinal_position",
          {table}, [&](const Row& r) { out.push_back({r[0].value_or(""), r[1].value_or("")}); });
    return out;
  }
  std::string TypeOf(Kind kind, size_t length) const override {
    switch (kind) {
      case Kind::Integer: return "BIGINT";
      case Kind::Decimal: return "DOUBLE PRECISION";
      case Kind::Date: return "DATE";
      case Kind::Time: return "TIME";
      case Kind::Text: break;
    }
    return "VARCHAR(" + std::to_string(length) + ")";
  }

 private:
  struct Result {
    explicit Result(PGresult* r) : r(r) {}
    ~Result() { PQclear(r); }
    PGresult* r;
  };
  void Check(PGresult* r, ExecStatusType want) {
    Result res(r);
    if (PQresultStatus(r) != want) Throw(r);
  }
  [[noreturn]] void Throw(const PGresult* r = nullptr) {
    std::string why = r ? PQresultErrorMessage(r) : PQerrorMessage(conn_);
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    throw std::runtime_error(why);
  }
  // COPY in the text format: NULL as \N; backslash, tab, line feed and carriage
  // return escaped.
  void Copy(const std::string& table, const std::vector<std::string>& columns, const std::vector<Row>& rows) {
    std::string sql = "COPY " + Quoted(table) + " (";
    for (size_t k = 0; k < columns.size(); ++k) sql += (k ? ", " : "") + Quoted(columns[k]);
    Check(PQexec(conn_, (sql + ") FROM STDIN").c_str()), PGRES_COPY_IN);
    std::string buf;
    auto flush = [&] {
      if (PQputCopyData(conn_, buf.data(), static_cast<int>(buf.size())) != 1) Throw();
      buf.clear();
    };
    for (const Row& row : rows) {
      for (size_t k = 0; k < row.size(); ++k) {
        if (k) buf += '\t';
        if (!row[k]) {
          buf += "\\N";
          continue;
        }
        for (const char c : *row[k]) {
          switch (c) {
            case '\\': buf += "\\\\"; break;
            case '\t': buf += "\\t"; break;
            case '\n': buf += "\\n"; break;
            case '\r': buf += "\\r"; break;
            default: buf += c;
          }
        }
      }
      buf += '\n';
      if (buf.size() >= (1u << 20)) flush();
    }
    flush();
    if (PQputCopyEnd(conn_, nullptr) != 1) Throw();
    Check(PQgetResult(conn_), PGRES_COMMAND_OK);
    while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);
  }
  PGconn* conn_ = nullptr;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<Centre> OpenCentre(const std::string& to) {
  if (IsSqliteFile(to)) return std::make_unique<SqliteCentre>(to);
  return std::make_unique<PgCentre>(to);
}

}  // namespace modDB::transfer
