#pragma once

#include <cstdint>

#include <QColor>
#include <QPalette>

#include "common/SystemColorCount.h"

namespace tessra {

// Colours are stored as 32-bit codes: 0x00BBGGRR is a literal colour,
// 0xFF0000nn the platform's system colour with index nn (5 the window
// background, 8 the window text), 0x1FFFFFFF no colour at all.
using TColorCode = uint32_t;

constexpr TColorCode kColorNone = 0x1FFFFFFF;
constexpr TColorCode kSystemColorFlag = 0xFF000000;
constexpr TColorCode kColorWindow = kSystemColorFlag | 5;
constexpr TColorCode kColorWindowText = kSystemColorFlag | 8;

constexpr bool IsSystemColorCode(TColorCode code) {
  return (code & 0xFF000000U) == kSystemColorFlag;
}
constexpr TColorCode RgbColorCode(int red, int green, int blue) {
  return (static_cast<TColorCode>(blue & 0xFF) << 16) |
         (static_cast<TColorCode>(green & 0xFF) << 8) | static_cast<TColorCode>(red & 0xFF);
}

// The colour a code stands for now: system colours come from the palette
// (one role per index), "no colour" is an invalid QColor, an index beyond the
// table is black.
QColor ColorFromCode(TColorCode code, const QPalette& palette);
// The literal code of a colour; an invalid colour is "no colour".
TColorCode ColorToCode(const QColor& color);

} // namespace tessra
