#pragma once

class QWidget;

namespace tessra {

// A start-up measurement hook for bench/startup. With TESSRA_REPORT_FIRST_PAINT=1
// in the environment, prints one line to standard output once the window's
// first paint is done:
//   first paint: 231.4 ms after process start (unix time 1765371234.567890 s)
// The time since process start is known only on Linux ("?" elsewhere); the
// wall-clock time lets a script that noted when it started the process work
// out the same figure more precisely. Without the variable nothing happens.
void ReportFirstPaint(QWidget& window);

} // namespace tessra
