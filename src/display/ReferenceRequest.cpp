#include "display/ReferenceRequest.h"

#include "common/TickSource.h"
#include "common/Trace.h"

namespace tessra {

void TReferenceRequest::Set(const QString& charName) {
  CharName = charName;
  Made = Ticks.Now();
  TraceApp(QStringLiteral("ReferenceRequest: ") + charName);
}

void TReferenceRequest::Clear() {
  CharName.clear();
  Made = 0;
}

bool TReferenceRequest::Take(const QString& sender) {
  if (CharName.isEmpty() || sender.isEmpty() ||
      sender.compare(CharName, Qt::CaseInsensitive) != 0) {
    return false;
  }
  // Unsigned difference: correct across the tick counter's wrap.
  if (std::uint32_t(Ticks.Now() - Made) >= kWindowMs) {
    return false;
  }
  Clear();
  return true;
}

} // namespace tessra
