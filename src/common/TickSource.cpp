#include "common/TickSource.h"

namespace tessra {

TSteadyTickSource::TSteadyTickSource() {
  Timer.start();
}

uint32_t TSteadyTickSource::Now() const {
  return static_cast<uint32_t>(Timer.elapsed()) + 1u;
}

} // namespace tessra
