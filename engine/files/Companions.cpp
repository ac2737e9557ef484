#include "engine/files/Companions.h"

#include "engine/DatabaseFile.h"
#include "engine/modDB.h"

namespace modDB::detail {

Companions Companions::Of(const std::string& database) {
  Companions c;
  std::string name = database;
  c.named_ = BaseFileName(name) + ".Qfd";
  c.real_ = FileBehindName(c.named_);
  std::string base = c.real_;
  c.base_ = BaseFileName(base);
  return c;
}

std::vector<std::string> Companions::Protected() const {
  return {named_,  real_,   Backup(),       Work(),         History(),
          Checks(), Exceptions(), Verification(), Statistics()};
}

}  // namespace modDB::detail
