#pragma once

#include <cstdint>

#include <QElapsedTimer>

namespace tessra {

// A millisecond tick count that wraps at 2^32, like the platform's tick
// counter. Everything that measures intervals (send pacing, keep-alive,
// auto-away, the auto-reply throttle) reads one of these, so tests can move
// time by hand instead of waiting.
class TTickSource {
public:
  virtual ~TTickSource() = default;
  virtual uint32_t Now() const = 0;
};

// The real clock: milliseconds since this object was made, from a monotonic
// clock, offset so that 0 never appears as a reading (0 means "never").
class TSteadyTickSource : public TTickSource {
public:
  TSteadyTickSource();
  uint32_t Now() const override;

private:
  QElapsedTimer Timer;
};

// A clock that only moves when told to.
class TManualTickSource : public TTickSource {
public:
  explicit TManualTickSource(uint32_t start = 1000) : Current(start) {}
  uint32_t Now() const override { return Current; }
  void Advance(uint32_t ms) { Current += ms; }
  void Set(uint32_t ms) { Current = ms; }

private:
  uint32_t Current;
};

} // namespace tessra
