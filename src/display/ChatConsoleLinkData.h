#pragma once

#include <functional>

#include "display/ChatConsoleTypes.h"

namespace tessra {

// The link fonts of a chat console. The console owns one and is told of every change, since a
// new link font changes the size of linked text.
class TLinkData {
public:
  explicit TLinkData(std::function<void()> changed);
  TLinkData(const TLinkData&) = delete;
  TLinkData& operator=(const TLinkData&) = delete;

  // Copies the two fonts (not the effect flags).
  void Assign(const TLinkData& other);

  // The font of a link (Effect on); without a colour of its own a link keeps the surrounding
  // colour.
  const TChatFont& Font() const { return LinkFont; }
  void SetFont(const TChatFont& font);
  // The font of the hovered link (HoverEffect on).
  const TChatFont& HoverFont() const { return LinkHoverFont; }
  void SetHoverFont(const TChatFont& font);
  // Effect and HoverEffect of the links URL detection makes.
  bool AutoParseEffect() const { return ParseEffect; }
  void SetAutoParseEffect(bool on) { ParseEffect = on; }
  bool AutoParseHoverEffect() const { return ParseHoverEffect; }
  void SetAutoParseHoverEffect(bool on) { ParseHoverEffect = on; }

private:
  std::function<void()> Changed;
  TChatFont LinkFont;
  TChatFont LinkHoverFont;
  bool ParseEffect = true;
  bool ParseHoverEffect = true;
};

} // namespace tessra
