#include "display/ColorMenuState.h"

#include <utility>

#include "display/ColorPalettes.h"

namespace tessra {

namespace {

bool SameRgb(const QColor& a, const QColor& b) {
  return a.isValid() && b.isValid() && (a.rgb() & 0xFFFFFFu) == (b.rgb() & 0xFFFFFFu);
}

} // namespace

TColorMenuState::TColorMenuState(QColor defaultColor, std::vector<QColor> systemColors)
    : DefaultColor(std::move(defaultColor)), SystemColors(std::move(systemColors)) {}

void TColorMenuState::SetInputColor(const QColor& color) {
  DefaultChecked = false;
  CustomChecked = false;
  DefaultPaletteSelection = -1;
  SystemPaletteSelection = -1;
  if (SameRgb(color, DefaultColor)) {
    DefaultChecked = true;
    return;
  }
  const auto palette = DefaultColorPalette();
  for (std::size_t i = 0; i < palette.size(); ++i) {
    if (SameRgb(color, QColor::fromRgb(palette[i].Rgb))) {
      DefaultPaletteSelection = int(i);
      return;
    }
  }
  for (std::size_t i = 0; i < SystemColors.size(); ++i) {
    if (SameRgb(color, SystemColors[i])) {
      SystemPaletteSelection = int(i);
      return;
    }
  }
  if (SameRgb(color, CustomColor)) {
    CustomChecked = true;
  } else {
    DefaultChecked = true;
  }
}

QColor TColorMenuState::ActiveColor() const {
  if (DefaultChecked) {
    return DefaultColor;
  }
  if (CustomChecked) {
    return CustomColor;
  }
  if (DefaultPaletteSelection >= 0) {
    return QColor::fromRgb(DefaultColorPalette()[std::size_t(DefaultPaletteSelection)].Rgb);
  }
  if (SystemPaletteSelection >= 0 && std::size_t(SystemPaletteSelection) < SystemColors.size()) {
    return SystemColors[std::size_t(SystemPaletteSelection)];
  }
  return DefaultColor;
}

} // namespace tessra
