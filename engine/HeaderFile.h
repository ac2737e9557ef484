// Reading the header of a database file: the one transfer of 23,496 bytes at offset
// 0 that every reader of a header makes (the record store, header load and save, the
// other open databases, the export's check of what it may replace, the command-line
// tools). A header read from disk is untrusted: callers check it (CheckCounts /
// CheckLayout, or ReadCheckedHeader) before using its numbers as indexes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/FormHeader.h"

namespace modDB {

// Reads the 23,496-byte header at offset 0 of path, without the Host: for the
// command-line tools and checks that report problems in their own words. On failure
// returns false and says why in `why` (missing file, not a regular file, unreadable,
// shorter than a header). A FIFO or device is refused without waiting.
bool ReadHeaderFile(const std::string& path, FormHeader& out, std::string& why,
                    int64_t* fileSize = nullptr);

namespace detail {

// Reads the header at offset 0 of the open file `fd` into out when the file holds a
// whole one; returns the bytes read (23,496 when whole; out is untouched otherwise).
// Read errors throw.
size_t ReadHeaderAt(int fd, FormHeader& out);

// Reads and checks the header of the open file `fd` named `file`. Returns "" and
// fills h when the header describes a usable database; otherwise a message for the
// user naming the file, and h is untouched. Read errors throw.
std::string ReadCheckedHeader(int fd, const std::string& file, FormHeader& h);

}  // namespace detail

}  // namespace modDB
