#include "engine/files/Companions.h"

#include "engine/files/DatabaseFile.h"
#include "lib/modLIB.h"

namespace modDB::detail {

std::string BaseName(const std::string& name) {
  std::string base = modLIB::Trim(name);
  if (base.size() > 4 && modLIB::UCase(base.substr(base.size() - 4)) == ".QFD") base.resize(base.size() - 4);
  return base;
}

Companions Companions::Of(const std::string& database) {
  Companions c;
  c.named_ = BaseName(database) + ".Qfd";
  c.real_ = FileBehindName(c.named_);
  c.base_ = BaseName(c.real_);
  return c;
}

std::vector<std::string> Companions::Protected() const {
  return {named_,   real_,        Backup(),       Work(),      History(), HistoryIndex(),
          Checks(), Exceptions(), Verification(), Statistics()};
}

}  // namespace modDB::detail
