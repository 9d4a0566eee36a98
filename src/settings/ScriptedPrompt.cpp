#include "ScriptedPrompt.h"

namespace tessra {

bool TScriptedPrompt::Question(QWidget*, const QString& text) {
  Messages.append(QStringLiteral("Question: ") + text);
  if (Answers.empty()) {
    return false;
  }
  const bool answer = Answers.front();
  Answers.pop_front();
  return answer;
}

void TScriptedPrompt::Error(QWidget*, const QString& text) {
  Messages.append(QStringLiteral("Error: ") + text);
}

void TScriptedPrompt::Warning(QWidget*, const QString& text) {
  Messages.append(QStringLiteral("Warning: ") + text);
}

void TScriptedPrompt::Information(QWidget*, const QString& text) {
  Messages.append(QStringLiteral("Information: ") + text);
}

int TScriptedPrompt::ExecDialog(QDialog& dialog) {
  ++DialogsRun;
  dialog.setResult(QDialog::Rejected);
  if (Dialogs.empty()) {
    return QDialog::Rejected;
  }
  // Taken off the queue first: the script may open dialogs of its own.
  const TDialogScript script = std::move(Dialogs.front());
  Dialogs.pop_front();
  script(dialog);
  return dialog.result();
}

} // namespace tessra
