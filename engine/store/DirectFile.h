// The other open databases of a program, and reading an open database straight
// through its file layout by the handle that was handed out for it: the record
// store's GetFileNumber, or the handle of another database opened here (the form
// script's second database). The record table reads what is on disk this way,
// without the record store; the form script reads and writes its second database's
// fields. Only the engine knows where a record or a field lies. Nothing here shows a
// message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FormHeader.h"

namespace modDB {

// Opens another database through the engine's own open path: the same checks, the
// read-only fallback and presence as OpenDatabase. `path` is the file itself (with
// its extension). Its handle, or 0 with the reason in `why`.
int16_t OpenOtherDatabase(const std::string& path, std::string& why);
// Closes a database OpenOtherDatabase opened (its presence goes with it).
void CloseOtherDatabase(int16_t handle);

// The header at offset 0; false when it cannot be read whole.
bool ReadHeaderDirect(int16_t handle, FormHeader& out);

// The `Length` bytes of field `slot` of record n as the file holds them now, not
// trimmed; fewer (possibly none) where the file ends or cannot be read. h is the
// database's header. `asRead`: a database opened by OpenOtherDatabase remembers the
// value, so that WriteFieldDirect refuses to write over a change made to it since.
std::string ReadFieldDirect(int16_t handle, const FormHeader& h, int32_t n, int16_t slot, bool asRead = false);

// Field `slot` of records 1 ... count as the file holds them now (element 0 unused),
// not trimmed, read a megabyte or so at a time; "" where the file ends early.
std::vector<std::string> ReadColumnDirect(int16_t handle, const FormHeader& h, int16_t slot, int32_t count);

// Records first ... first + n - 1 whole (RecordLength bytes each, deletion mark
// first) as the file holds them now; shorter where the file ends.
std::string ReadRecordsDirect(int16_t handle, const FormHeader& h, int32_t first, int32_t n);

// Writes text, padded or cut to the field's length, into field `slot` of record n and
// nothing else, under the writers' lock, as the form script writes a field of its
// second database. Whatever lies between the end of the file and the end of that
// record is first filled with blank records, so that no record reads back as zero
// bytes; a failure gives the file back the size it had. A file that another program
// replaced since it was opened, or that may only be read, is not written, nor a
// field that another program changed since it was read (asRead). "" when done,
// otherwise the reason.
std::string WriteFieldDirect(int16_t handle, const FormHeader& h, int32_t n, int16_t slot, const std::string& text);

}  // namespace modDB
