#include "FirstPaintReport.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <time.h>
#include <unistd.h>
#endif

namespace tessra {

namespace {

// Milliseconds since the kernel started this process: /proc/self/stat holds the
// start in clock ticks since boot (field 22), CLOCK_BOOTTIME the same clock now.
std::optional<double> MsSinceProcessStart() {
#ifdef Q_OS_LINUX
  std::ifstream file("/proc/self/stat");
  std::string text;
  std::getline(file, text);
  // Field 2, the command name, is in parentheses and may hold spaces.
  const auto close = text.rfind(')');
  if (close == std::string::npos) {
    return std::nullopt;
  }
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  for (int number = 3; number < 22 && fields >> field; ++number) {
  }
  unsigned long long startTicks = 0;
  const long ticksPerSecond = sysconf(_SC_CLK_TCK);
  timespec now{};
  if (!(fields >> startTicks) || ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
    return std::nullopt;
  }
  const double nowMs =
      static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
  return nowMs - static_cast<double>(startTicks) * 1000.0 / static_cast<double>(ticksPerSecond);
#else
  return std::nullopt;
#endif
}

void PrintReport() {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const double unixSeconds =
      static_cast<double>(
          std::chrono::duration_cast<std::chrono::microseconds>(sinceEpoch).count()) /
      1.0e6;
  const std::optional<double> sinceStart = MsSinceProcessStart();
  if (sinceStart) {
    std::printf("first paint: %.1f ms after process start (unix time %.6f s)\n", *sinceStart,
                unixSeconds);
  } else {
    std::printf("first paint: ? ms after process start (unix time %.6f s)\n", unixSeconds);
  }
  std::fflush(stdout);
}

// Waits for the first paint event of the window or of any widget in it (opaque
// children may cover the window itself) and reports once the event loop is back,
// that is when the painted frame has been handed to the window system.
class TFirstPaintWatcher : public QObject {
public:
  explicit TFirstPaintWatcher(QWidget& window) : QObject(&window), Window(&window) {
    QCoreApplication::instance()->installEventFilter(this);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == Window) {
      QCoreApplication::instance()->removeEventFilter(this);
      QTimer::singleShot(0, Window, [] { PrintReport(); });
    }
    return false;
  }

private:
  QWidget* Window;
};

} // namespace

void ReportFirstPaint(QWidget& window) {
  if (qEnvironmentVariable("TESSRA_REPORT_FIRST_PAINT") != QStringLiteral("1")) {
    return;
  }
  new TFirstPaintWatcher(window); // owned by the window
}

} // namespace tessra
