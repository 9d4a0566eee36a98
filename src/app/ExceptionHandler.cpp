#include "ExceptionHandler.h"

#include "common/Trace.h"

namespace tessra {

TExceptionHandler::TExceptionHandler(int& argc, char** argv) : QApplication(argc, argv) {}

bool TExceptionHandler::IsShown(const QString& message) {
  return !message.contains(QStringLiteral("Name not found for ID"), Qt::CaseInsensitive);
}

void TExceptionHandler::HandleException(const std::exception& e) {
  const QString message = QString::fromUtf8(e.what());
  TraceApp(QStringLiteral("ApplicationEvents1Exception: ") + message);
  if (!IsShown(message)) {
    return;
  }
  if (OnException) {
    OnException(*this, message);
  } else {
    qWarning("%s", e.what());
  }
}

bool TExceptionHandler::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    // The handler may fail in turn (a console line that cannot be added);
    // that must not take the program down either.
    try {
      HandleException(e);
    } catch (const std::exception& inner) {
      qWarning("%s", inner.what());
    }
    return false;
  }
}

} // namespace tessra
