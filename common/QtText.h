// QtText: the one crossing between the engine's Windows-1252 text and QString.
// Windows hand every text to the engine through ToCp and show engine text through
// FromCp; a character that Windows-1252 cannot hold becomes "?".
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace QtText {

QString FromCp(std::string_view cp1252);
std::string ToCp(const QString& text);

// The single-byte code of one character (0 … 255), or -1 when Windows-1252 has none.
int CharCode(QChar c);
QChar FromCode(int code);

}  // namespace QtText
