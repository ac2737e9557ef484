// Text crosses between the single-byte Windows-1252 of the form database and the
// UTF-8 of the outside world (JSON, the console, Qt) only through these two helpers.
// A character that Windows-1252 cannot hold becomes "?".
#pragma once

#include <string>
#include <string_view>

namespace modLIB {

std::string Cp1252ToUtf8(std::string_view s);
std::string Utf8ToCp1252(std::string_view s);

}  // namespace modLIB
