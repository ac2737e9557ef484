// The keying statistics: base + ".Qfs" beside the database, one line per keying
// session (a clerk's work from opening the database to closing it), kept while the
// file exists (StartVerification makes it). UTF-8 CSV with a heading, written as
// the verification file is (Companion.h):
//
//   Time,User,Host,Program,Kind,Started,Added,Edited,Verified,Keystrokes,Seconds,Corrected,VerifierErrors
//
// Time is when the session ended, Started when it began; Kind "session". Added,
// Edited and Verified count records; Keystrokes the keys typed into fields;
// Seconds the keying time, every pause of more than a minute between two keys left
// out; Corrected the fields the session's verification saved with a new value (the
// first keyer's errors it found); VerifierErrors the fields the verifier mistyped.
// A clerk's first-keyer errors are the "first keyer" lines of the verification file
// that name the clerk as the first keyer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qfverify {

// Counts a session's keys and its keying time.
class KeyClock {
 public:
  void Key(int64_t ms);  // a key at this time (milliseconds)
  int64_t keys = 0, ms = 0;

 private:
  int64_t last_ = -1;
};

struct Session {
  std::string started, ended, user;
  int64_t added = 0, edited = 0, verified = 0, keystrokes = 0, seconds = 0, corrected = 0, verifierErrors = 0;
  bool Empty() const { return !added && !edited && !verified && !keystrokes; }
};

std::string StatisticsFileOf(const std::string& database);
// Appends the session's line when the statistics are kept (and the session did
// something). "" when done, else the reason.
std::string LogSession(const std::string& database, const Session& s);

// One row of the report: a session, or a clerk's sum over their sessions.
struct StatRow {
  std::string scope;  // "session" or "clerk"
  Session s;
  int64_t keyerErrors = -1;  // clerks only
};
// The sessions in file order, then one row per clerk in order of name. "" when
// read, else the reason.
std::string ReadStatistics(const std::string& database, std::vector<StatRow>& out);
// The report's heading and rows, as text cells.
std::vector<std::vector<std::string>> StatisticsTable(const std::vector<StatRow>& rows);
// The report as `qfd stats` prints it (a table, or CSV with a heading).
std::string StatisticsText(const std::vector<StatRow>& rows, bool csv);

}  // namespace qfverify
