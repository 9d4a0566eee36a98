#include "display/ChatConsoleScrollingData.h"

#include <algorithm>

namespace tessra {

TScrollingData::TScrollingData(std::function<void()> changed) : Changed(std::move(changed)) {}

void TScrollingData::Notify() const {
  if (Changed) {
    Changed();
  }
}

void TScrollingData::Assign(const TScrollingData& other) {
  if (&other == this) {
    return;
  }
  Smooth = other.Smooth;
  MaxSpeed = other.MaxSpeed;
  Acceleration = other.Acceleration;
  Deceleration = other.Deceleration;
  RemoveWhileUp = other.RemoveWhileUp;
  Notify();
}

void TScrollingData::SetSmoothScrolling(bool on) {
  Smooth = on;
  Notify();
}

void TScrollingData::SetMaxScrollSpeed(int pixels) {
  MaxSpeed = std::max(pixels, 1);
  Notify();
}

void TScrollingData::SetAccelerationRange(int pixels) {
  Acceleration = std::max(pixels, 0);
  Notify();
}

void TScrollingData::SetDecelerationRange(int pixels) {
  Deceleration = std::max(pixels, 0);
  Notify();
}

void TScrollingData::SetRemoveLinesWhileScrolledUp(bool on) {
  RemoveWhileUp = on;
  Notify();
}

} // namespace tessra
