// WScript.Shell for qfscript: ExpandEnvironmentStrings and CurrentDirectory.
// Console only: form scripts have no such object.
#pragma once

#include <string>

#include "script/variant.h"

namespace qfconsole {

// A new WScript.Shell for that class name, nullptr for any other name.
qfscript::Object* CreateShellObject(const std::string& progId, bool utf8);

}  // namespace qfconsole
