#include "server/ByteRateLimiter.h"

#include <algorithm>

namespace tessra {

TByteRateLimiter::TByteRateLimiter(int64_t bytesPerSecond, const TTickSource& ticks)
    : Rate(std::max<int64_t>(bytesPerSecond, 0)), Capacity(Rate * 2), Available(Capacity),
      Ticks(ticks), LastTick(ticks.Now()) {}

void TByteRateLimiter::Refill() {
  const uint32_t now = Ticks.Now();
  // Unsigned difference: the tick count wraps at 2^32.
  // More than a minute refills any bucket; capping keeps the product small.
  const int64_t elapsed = std::min<int64_t>(static_cast<uint32_t>(now - LastTick), 60000);
  if (elapsed <= 0) {
    return;
  }
  // Credit whole bytes only and keep the remainder of the interval, so that
  // many small refills add up to the same as one large one.
  const int64_t credit = elapsed * Rate / 1000;
  if (credit > 0) {
    Available = std::min(Capacity, Available + credit);
    LastTick = now;
  } else if (Available >= Capacity) {
    LastTick = now;
  }
}

bool TByteRateLimiter::Take(int64_t count) {
  if (Rate == 0) {
    return true;
  }
  Refill();
  if (count > Available) {
    Available = 0;
    return false;
  }
  Available -= count;
  return true;
}

} // namespace tessra
