// A database as another program finds it: the built qfd run as its own process, its
// JSON answer parsed. A failing qfd fails the test and gives an empty object.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/TestSupport.h"

namespace qftest {

// `qfd ARGS...`: it must end with `status` and, given `err`, write exactly that on
// standard error. Returns the run for further checks.
inline RunResult QfdEnds(const std::vector<std::string>& args, int status, std::optional<std::string> err = {}) {
  std::string shown = "qfd";
  for (const std::string& a : args) shown += " " + a;
  RunResult r = Qfd(args);
  EXPECT_EQ(r.status, status) << shown << "\n" << r.err;
  if (err) { EXPECT_EQ(r.err, *err) << shown; }
  return r;
}
// `qfd ARGS...`, which must succeed.
inline RunResult QfdOk(const std::vector<std::string>& args) { return QfdEnds(args, 0); }
// `qfd ARGS...`, which must end with `status` and write exactly `err` on standard error.
inline RunResult QfdFails(const std::vector<std::string>& args, const std::string& err, int status = 1) {
  return QfdEnds(args, status, err);
}
inline nlohmann::json QfdJson(const std::vector<std::string>& args) {
  const RunResult r = QfdOk(args);
  return r.status == 0 ? nlohmann::json::parse(r.out) : nlohmann::json{};
}
// Record n of the database: `qfd get BASE N --json`.
inline nlohmann::json QfdRecord(const std::string& base, int32_t n) {
  return QfdJson({"get", base, std::to_string(n), "--json"});
}
// The count of records, as `qfd info` says it; -1 when it says none.
inline int32_t QfdCount(const std::string& base) {
  const std::string out = Qfd({"info", base}).out;
  const size_t at = out.find("Records:");
  return at == std::string::npos ? -1 : std::stoi(out.substr(at + 8));
}
// A database made from a definition: `qfd create --from BASE.json BASE`.
inline void QfdCreate(const std::string& base, const std::string& definition) {
  WriteFile(base + ".json", definition);
  QfdOk({"create", "--from", base + ".json", base});
}

// Values of a JSON answer by pointer ("/Props/Width"); a failing row names its pointer.
inline void ExpectJson(const nlohmann::json& j, std::initializer_list<std::pair<const char*, nlohmann::json>> rows) {
  for (const auto& [at, want] : rows) {
    const nlohmann::json::json_pointer p(at);
    EXPECT_EQ(j.contains(p) ? j.at(p) : nlohmann::json(), want) << at;
  }
}

}  // namespace qftest
