#include "EnterIsOk.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace tessra {

TEnterIsOk::TEnterIsOk(QComboBox& box, QPushButton& button, QObject* parent)
    : QObject(parent), Button(button) {
  // The box hands keys to its line edit by hand, past any filter, and keys
  // may reach either; both are watched. An open list over the box has the
  // keyboard itself, so Enter there still picks an entry.
  box.installEventFilter(this);
  if (box.lineEdit() != nullptr) {
    box.lineEdit()->installEventFilter(this);
  }
}

bool TEnterIsOk::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      Button.click();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

} // namespace tessra
