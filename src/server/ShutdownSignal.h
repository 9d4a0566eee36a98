#pragma once

#include <functional>
#include <memory>

#include <QObject>

class QSocketNotifier;

namespace tessra {

// Turns SIGINT and SIGTERM into a call on the event loop's thread: the
// signal handler only writes one byte into a pipe, and a socket notifier on
// the pipe's other end runs OnSignal. At most one instance may exist; it
// restores the default handlers when destroyed.
class TShutdownSignal : public QObject {
public:
  TShutdownSignal();
  ~TShutdownSignal() override;

  TShutdownSignal(const TShutdownSignal&) = delete;
  TShutdownSignal& operator=(const TShutdownSignal&) = delete;

  // False when the pipe or the handlers could not be set up.
  bool Installed() const { return Notifier != nullptr; }

  std::function<void(TShutdownSignal&, int signalNumber)> OnSignal;

private:
  void Drain();

  int Fds[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> Notifier;
};

} // namespace tessra
