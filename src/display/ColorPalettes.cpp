#include "display/ColorPalettes.h"

#include <array>

#include "display/ColorValue.h"

namespace tessra {

namespace {

constexpr std::array<TNamedColor, 40> kDefaultColorPalette = {{
    {"Black", 0x000000},
    {"Brown", 0x993300},
    {"Olive Green", 0x333300},
    {"Dark Green", 0x003300},
    {"Dark Teal", 0x003366},
    {"Dark Blue", 0x000080},
    {"Indigo", 0x333399},
    {"Gray 80%", 0x333333},
    {"Dark Red", 0x800000},
    {"Orange", 0xFF6600},
    {"Dark Yellow", 0x808000},
    {"Green", 0x008000},
    {"Teal", 0x008080},
    {"Blue", 0x0000FF},
    {"Blue Gray", 0x666699},
    {"Gray 50%", 0x808080},
    {"Red", 0xFF0000},
    {"Light Orange", 0xFF9900},
    {"Lime", 0x99CC00},
    {"Sea Green", 0x339966},
    {"Aqua", 0x339999},
    {"Light Blue", 0x3366FF},
    {"Violet", 0x800080},
    {"Gray 40%", 0x999999},
    {"Pink", 0xFF00FF},
    {"Gold", 0xFFCC00},
    {"Yellow", 0xFFFF00},
    {"Bright Green", 0x00FF00},
    {"Turquoise", 0x00FFFF},
    {"Sky Blue", 0x00CCFF},
    {"Plum", 0x993366},
    {"Gray 25%", 0xC0C0C0},
    {"Rose", 0xFF99CC},
    {"Tan", 0xFFCC99},
    {"Light Yellow", 0xFFFF99},
    {"Light Green", 0xCCFFCC},
    {"Light Turquoise", 0xCCFFFF},
    {"Pale Blue", 0x99CCFF},
    {"Lavender", 0xCC99FF},
    {"White", 0xFFFFFF},
}};

constexpr std::array<TSystemColorCell, 30> kSystemColorPalette = {{
    {"Scroll Bar", 0},
    {"Background", 1},
    {"Active Caption", 2},
    {"Inactive Caption", 3},
    {"Menu", 4},
    {"Window", 5},
    {"Window Frame", 6},
    {"Menu Text", 7},
    {"Window Text", 8},
    {"Caption Text", 9},
    {"Active Border", 10},
    {"Inactive Border", 11},
    {"App WorkSpace", 12},
    {"Highlight", 13},
    {"Highlight Text", 14},
    {"Button Face", 15},
    {"Button Shadow", 16},
    {"Gray Text", 17},
    {"Button Text", 18},
    {"Inactive Caption Text", 19},
    {"Button Highlight", 20},
    {"3D Dark Shadow", 21},
    {"3D Light", 22},
    {"Info Text", 23},
    {"Info Background", 24},
    {"Hot Light", 26},
    {"Gradient Active Caption", 27},
    {"Gradient Inactive Caption", 28},
    {"Menu Highlight", 29},
    {"Menu Bar", 30},
}};

} // namespace

std::span<const TNamedColor> DefaultColorPalette() {
  return kDefaultColorPalette;
}

std::span<const TSystemColorCell> SystemColorPalette() {
  return kSystemColorPalette;
}

std::vector<QColor> ResolveSystemColorPalette(const QPalette& palette) {
  std::vector<QColor> colors;
  colors.reserve(kSystemColorPalette.size());
  for (const TSystemColorCell& cell : kSystemColorPalette) {
    colors.push_back(SystemColor(cell.SystemIndex, palette));
  }
  return colors;
}

} // namespace tessra
