// Two files keyed from the same forms, compared record by record: the records are
// paired by the value of a key field (blanks at its ends left out), and each pair's
// fields are compared by name, their values without the padding blanks at the end.
// Records marked for deletion take no part.
#pragma once

#include <string>
#include <vector>

namespace qfverify {

struct Difference {
  std::string key;    // UTF-8
  std::string field;  // "(record)" for a key found in one file only
  std::string a, b;   // the values; for "(record)", "record N" on the side that has it
  int32_t recordA = 0, recordB = 0;
};

// Compares the databases `a` and `b` (names as qfd takes them). The differences in
// the order of A's records, then the keys found only in B. "" when compared, else
// the reason (a file that cannot be read, a key field one of them lacks, forms with
// different fields, a key given twice).
std::string CompareFiles(const std::string& a, const std::string& b, const std::string& keyField,
                         std::vector<Difference>& out);

// The list as `qfd compare` prints it: with `csv` the heading Key,Field,A,B and one
// line per difference, else one line per difference and a count.
std::string CompareText(const std::vector<Difference>& diffs, bool csv);

}  // namespace qfverify
