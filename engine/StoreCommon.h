// Reading the header of a database file for the record store, header load and save:
// one transfer of 23,496 bytes at offset 0, then the checks that make its numbers
// safe to index records and slots with. Private to the engine.
#pragma once

#include <string>

#include "FileIo.h"
#include "FormHeader.h"
#include "HeaderLayout.h"

namespace modDB::detail {

// Reads and checks the header of the open file `fd` named `file`. Returns "" and
// fills h when the header describes a usable database; otherwise a message for the
// user naming the file, and h is untouched. Read errors throw.
inline std::string ReadCheckedHeader(int fd, const std::string& file, FormHeader& h) {
  HeaderBytes bytes{};
  const size_t got = ReadAt(fd, bytes.data(), bytes.size(), 0);
  if (got < bytes.size())
    return "FILE:" + file + " is not a form database: it has " + std::to_string(got) +
           " bytes, fewer than the 23496 of a header";
  FormHeader read;
  DecodeHeader(bytes.data(), read);
  if (std::string why = CheckLayout(read); !why.empty()) return "FILE:" + file + " is damaged: " + why;
  h = read;
  return "";
}

}  // namespace modDB::detail
