// The writer and reader the verification file and the statistics file share. Both
// are append-only logs beside the database (engine/files/AppendLog.h), written as
// the change history is: under the database's writers' lock, one group of whole CSV
// lines in one write, followed by its mark. Their lines tell of work that is already
// done (a field keyed, a record verified, a session ended) and never of a change to
// the database still to come, so a group found without its mark is kept and marked
// by the next writer. A damaged stretch hides nothing after it: a reader takes every
// line that starts with a time.
#pragma once

#include <string>
#include <vector>

namespace qfverify {

// Appends `lines` (whole lines, each ending in LF) to the companion `path` of
// `database`. A missing companion is made first with `heading` when `create`, else
// nothing is written and "" is returned with `*written` false. "" when done, else
// the reason (nothing was written then).
std::string AppendGroup(const std::string& database, const std::string& path, const std::string& heading,
                        const std::string& lines, bool create, bool* written = nullptr);

// The rows of a companion in file order, the heading left out; a missing file has
// none. "" when read, else the reason.
std::string ReadRows(const std::string& path, std::vector<std::vector<std::string>>& rows);

// The CSV line of the given cells, with its LF.
std::string CsvLine(const std::vector<std::string>& cells);

}  // namespace qfverify
