#include "common/DialogParts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

#include "common/KeyFilter.h"
#include "common/QtText.h"
#include "lib/modLIB.h"

namespace DialogParts {

QLineEdit* NumberBox(QWidget* parent, const char* name, int maxLength) {
  auto* b = new QLineEdit(parent);
  b->setObjectName(name);
  b->setMaxLength(maxLength);
  b->setFixedWidth(70);
  KeyFilter::Install(b, "n");
  return b;
}

QLabel* NumberLabel(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setFrameShape(QFrame::StyledPanel);
  l->setFixedWidth(48);
  return l;
}

QLabel* Caption(QLabel* label, QWidget* box) {
  label->setBuddy(box);
  QString name = label->text();
  name.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  name.replace(QStringLiteral("&&"), QStringLiteral("&"));
  box->setAccessibleName(name);
  return label;
}

QPushButton* Button(QWidget* parent, const char* caption, const char* name) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

double Val(const QString& text) {
  const QString t = text.trimmed();
  int end = 0;
  bool point = false;
  while (end < t.size() && (t[end].isDigit() || (t[end] == '.' && !point))) {
    if (t[end] == '.') point = true;
    ++end;
  }
  return t.left(end).toDouble();
}

int16_t Whole16(double v, int64_t lo) {
  return static_cast<int16_t>(std::clamp<int64_t>(modLIB::RoundHalfEven(v), lo, 32767));
}

bool InRange(const QLineEdit* box, int32_t lo, int32_t hi) {
  return modLIB::IsNumberInRange(QtText::ToCp(box->text()), lo, hi) != 0;
}

}  // namespace DialogParts
