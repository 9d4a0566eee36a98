#include "ExceptionHandler.h"

#include "common/Trace.h"

namespace tessra {

TExceptionHandler::TExceptionHandler(int& argc, char** argv) : QApplication(argc, argv) {}

bool TExceptionHandler::IsShown(const QString& message) {
  return !message.contains(QStringLiteral("Name not found for ID"), Qt::CaseInsensitive);
}

bool TExceptionHandler::Guarded(const std::function<bool()>& deliver,
                                const std::function<void(const QString& message)>& show) {
  try {
    return deliver();
  } catch (const std::exception& e) {
    // The handler may fail in turn (a console line that cannot be added);
    // that must not take the program down either.
    try {
      const QString message = QString::fromUtf8(e.what());
      TraceApp(QStringLiteral("ApplicationEvents1Exception: ") + message);
      if (IsShown(message)) {
        show(message);
      }
    } catch (const std::exception& inner) {
      qWarning("%s", inner.what());
    }
    return false;
  }
}

bool TExceptionHandler::notify(QObject* receiver, QEvent* event) {
  return Guarded([&] { return QApplication::notify(receiver, event); },
                 [this](const QString& message) {
                   if (OnException) {
                     OnException(*this, message);
                   } else {
                     qWarning("%s", qPrintable(message));
                   }
                 });
}

} // namespace tessra
