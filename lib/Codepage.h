// Text crosses between the single-byte Windows-1252 of the form database and the
// UTF-8 of the outside world (JSON, the console, Qt) only through these two helpers.
// A character that Windows-1252 cannot hold becomes "?", and so does each sequence
// that is not valid UTF-8 (a stray or cut byte, an overlong form such as C0 80, a
// surrogate, a code point above U+10FFFF).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace modLIB {

std::string Cp1252ToUtf8(std::string_view s);
// Appends the UTF-8 form of one code point (up to U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);
std::string Utf8ToCp1252(std::string_view s);

// The length of the valid UTF-8 sequence at s[i] (1 for ASCII), its code point in cp;
// 0 when the bytes there are no valid sequence.
size_t Utf8Sequence(std::string_view s, size_t i, char32_t& cp);

}  // namespace modLIB
