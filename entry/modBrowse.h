// modBrowse: how every caller opens the record table. The caller lists the columns
// (field slots, in order), then ShowBrowse shows the table of the database behind a
// file handle and returns the record number picked, 0 for none.
#pragma once

#include <array>
#include <cstdint>

namespace modBrowse {

extern std::array<int16_t, 129> BrowseColumns;  // [1] ... [128]: column k shows that field slot
extern int16_t BrowseColumnCount;
extern int16_t BrowseFile;
extern int32_t BrowseResult;
// The record whose row the table selects when it opens (0: none). Cleared with the
// columns.
extern int32_t BrowseCurrent;

void ClearBrowseColumns();
// Adds a column at the end; a 129th column is not added (the table holds 128).
void IncludeBrowseColumn(int16_t slot);
// Shows the table modally; the database must hold at least one record.
int32_t ShowBrowse(int16_t fileHandle);

}  // namespace modBrowse
