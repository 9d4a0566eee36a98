#pragma once

#include <functional>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

namespace tessra {

// Runs the event loop until done() holds or the time is up. Unlike a poll
// with sleeps, it wakes for every socket event, so bulk transfers run at
// full speed.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) {
      return false;
    }
    QCoreApplication::processEvents(
        QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents,
        static_cast<int>(std::min<qint64>(deadline.remainingTime(), 20)));
  }
  return true;
}

} // namespace tessra
