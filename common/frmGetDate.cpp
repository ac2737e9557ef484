#include "common/frmGetDate.h"

#include <QDate>
#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "lib/modLIB.h"

namespace {
constexpr int kCell = 26;      // day cells and headings are square
constexpr int kGap = 3;        // pixels between cells, across and down
constexpr int kLeft = 8;       // the first heading and cell, as designed
constexpr int kHeadTop = 40;
constexpr int kCellTop = kHeadTop + 20 + kGap;

int Num(const std::string& s, size_t at, size_t len) { return std::stoi(s.substr(at, len)); }

QString TwoDigits(int n, int width) { return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')); }
}  // namespace

frmGetDate::frmGetDate(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Date"));
  const int gridWidth = 7 * kCell + 6 * kGap;

  cmdYBack = new QPushButton(QStringLiteral("<<"), this);
  cmdBack = new QPushButton(QStringLiteral("<"), this);
  cmdNext = new QPushButton(QStringLiteral(">"), this);
  cmdYNext = new QPushButton(QStringLiteral(">>"), this);
  cmdYBack->setObjectName("cmdYBack");
  cmdBack->setObjectName("cmdBack");
  cmdNext->setObjectName("cmdNext");
  cmdYNext->setObjectName("cmdYNext");
  cmdYBack->setToolTip(tr("Previous year"));
  cmdBack->setToolTip(tr("Previous month"));
  cmdNext->setToolTip(tr("Next month"));
  cmdYNext->setToolTip(tr("Next year"));
  const int bw = 30;
  cmdYBack->setGeometry(kLeft, 8, bw, 24);
  cmdBack->setGeometry(kLeft + bw + 2, 8, bw, 24);
  cmdNext->setGeometry(kLeft + gridWidth - 2 * bw - 2, 8, bw, 24);
  cmdYNext->setGeometry(kLeft + gridWidth - bw, 8, bw, 24);
  for (QPushButton* b : {cmdYBack, cmdBack, cmdNext, cmdYNext}) b->setAutoDefault(false);

  const int middleLeft = kLeft + 2 * bw + 6;
  const int middleWidth = gridWidth - 4 * bw - 12;
  lblMonth = new QLabel(this);
  lblMonth->setObjectName("lblMonth");
  lblMonth->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblMonth->setGeometry(middleLeft, 8, middleWidth / 2 - 2, 24);
  lblYear = new QLabel(this);
  lblYear->setObjectName("lblYear");
  lblYear->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lblYear->setGeometry(middleLeft + middleWidth / 2 + 2, 8, middleWidth / 2 - 2, 24);
  QFont bold = font();
  bold.setBold(true);
  lblMonth->setFont(bold);
  lblYear->setFont(bold);

  static const char* const kHeads[] = {"M", "T", "W", "T", "F", "S", "S"};
  for (int i = 1; i <= 7; ++i) {
    auto* h = new QLabel(QString::fromLatin1(kHeads[i - 1]), this);
    h->setObjectName("lblDayOfWeek");
    h->setProperty("tag", i);
    h->setAlignment(Qt::AlignCenter);
    h->setGeometry(kLeft + (i - 1) * (kCell + kGap), kHeadTop, kCell, 20);
    if (i >= 6) h->setStyleSheet(QStringLiteral("color: #606060;"));
    lblDayOfWeek[i] = h;
  }
  for (int k = 1; k <= 42; ++k) {
    auto* c = new QLabel(this);
    c->setObjectName("lblDay");
    c->setProperty("tag", k);
    c->setAlignment(Qt::AlignCenter);
    c->setFrameShape(QFrame::Panel);
    c->setFrameShadow(QFrame::Sunken);
    const int col = (k - 1) % 7, row = (k - 1) / 7;
    c->setGeometry(kLeft + col * (kCell + kGap), kCellTop + row * (kCell + kGap), kCell, kCell);
    c->installEventFilter(this);
    lblDay[k] = c;
  }
  setFixedSize(kLeft * 2 + gridWidth, kCellTop + 6 * kCell + 5 * kGap + kLeft);
  Platform::ZoomLayout(this);  // zoomed, the calendar grows with its font

  connect(cmdBack, &QPushButton::clicked, this, &frmGetDate::cmdBack_Click);
  connect(cmdNext, &QPushButton::clicked, this, &frmGetDate::cmdNext_Click);
  connect(cmdYBack, &QPushButton::clicked, this, &frmGetDate::cmdYBack_Click);
  connect(cmdYNext, &QPushButton::clicked, this, &frmGetDate::cmdYNext_Click);

  move(modLIB::TwipsToPixelsX(modDlg::DatePickerLeft), modLIB::TwipsToPixelsY(modDlg::DatePickerTop));

  const std::string& text = modDlg::DateText;
  const int order = modDlg::DatePickerOrder;
  if (modLIB::IsValidDate(text, order)) {
    const int first = Num(text, 0, 2), second = Num(text, 3, 2);
    SelDay = static_cast<int16_t>(order == 2 ? second : first);
    SelMonth = static_cast<int16_t>(order == 2 ? first : second);
    SelYear = static_cast<int16_t>(Num(text, 6, 4));
  } else {
    const QDate today = QDate::currentDate();
    SelDay = static_cast<int16_t>(today.day());
    SelMonth = static_cast<int16_t>(today.month());
    SelYear = static_cast<int16_t>(today.year());
  }
  ShowMonth = SelMonth;
  ShowYear = SelYear;
  DrawMonth();
}

void frmGetDate::DrawMonth() {
  lblMonth->setText(QtText::FromCp(modLIB::MonthName(ShowMonth)));
  lblYear->setText(QString::number(ShowYear));
  const int w = QDate(ShowYear, ShowMonth, 1).dayOfWeek();  // Monday 1 … Sunday 7
  const int days = modLIB::DaysInMonth(ShowMonth, ShowYear);
  const bool selectedMonth = ShowYear == SelYear && ShowMonth == SelMonth;
  for (int k = 1; k <= 42; ++k) {
    QLabel* c = lblDay[k];
    const int d = k - w + 1;
    const bool day = d >= 1 && d <= days;
    c->setText(day ? QString::number(d) : QString());
    const bool selected = day && selectedMonth && d == SelDay;
    QFont f = font();
    f.setBold(selected);
    c->setFont(f);
    c->setStyleSheet(selected ? QStringLiteral("color: rgb(255, 0, 0);") : QStringLiteral("color: black;"));
  }
}

void frmGetDate::cmdBack_Click() {
  if (ShowMonth > 1) {
    --ShowMonth;
  } else if (ShowYear > 1) {
    ShowMonth = 12;
    --ShowYear;
  }
  DrawMonth();
}

void frmGetDate::cmdNext_Click() {
  if (ShowMonth < 12) {
    ++ShowMonth;
  } else if (ShowYear < 9999) {
    ShowMonth = 1;
    ++ShowYear;
  }
  DrawMonth();
}

void frmGetDate::cmdYBack_Click() {
  if (ShowYear > 1) --ShowYear;
  DrawMonth();
}

void frmGetDate::cmdYNext_Click() {
  if (ShowYear < 9999) ++ShowYear;
  DrawMonth();
}

void frmGetDate::lblDay_DblClick(int index) {
  const QString shown = lblDay[index]->text();
  if (shown.isEmpty()) return;
  const int d = shown.toInt();
  const QString day = TwoDigits(d, 2), month = TwoDigits(ShowMonth, 2), year = TwoDigits(ShowYear, 4);
  const QString text = modDlg::DatePickerOrder == 2 ? month + '/' + day + '/' + year : day + '/' + month + '/' + year;
  modDlg::DateText = QtText::ToCp(text);
  accept();
}

bool frmGetDate::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    const int k = watched->property("tag").toInt();
    if (k >= 1 && k <= 42 && watched == lblDay[k]) {
      lblDay_DblClick(k);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
