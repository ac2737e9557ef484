// The open form database file: how every program of ours opens it, reads it,
// writes it, locks it and finds out that it was replaced. Private to the engine; the
// record store, pack, header save and the other open databases (the form script's
// second database, the record table) all go through here.
//
// Opening. base + ".Qfd" is opened for reading and writing, or for reading only when
// the user may only read it (the reason is kept and given with every refused write).
// Only a regular file is opened. Every read and write is a whole transfer at a byte
// offset (FileIo); a record beyond the end of the file reads as blanks.
//
// Presence. While a program of ours has a database open it holds a shared lock of one
// byte far past the end of any database (kPresenceByte), where it never meets the
// writers' lock. It costs nothing while nobody asks, and the kernel drops it when the
// program ends, however it ends. Opening waits while another program has the file
// to itself (a pack or a header save), then makes sure that the file it holds is
// still the database, and opens the new one when it is not.
//
// The writers' lock. Byte 0, exclusive, held by every writer of a record or of the
// count for the duration of its write only (WriterLock). Programs that know nothing
// of presence take it too, so it is what keeps writers apart.
//
// Sole use. Pack and header save replace the whole file. They first take the
// presence byte exclusively, without waiting: when another program of ours has the
// database open they refuse and change nothing. Then they hold the writers' lock from
// their first read to the final rename, so that no append can fall between the copy
// and the replacement.
//
// Replaced. A program that does not take presence may still pack or redesign the
// database under a program of ours. So every writer, once it holds the writers' lock,
// checks that its open file is still the one the database's name points to (same
// device and inode, still linked), and refuses the write when it is not: nothing is
// written into a file that is only the backup now.
//
// All locks are open-file-description locks (F_OFD_*): they belong to the open file,
// not to the process, so closing another descriptor of the same file elsewhere in the
// program never drops them, and two opens of one file in one program meet each other
// as two programs do.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "engine/files/FileIo.h"

namespace modDB::detail {

// The byte whose shared lock says "a program of ours has this database open": past
// the largest database (23,496 + 65,530 x 32,000 bytes) by far.
constexpr int64_t kPresenceByte = int64_t{1} << 40;

// A database file as it was opened.
struct DatabaseFile {
  Fd fd;
  std::string path;         // the name it was opened by
  std::string readOnlyWhy;  // "" when it may be written; else the system's reason
};

// Opens the database file `path` as described above and takes presence. Throws
// FileError when the file cannot be opened at all.
DatabaseFile OpenDatabaseFile(const std::string& path);

// A lock that is not free at once is waited for. After a second the program's wait
// handler, where one is set, hears what is awaited (the file, and who has it open
// where the system tells) and how long it has waited, and is asked again about
// every tenth of a second: false gives up, and the lock fails with a FileError whose
// reason says what was awaited. Without a handler the wait lasts until the lock is
// free.
struct LockWait {
  std::string file;     // the database file awaited
  std::string holders;  // who has it open ("" where the system does not tell)
  double seconds = 0;   // waited so far
  bool over = false;    // the wait has ended (the lock taken, or given up): told once
};
using LockWaitHandler = std::function<bool(const LockWait&)>;
void SetLockWaitHandler(LockWaitHandler handler);
// The reason a given-up wait reports: "another program holds it (WHO); gave up
// waiting after N seconds".
std::string GaveUpText(const LockWait& wait);

// The writers' lock of byte 0, held while the guard lives. The constructor waits
// until the byte is free (see above); throws when the lock cannot be taken.
class WriterLock {
 public:
  explicit WriterLock(int fd);
  ~WriterLock();
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

 private:
  int fd_;
};

// Takes the presence byte exclusively, without waiting: false when another program
// of ours has the database open. The descriptor must be open for writing.
bool TakeSoleUse(int fd);
// Gives sole use back: the program holds ordinary (shared) presence again.
void EndSoleUse(int fd);

// Whether another program of ours has the file of `fd` open. Takes nothing.
bool OpenElsewhere(int fd);

// Whether the open file `fd` is still the one `path` names: the same device and
// inode, and still linked. Gives the open file's size on the way, where asked.
bool StillNamed(int fd, const std::string& path, int64_t* size = nullptr);

// The file a database name leads to: the name itself, or, for a symbolic link, its
// final target, so that a pack or a header save replaces the target and the link
// stays a link.
std::string FileBehindName(const std::string& path);

// Whether a database file that opened for writing may really be replaced: a file
// without any write permission is refused even where the system would let its owner
// (or the administrator) write it, as an add to it is refused. "" when it may; else
// the reason.
std::string ReplaceRefusal(const std::string& path);

// The messages of the rules above, naming the database file.
std::string OpenElsewhereText(const std::string& file);
std::string ReplacedText(const std::string& file);

}  // namespace modDB::detail
