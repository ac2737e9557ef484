#include "designer/frmScript.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "common/modDlg.h"
#include "common/Platform.h"
#include "common/QtText.h"
#include "designer/DesignerState.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "script/script_control.h"


namespace {
constexpr int kEditorLimit = 8192;
}

frmScript::frmScript(DesignerState* designer)
    : QDialog(designer->DialogParent()), designer_(designer) {
  setObjectName("frmScript");
  setWindowTitle("Script");
  menuBar = new QMenuBar(this);
  menuBar->setObjectName("menuBar");
  mnuUpdate = menuBar->addAction("&Update");
  mnuUpdate->setObjectName("mnuUpdate");
  mnuCancel = menuBar->addAction("&Cancel");
  mnuCancel->setObjectName("mnuCancel");
  mnuHelp = menuBar->addAction("&Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuLine = menuBar->addAction("L 1, C 1");
  mnuLine->setObjectName("mnuLine");

  SCRP = new QPlainTextEdit(this);
  SCRP->setObjectName("SCRP");
  SCRP->setLineWrapMode(QPlainTextEdit::NoWrap);
  SCRP->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SCRP->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font = Platform::FormFont("Lucida Console", 0, false, false);
  font.setPointSizeF(8.25);
  SCRP->setFont(font);
  QPalette p = SCRP->palette();
  p.setColor(QPalette::Base, Qt::white);
  p.setColor(QPalette::Text, Qt::black);
  SCRP->setPalette(p);
  SCRP->installEventFilter(this);
  SCRP->viewport()->installEventFilter(this);

  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(0, 0, 0, 0);
  all->setSpacing(0);
  all->setMenuBar(menuBar);
  all->addWidget(SCRP);
  resize(560, 400);

  QString text = QtText::FromCp(modDB::GetScript());
  text.replace("\r\n", "\n");
  SCRP->setPlainText(text);
  TextModified = false;
  connect(SCRP, &QPlainTextEdit::textChanged, this, [this] {
    TextModified = true;
    // The editor holds at most 8192 characters, a line break counting two as the
    // script stores it (CR LF); what goes beyond is not entered.
    const QTextDocument* doc = SCRP->document();
    if (doc->characterCount() - 1 + doc->blockCount() - 1 > kEditorLimit) {
      int keep = 0, stored = 0;
      for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const int width = b.length() - 1;  // the line, without its break
        if (stored + width >= kEditorLimit) {
          keep += kEditorLimit - stored;
          break;
        }
        stored += width;
        keep += width;
        if (!b.next().isValid()) break;
        if (stored + 2 > kEditorLimit) break;  // no room for the whole break
        stored += 2;
        keep += 1;
      }
      QTextCursor c = SCRP->textCursor();
      c.movePosition(QTextCursor::End);
      c.setPosition(keep, QTextCursor::KeepAnchor);
      c.removeSelectedText();
    }
  });
  connect(mnuUpdate, &QAction::triggered, this, &frmScript::mnuUpdate_Click);
  connect(mnuCancel, &QAction::triggered, this, &frmScript::mnuCancel_Click);
  connect(mnuHelp, &QAction::triggered, this, [] { modDlg::ShowHelp("Script"); });
  SCRP->setFocus();
}

void frmScript::ShowPosition() {
  const int start = SCRP->textCursor().selectionStart();
  const QTextBlock block = SCRP->document()->findBlock(start);
  const int line = block.blockNumber();
  mnuLine->setText(QString("L %1, C %2").arg(line + 1).arg(start - block.position() + 1));
}

bool frmScript::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SCRP && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    ShowPosition();  // where the caret is before the key acts
    if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      SCRP->insertPlainText(" ");
      return true;
    }
  } else if (watched == SCRP && event->type() == QEvent::KeyRelease) {
    ShowPosition();
  } else if (watched == SCRP->viewport() && event->type() == QEvent::MouseButtonRelease) {
    ShowPosition();  // the press has already put the caret where it stays
  }
  return QDialog::eventFilter(watched, event);
}

void frmScript::mnuUpdate_Click() {
  // Line breaks as CR LF; a tab that came in by pasting is a blank like a typed one.
  QString text = SCRP->toPlainText();
  text.replace('\t', ' ');
  text.replace("\n", "\r\n");
  const std::string script = modLIB::Trim(QtText::ToCp(text));
  // The definition holds 4000 characters: a longer script would lose its end without
  // a word, so the editor stays open for the user to shorten it.
  if (script.size() > static_cast<size_t>(modDB::kScriptWidth)) {
    modDB::GetHost().MsgBox("The script is " + std::to_string(script.size()) +
                         " characters long; a form keeps at most 4000.",
                     modDB::vbExclamation | modDB::vbOKOnly, "Script");
    return;
  }
  // The script must compile: the engine's message names the place, the caret goes
  // there, and the editor stays open.
  int line = 0, column = 0;
  const std::string error = CheckScript(QtText::ToCp(text), line, column);
  if (!error.empty()) {
    modDB::GetHost().MsgBox(error + "\r\nLine " + std::to_string(line) + ", Column " + std::to_string(column),
                     modDB::vbExclamation | modDB::vbOKOnly, "Script");
    PutCaret(line, column);
    return;
  }
  designer_->Modified = true;
  modDB::SetScript(script);
  TextModified = false;
  accept();
}

std::string frmScript::CheckScript(const std::string& source, int& line, int& column) {
  qfscript::ScriptControl control;
  const bool ok = control.Check(source);
  const qfscript::ScriptError& error = control.Error();
  line = ok ? 0 : error.Line;
  column = ok ? 0 : error.Column;
  return ok ? std::string() : error.Description;
}

void frmScript::PutCaret(int line, int column) {
  const QTextBlock block = SCRP->document()->findBlockByNumber(std::max(line, 1) - 1);
  if (!block.isValid()) return;
  QTextCursor c(block);
  c.setPosition(block.position() + std::clamp(column - 1, 0, block.length() - 1));
  SCRP->setTextCursor(c);
  SCRP->setFocus();
  ShowPosition();
}

void frmScript::mnuCancel_Click() { reject(); }

void frmScript::reject() {
  if (TextModified && modDB::GetHost().MsgBox("Script is modified, Exit anyway?", modDB::vbYesNo | modDB::vbDefaultButton2, "Modified") != modDB::vbYes)
    return;
  QDialog::reject();
}
