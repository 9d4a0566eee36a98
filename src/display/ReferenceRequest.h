#pragma once

#include <cstdint>

#include <QString>

namespace tessra {

class TTickSource;

// The reference the user asked a character for from the reference viewer: a text or command
// reference that character sends back within kWindowMs opens by itself, once.
class TReferenceRequest {
public:
  static constexpr std::uint32_t kWindowMs = 10000;

  explicit TReferenceRequest(const TTickSource& ticks) : Ticks(ticks) {}

  // Records a request to `charName` at the current tick; it replaces any earlier one.
  void Set(const QString& charName);
  void Clear();
  bool Pending() const { return !CharName.isEmpty(); }
  const QString& Target() const { return CharName; }

  // Whether a reference from `sender` answers the request: the names match without regard to
  // letter case and less than kWindowMs have passed. An answered request is cleared; an expired
  // one is kept until it is replaced, as nothing else can answer it.
  bool Take(const QString& sender);

private:
  const TTickSource& Ticks;
  QString CharName;
  std::uint32_t Made = 0;
};

} // namespace tessra
