// Reading an open form database straight through its file layout, by the handle
// that was handed out for it: the record store's GetFileNumber, or the handle of the
// form script's second database. The record table reads what is on disk this way,
// without the record store; the form script writes its second database's fields.
// Nothing here shows a message.
#pragma once

#include <cstdint>
#include <string>

#include "FormHeader.h"

namespace modDB {

// The descriptor behind a handle (the record store's own, or the handle itself for
// other open databases); -1 for 0.
int DescriptorOfHandle(int16_t handle);

// The header at offset 0; false when it cannot be read whole.
bool ReadHeaderDirect(int16_t handle, FormHeader& out);

// n bytes at offset; fewer (possibly none) where the file ends or cannot be read.
std::string ReadBytesDirect(int16_t handle, int64_t offset, size_t n);

// Writes bytes at offset under the writers' lock, as the form script writes a field
// of its second database (records of recordLength bytes). Whatever lies between the
// end of the file and the end of the record written to is first filled with blank
// records, so that no record reads back as zero bytes; a failure gives the file back
// the size it had. "" when done, otherwise the system's reason.
std::string WriteBytesDirect(int16_t handle, int32_t recordLength, int64_t offset, const std::string& bytes);

}  // namespace modDB
