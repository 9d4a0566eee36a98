#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>

namespace tessra {

// Every modal question, message and dialog of the program goes through one of
// these, so that tests can answer them. parent is the window the question
// belongs to (may be null).
class TPrompt {
public:
  virtual ~TPrompt() = default;

  // A Yes/No question; true for Yes.
  virtual bool Question(QWidget* parent, const QString& text) = 0;
  virtual void Error(QWidget* parent, const QString& text) = 0;
  virtual void Warning(QWidget* parent, const QString& text) = 0;
  virtual void Information(QWidget* parent, const QString& text) = 0;
  // Runs a dialog modally; the result is QDialog::Accepted or QDialog::Rejected.
  virtual int ExecDialog(QDialog& dialog) = 0;
};

} // namespace tessra
