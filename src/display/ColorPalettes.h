#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <QColor>
#include <QPalette>

namespace tessra {

// One cell of the input line's default colour palette.
struct TNamedColor {
  const char* Name;
  std::uint32_t Rgb; // 0xRRGGBB
};

// One cell of the system colour palette: a platform system colour by its index (0..30).
struct TSystemColorCell {
  const char* Name;
  int SystemIndex;
};

inline constexpr int kDefaultPaletteColumns = 8;
inline constexpr int kDefaultPaletteRows = 5;
inline constexpr int kSystemPaletteColumns = 8;
inline constexpr int kSystemPaletteRows = 4;

// The 40 named colours, 8 columns by 5 rows, row by row.
std::span<const TNamedColor> DefaultColorPalette();

// The 30 system colours (indexes 0 to 30 without 25), 8 columns by 4 rows, row by row.
std::span<const TSystemColorCell> SystemColorPalette();

// The current value of each system palette cell, resolved in the palette.
std::vector<QColor> ResolveSystemColorPalette(const QPalette& palette);

} // namespace tessra
