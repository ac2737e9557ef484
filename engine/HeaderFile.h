// Reading a header straight from a file, without the Host: for the command-line
// tools and checks that report problems in their own words. A header read from
// disk is untrusted: callers check it (CheckCounts / CheckLayout) before using its
// numbers as indexes.
#pragma once

#include <cstdint>
#include <string>

#include "engine/FormHeader.h"

namespace modDB {

// Reads the 23,496-byte header at offset 0 of path. On failure returns false and
// says why in `why` (missing file, unreadable, shorter than a header).
bool ReadHeaderFile(const std::string& path, FormHeader& out, std::string& why,
                    int64_t* fileSize = nullptr);

}  // namespace modDB
