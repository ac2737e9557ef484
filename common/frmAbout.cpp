#include "common/frmAbout.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"

namespace {
VersionInfo g_info = ProgramVersionInfo("");
}

void SetVersionInfo(const VersionInfo& info) { g_info = info; }

VersionInfo ProgramVersionInfo(const std::string& title) {
  return {title, QF_VERSION_MAJOR, QF_VERSION_MINOR, QF_VERSION_PATCH, "Copyright (C) 2026 the Qf Forms developers",
          QF_WEB_SITE};
}

const VersionInfo& GetVersionInfo() {
  if (g_info.Title.empty()) g_info.Title = Platform::AppTitle();
  return g_info;
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About"));
  const VersionInfo& v = GetVersionInfo();

  imgIcon = new QLabel(this);
  imgIcon->setObjectName("imgIcon");
  QIcon icon = QApplication::windowIcon();
  if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_FileDialogDetailedView);
  imgIcon->setPixmap(icon.pixmap(48, 48));
  imgIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  lblTitle = new QLabel(QtText::FromCp(v.Title) + ' ' + QStringLiteral("%1.%2.%3").arg(v.Major).arg(v.Minor).arg(v.Revision),
                        this);
  lblTitle->setObjectName("lblTitle");
  QFont big = lblTitle->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  lblTitle->setFont(big);
  lblCopyright = new QLabel(QtText::FromCp(v.Copyright), this);
  lblCopyright->setObjectName("lblCopyright");
  lblTitle->setTextFormat(Qt::PlainText);
  lblCopyright->setTextFormat(Qt::PlainText);
  lblWebCaption = new QLabel(tr("Web Site"), this);
  lblWebCaption->setObjectName("lblWebCaption");
  lblWeb = new QLabel(QtText::FromCp(v.WebSite), this);
  lblWeb->setObjectName("lblWeb");
  lblWeb->setTextFormat(Qt::PlainText);
  lblWeb->setStyleSheet(QStringLiteral("color: #0000c0; text-decoration: underline;"));
  lblWeb->setCursor(Qt::PointingHandCursor);
  lblWeb->installEventFilter(this);
  // No address, no row: a caption followed by nothing would promise a link.
  lblWebCaption->setVisible(!v.WebSite.empty());
  lblWeb->setVisible(!v.WebSite.empty());
  btnOk = new QPushButton(tr("Ok"), this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);

  auto* text = new QVBoxLayout;
  text->addWidget(lblTitle);
  text->addWidget(lblCopyright);
  text->addSpacing(8);
  auto* web = new QHBoxLayout;
  web->addWidget(lblWebCaption);
  web->addWidget(lblWeb, 1);
  text->addLayout(web);
  auto* top = new QHBoxLayout;
  top->addWidget(imgIcon);
  top->addSpacing(8);
  top->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addSpacing(6);
  all->addLayout(buttons);
  setFixedSize(sizeHint().expandedTo(QSize(360, 0)));

  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblWeb && event->type() == QEvent::MouseButtonRelease) {
    modDlg::OpenLink(QtText::ToCp(lblWeb->text()));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
