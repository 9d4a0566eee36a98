#pragma once

#include "Prompt.h"

namespace tessra {

// The program's own prompt: message boxes captioned with the application's
// name and dialogs run with exec().
class TMessageBoxPrompt : public TPrompt {
public:
  bool Question(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  void Warning(QWidget* parent, const QString& text) override;
  void Information(QWidget* parent, const QString& text) override;
  int ExecDialog(QDialog& dialog) override;
};

} // namespace tessra
