#pragma once

#include <cstdint>

#include "common/TickSource.h"

namespace tessra {

// A token bucket over bytes: a client may send BytesPerSecond on average and
// a burst of twice that. A rate of 0 lets everything through.
class TByteRateLimiter {
public:
  TByteRateLimiter(int64_t bytesPerSecond, const TTickSource& ticks);

  // Takes count bytes from the bucket; false when there were not enough (the
  // bucket is then left empty: the client is over its limit).
  bool Take(int64_t count);

private:
  void Refill();

  int64_t Rate;
  int64_t Capacity;
  int64_t Available;
  const TTickSource& Ticks;
  uint32_t LastTick;
};

} // namespace tessra
