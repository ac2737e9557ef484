#include "entry/ScriptUi.h"

#include <QApplication>
#include <QInputDialog>

#include "common/modDlg.h"
#include "common/QtText.h"
#include "engine/Host.h"

int EntryScriptUi::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  return modDB::GetHost().MsgBox(prompt, buttons, title);
}

bool EntryScriptUi::InputBox(const std::string& prompt, const std::string& title, std::string& value) {
  QInputDialog box(QApplication::activeWindow());
  box.setObjectName("ScriptInputBox");
  box.setWindowTitle(title.empty() ? QApplication::applicationName() : QtText::FromCp(title));
  box.setLabelText(QtText::FromCp(prompt));
  box.setTextValue(QtText::FromCp(value));
  if (modDlg::RunModal(box) != QDialog::Accepted) return false;
  value = QtText::ToCp(box.textValue());
  return true;
}
