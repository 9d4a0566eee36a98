#pragma once

#include <deque>
#include <functional>

#include <QStringList>

#include "Prompt.h"

namespace tessra {

// A prompt for tests: questions take the queued answers (No when none is
// left), every message is recorded as "Kind: text", and each dialog is handed
// to the next queued script, which plays the user and closes it (a dialog with
// no script left is cancelled).
class TScriptedPrompt : public TPrompt {
public:
  using TDialogScript = std::function<void(QDialog& dialog)>;

  std::deque<bool> Answers;
  std::deque<TDialogScript> Dialogs;
  QStringList Messages;
  int DialogsRun = 0;

  bool Question(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  void Warning(QWidget* parent, const QString& text) override;
  void Information(QWidget* parent, const QString& text) override;
  int ExecDialog(QDialog& dialog) override;
};

} // namespace tessra
