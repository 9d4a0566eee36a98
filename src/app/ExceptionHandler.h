#pragma once

#include <exception>
#include <functional>

#include <QApplication>
#include <QString>

namespace tessra {

// The program's application object. Its notify() is the application-wide
// exception handler: an exception that escapes an event handler (a timer, a
// socket notification, a menu command) is caught here, handed to OnException
// and the program runs on.
class TExceptionHandler : public QApplication {
public:
  TExceptionHandler(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows the failure; set by the main window. Without a handler the message
  // goes to the warning log.
  std::function<void(TExceptionHandler& sender, const QString& message)> OnException;

  // The one place messages are filtered: the name cache's failed look-ups
  // ("Name not found for ID", any letter case) are dropped without a trace.
  static bool IsShown(const QString& message);
  // What notify() does around the delivery of one event: runs deliver and
  // hands the message of a std::exception escaping it to show (when
  // IsShown); false after a failure. A failure inside show is logged, never
  // passed on.
  static bool Guarded(const std::function<bool()>& deliver,
                      const std::function<void(const QString& message)>& show);
};

} // namespace tessra
