// The verification of a second keying: base + ".Qfv" beside the database, kept
// while that file exists (StartVerification makes it, and starts the change
// history too, which records every correction). The database's bytes never change
// for it. UTF-8 CSV with a heading, only ever appended to (see Companion.h):
//
//   Time,User,Host,Program,Kind,Record,Number,Field,Stored,Keyed,Error,Keyer,Print
//
// Kind "field": the verifier (User) took field Field of the record: Stored is the
// value as the first keying left it, Keyed the value taken; Error "" when the first
// keying was matched at once, "verifier" when the verifier mistyped and then keyed
// the stored value, "first keyer" when the value taken differs (the correction was
// saved through the record store, so the history holds it too). Kind "verified"
// (Field "(record)"): the record is done. Keyer is the first keyer; Print the
// record's fingerprint after the line's work (16 hex digits over its fields).
//
// A record is verified while its last "verified" line's Print is the record's
// fingerprint now; it is "changed since verification" when it has such a line and
// the fingerprint differs, else not yet verified. Records marked for deletion are
// not counted. "field" lines after the last "verified" line whose last Print is
// the record's fingerprint are a verification stopped half way: it goes on with
// the fields not yet taken.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/FormHeader.h"

namespace qfverify {

std::string VerificationFileOf(const std::string& database);
bool VerificationOn(const std::string& database);
// Turns verification on: makes the verification file and, when it is not kept
// yet, the change history. "" when done (also when it was on already), else the
// reason.
std::string StartVerification(const std::string& database);

// A record's fingerprint (its fields, without the deletion mark).
std::string Print(std::string_view record);

// The fields a record's verification has compared with the form's fields: the
// ones keyed again (not computed "=" nor numbered "#", not without a page).
std::vector<int16_t> KeyedFields(const modDB::FormHeader& h);

// Who was in error for a field, from the first keying (stored) and the keyings of
// the verifier in order (the last one taken).
std::string ErrorOf(const std::string& stored, const std::vector<std::string>& keyings);

// Where the verification of a database stands.
struct Progress {
  int32_t verified = 0, notVerified = 0, changed = 0;
  struct Record {
    bool live = false;      // not marked for deletion
    int state = 0;          // 0 not yet verified, 1 verified, 2 changed since
    std::string keyer;      // the first keyer ("" when nobody is known)
    std::set<std::string> taken;  // fields taken by a verification stopped half way
    std::string takenBy;    // who stopped it
  };
  std::vector<Record> records;  // element 0 unused

  // The record the verifier `user` goes on with: one they stopped half way first,
  // else the first that is not verified and was keyed by someone else; 0 for none.
  int32_t Next(const std::string& user) const;
  // "N verified, N not yet verified, N changed since verification"
  std::string Text() const;
};
// Who keyed each record first, as read from the history, kept between reads while
// the history has not grown (a verifier reads the progress before every record).
struct KeyerCache {
  int64_t historySize = -1;
  std::map<int32_t, std::string> keyers;
};
// Reads the database, its verification file and its history. "" when read, else the
// reason.
std::string ReadProgress(const std::string& database, Progress& out, KeyerCache* cache = nullptr);

// The lines of one field taken, and of a record verified (Field "(record)").
struct FieldTaken {
  std::string field, stored, keyed, error;
};
std::string LogField(const std::string& database, int32_t record, const std::string& number,
                     const std::string& keyer, const FieldTaken& f, const std::string& print);
std::string LogVerified(const std::string& database, int32_t record, const std::string& number,
                        const std::string& keyer, const std::string& print);

// Every "field" line of the file, for the statistics.
struct FieldLine {
  std::string time, user, record, field, error, keyer;
};
std::string ReadFieldLines(const std::string& database, std::vector<FieldLine>& out);

}  // namespace qfverify
