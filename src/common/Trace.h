#pragma once

#include <QLoggingCategory>
#include <QString>

// The diagnostic trace: one line per engine, list and transport operation.
// Off unless switched on, e.g. QT_LOGGING_RULES="tessra.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcTessraEngine)
Q_DECLARE_LOGGING_CATEGORY(lcTessraTransport)
Q_DECLARE_LOGGING_CATEGORY(lcTessraApp)

namespace tessra {

void TraceEngine(const QString& line);
// Whether engine traces are switched on; hot paths test it before they build
// a trace line, so a switched-off trace costs nothing.
inline bool EngineTracing() {
  return lcTessraEngine().isDebugEnabled();
}
void TraceTransport(const QString& line);
void TraceApp(const QString& line);

// Wraps a value in double quotes, the way list traces quote their values.
inline QString Quoted(const QString& value) {
  return QLatin1Char('"') + value + QLatin1Char('"');
}
inline QString Quoted(long long value) {
  return Quoted(QString::number(value));
}

} // namespace tessra
