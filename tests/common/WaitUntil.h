#pragma once

#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>

namespace tessra::test {

// Runs the event loop until the condition holds or the time is up; false when the time ran out.
// eachRound, when given, runs before every turn of the loop (to drive timers a test steps by hand).
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000,
                      const std::function<void()>& eachRound = {}) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) {
      return false;
    }
    if (eachRound) {
      eachRound();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

} // namespace tessra::test
