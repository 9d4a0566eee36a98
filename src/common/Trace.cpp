#include "common/Trace.h"

Q_LOGGING_CATEGORY(lcTessraEngine, "tessra.engine", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTessraTransport, "tessra.transport", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTessraApp, "tessra.app", QtWarningMsg)

namespace tessra {

void TraceEngine(const QString& line) {
  qCDebug(lcTessraEngine).noquote() << line;
}
void TraceTransport(const QString& line) {
  qCDebug(lcTessraTransport).noquote() << line;
}
void TraceApp(const QString& line) {
  qCDebug(lcTessraApp).noquote() << line;
}

} // namespace tessra
