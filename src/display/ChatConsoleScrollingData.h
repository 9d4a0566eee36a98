#pragma once

#include <functional>

namespace tessra {

// The scrolling settings of a chat console. Values are clamped as they are stored.
class TScrollingData {
public:
  explicit TScrollingData(std::function<void()> changed);
  TScrollingData(const TScrollingData&) = delete;
  TScrollingData& operator=(const TScrollingData&) = delete;

  // Copies all five settings.
  void Assign(const TScrollingData& other);

  bool SmoothScrolling() const { return Smooth; }
  void SetSmoothScrolling(bool on);
  // Pixels per step at full speed; 0 or less is stored as 1.
  int MaxScrollSpeed() const { return MaxSpeed; }
  void SetMaxScrollSpeed(int pixels);
  // Distances over which scrolling speeds up and slows down; negative is stored as 0.
  int AccelerationRange() const { return Acceleration; }
  void SetAccelerationRange(int pixels);
  int DecelerationRange() const { return Deceleration; }
  void SetDecelerationRange(int pixels);
  // Whether the line limit is enforced while the user is scrolled up.
  bool RemoveLinesWhileScrolledUp() const { return RemoveWhileUp; }
  void SetRemoveLinesWhileScrolledUp(bool on);

private:
  void Notify() const;

  std::function<void()> Changed;
  bool Smooth = false;
  int MaxSpeed = 20;
  int Acceleration = 210;
  int Deceleration = 210;
  bool RemoveWhileUp = false;
};

} // namespace tessra
