#include "common/QtText.h"

#include "lib/Codepage.h"

namespace QtText {

QString FromCp(std::string_view cp1252) {
  return QString::fromStdString(modLIB::Cp1252ToUtf8(cp1252));
}

std::string ToCp(const QString& text) { return modLIB::Utf8ToCp1252(text.toStdString()); }

int CharCode(QChar c) {
  if (c.unicode() < 128) return c.unicode();
  const std::string one = ToCp(QString(c));
  if (one.size() != 1 || (one[0] == '?' && c != QLatin1Char('?'))) return -1;
  return static_cast<unsigned char>(one[0]);
}

QChar FromCode(int code) {
  const char byte = static_cast<char>(code);
  const QString s = FromCp(std::string_view(&byte, 1));
  return s.isEmpty() ? QChar() : s.at(0);
}

}  // namespace QtText
