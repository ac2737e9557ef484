// The file objects of qfscript: Scripting.FileSystemObject with the File,
// Folder, Files, Folders and TextStream objects it hands out. Console only:
// form scripts have none of them.
//
// Paths use "/"; a "\" in a path a script gives is taken as "/". Errors are
// the usual numbers: 53 file not found, 58 file already exists, 70 permission
// denied, 76 path not found, 62 input past end of file, 54 bad file mode.
#pragma once

#include <string>

#include "script/variant.h"

namespace qfconsole {

// A new FileSystemObject for "Scripting.FileSystemObject", nullptr for any
// other name.
qfscript::Object* CreateFileObject(const std::string& progId, bool utf8);

}  // namespace qfconsole
