// Who has a file open, where the system tells (Linux: /proc): the processes other
// than this one that hold a descriptor of the same file, with their program name and
// user. Processes of other users are seen only where the system lets this one look.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace modDB::detail {

struct Holder {
  pid_t pid = 0;
  std::string program, user;
};

// The other processes that have the open file `fd` open.
std::vector<Holder> HoldersOf(int fd);
// "qfd (process 412, user ann), QfEntry (process 977, user bob)"; "" for none.
std::string HoldersText(const std::vector<Holder>& holders);

}  // namespace modDB::detail
