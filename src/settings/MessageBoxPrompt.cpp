#include "MessageBoxPrompt.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace tessra {

namespace {

QString Caption() {
  return QGuiApplication::applicationDisplayName();
}

} // namespace

bool TMessageBoxPrompt::Question(QWidget* parent, const QString& text) {
  return QMessageBox::question(parent, Caption(), text, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

void TMessageBoxPrompt::Error(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, Caption(), text);
}

void TMessageBoxPrompt::Warning(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, Caption(), text);
}

void TMessageBoxPrompt::Information(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, Caption(), text);
}

int TMessageBoxPrompt::ExecDialog(QDialog& dialog) {
  return dialog.exec();
}

} // namespace tessra
