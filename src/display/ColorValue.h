#pragma once

#include <cstdint>
#include <span>

#include <QColor>
#include <QPalette>
#include <QString>

#include "common/SystemColorCount.h"

namespace tessra {

// What a mark-up colour value stands for.
enum class TColorKind : std::uint8_t {
  None,    // no colour: the element leaves the current colour alone
  Rgb,     // a fixed RRGGBB value
  System,  // one of the platform's system colours, index 0..30, resolved when painting
  Default, // the toolkit's default colour ("clDefault"), resolved when painting
};

// A colour as written in the mark-up. Four bytes, because every console element carries two of
// them: the kind in the top byte and the RRGGBB value or the system colour index below it.
class TColorValue {
public:
  constexpr TColorValue() = default;

  static constexpr TColorValue None() { return TColorValue(); }
  static constexpr TColorValue FromRgb(std::uint32_t rrggbb) {
    return TColorValue(TColorKind::Rgb, rrggbb & 0xFFFFFFu);
  }
  static constexpr TColorValue FromRgb(int red, int green, int blue) {
    return FromRgb((std::uint32_t(red & 0xFF) << 16) | (std::uint32_t(green & 0xFF) << 8) |
                   std::uint32_t(blue & 0xFF));
  }
  // Index 0..30 of the system colour table (see SystemColor).
  static constexpr TColorValue FromSystem(int index) {
    return TColorValue(TColorKind::System, std::uint32_t(index) & 0xFFu);
  }
  static constexpr TColorValue Default() { return TColorValue(TColorKind::Default, 0); }

  constexpr TColorKind Kind() const { return TColorKind(Packed >> 24); }
  constexpr bool IsNone() const { return Kind() == TColorKind::None; }
  // 0xRRGGBB; only meaningful for TColorKind::Rgb.
  constexpr std::uint32_t Rgb() const { return Packed & 0xFFFFFFu; }
  // Only meaningful for TColorKind::System.
  constexpr int SystemIndex() const { return int(Packed & 0xFFu); }

  // The colour to paint with: an invalid QColor for None, system colours and the default colour
  // taken from the given palette.
  QColor Resolve(const QPalette& palette) const;

  friend constexpr bool operator==(TColorValue, TColorValue) = default;

private:
  constexpr TColorValue(TColorKind kind, std::uint32_t value)
      : Packed((std::uint32_t(kind) << 24) | value) {}

  std::uint32_t Packed = 0;
};

// The system colour with the given index, looked up in one table that maps each index to a role
// of the palette. Indexes outside 0..30 give the palette's text colour.
QColor SystemColor(int index, const QPalette& palette);

// One entry of the game's named colour table.
struct TVeyraColorName {
  const char* Name;
  std::uint32_t Rgb; // 0xRRGGBB
};

// The game's 100 named colours in lookup order (first match wins); the colour menu of the attach
// dialog offers the first 25.
std::span<const TVeyraColorName> VeyraColorNames();

// Case-insensitive lookup in VeyraColorNames; false when the name is not in the table.
bool FindVeyraColorName(const QString& name, TColorValue& color);

// Case-insensitive lookup of a toolkit colour identifier ("clBlue", "clBtnFace", "clNone", ...);
// false when the text is not one of them.
bool FindColorIdentifier(const QString& name, TColorValue& color);

// The colour of a FONT attribute: "#RRGGBB", a VeyraColorNames name, a toolkit identifier or a
// number (decimal, or "$" hexadecimal in BBGGRR order). An empty value gives None. Anything else
// throws TChatException("'<value>' is not a valid integer value").
TColorValue ResolveFontColor(const QString& value);

// The colour of a COLOR tag: like ResolveFontColor but without the VeyraColorNames table.
TColorValue ResolveColorTagColor(const QString& value);

} // namespace tessra
