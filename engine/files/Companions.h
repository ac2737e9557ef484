// The files that belong to one database, named in one place.
//
// The database is base + ".Qfd". Beside it the program keeps, under the same base:
//   .Bak  the previous file, after a pack or a design save
//   .QfB  the working file a pack or a design save builds before it takes the name
//   .Qfh  the change history
//   .Qfi  the change history's index (built again from the history when missing)
//   .Qfc  the checks declared on the form
//   .Qfe  the records accepted as exceptions to those checks
//   .Qfv  the verification of a second keying
//   .Qfs  the keying statistics
// A database reached through a symbolic link keeps all of them beside the file the
// link leads to, as a pack's backup is: the link stays a bare name. No export or other
// writer outside the engine's own protocols may write over any of them.
#pragma once

#include <string>
#include <vector>

namespace modDB::detail {

// A database name without its ".Qfd" (any case) and the blanks around it: the base
// every companion's name is built on.
std::string BaseName(const std::string& name);

class Companions {
 public:
  // The companions of the database named `database` (FILE or FILE.Qfd, as
  // BaseFileName takes it). When the name leads through a symbolic link to an
  // existing file, the companions sit beside that file.
  static Companions Of(const std::string& database);

  const std::string& Named() const { return named_; }  // base + ".Qfd" as named
  const std::string& Database() const { return real_; }  // the file behind that name
  const std::string& Base() const { return base_; }  // the base beside the file behind the name

  std::string Backup() const { return base_ + ".Bak"; }
  std::string Work() const { return base_ + ".QfB"; }
  std::string History() const { return base_ + ".Qfh"; }
  std::string HistoryIndex() const { return base_ + ".Qfi"; }
  std::string Checks() const { return base_ + ".Qfc"; }
  std::string Exceptions() const { return base_ + ".Qfe"; }
  std::string Verification() const { return base_ + ".Qfv"; }
  std::string Statistics() const { return base_ + ".Qfs"; }

  // Every name that must never be written over from outside: the database as named
  // and behind its link, and each companion above.
  std::vector<std::string> Protected() const;

 private:
  std::string named_, real_, base_;
};

}  // namespace modDB::detail
