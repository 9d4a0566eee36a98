#include "server/ShutdownSignal.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace tessra {

namespace {

// A signal handler can reach nothing but a plain global; this is the write
// end of the pipe, set while a TShutdownSignal exists.
volatile std::sig_atomic_t gSignalPipe = -1;

extern "C" void WriteSignalToPipe(int signalNumber) {
  const int fd = gSignalPipe;
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Nothing can be done about a full pipe; one byte is enough to wake us.
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
}

bool Catch(int signalNumber) {
  struct sigaction action {};
  action.sa_handler = WriteSignalToPipe;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return ::sigaction(signalNumber, &action, nullptr) == 0;
}

void Restore(int signalNumber) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

TShutdownSignal::TShutdownSignal() {
  if (gSignalPipe >= 0 || ::pipe2(Fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    Fds[0] = Fds[1] = -1;
    return;
  }
  gSignalPipe = Fds[1];
  if (!Catch(SIGINT) || !Catch(SIGTERM)) {
    return;
  }
  Notifier = std::make_unique<QSocketNotifier>(Fds[0], QSocketNotifier::Read);
  connect(Notifier.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
}

TShutdownSignal::~TShutdownSignal() {
  Notifier.reset();
  if (Fds[1] >= 0) {
    Restore(SIGINT);
    Restore(SIGTERM);
    gSignalPipe = -1;
    ::close(Fds[0]);
    ::close(Fds[1]);
  }
}

void TShutdownSignal::Drain() {
  unsigned char bytes[16];
  const ssize_t n = ::read(Fds[0], bytes, sizeof bytes);
  if (n > 0 && OnSignal) {
    OnSignal(*this, bytes[n - 1]);
  }
}

} // namespace tessra
