#include "ColorCode.h"

#include <array>

namespace tessra {

namespace {

struct TSystemColorRole {
  QPalette::ColorGroup Group;
  QPalette::ColorRole Role;
};

// The platform's system colours by index, each read from the palette role
// that plays the same part in Qt.
constexpr std::array<TSystemColorRole, kSystemColorCount> kSystemColorRoles{{
    {QPalette::Active, QPalette::Button},          // 0 scroll bar
    {QPalette::Active, QPalette::Dark},            // 1 desktop background
    {QPalette::Active, QPalette::Highlight},       // 2 active caption
    {QPalette::Inactive, QPalette::Mid},           // 3 inactive caption
    {QPalette::Active, QPalette::Window},          // 4 menu
    {QPalette::Active, QPalette::Base},            // 5 window background
    {QPalette::Active, QPalette::Shadow},          // 6 window frame
    {QPalette::Active, QPalette::WindowText},      // 7 menu text
    {QPalette::Active, QPalette::Text},            // 8 window text
    {QPalette::Active, QPalette::HighlightedText}, // 9 caption text
    {QPalette::Active, QPalette::Button},          // 10 active border
    {QPalette::Inactive, QPalette::Button},        // 11 inactive border
    {QPalette::Active, QPalette::Dark},            // 12 application work space
    {QPalette::Active, QPalette::Highlight},       // 13 highlight
    {QPalette::Active, QPalette::HighlightedText}, // 14 highlight text
    {QPalette::Active, QPalette::Button},          // 15 button face
    {QPalette::Active, QPalette::Mid},             // 16 button shadow
    {QPalette::Disabled, QPalette::Text},          // 17 grey text
    {QPalette::Active, QPalette::ButtonText},      // 18 button text
    {QPalette::Inactive, QPalette::WindowText},    // 19 inactive caption text
    {QPalette::Active, QPalette::Light},           // 20 button highlight
    {QPalette::Active, QPalette::Shadow},          // 21 3D dark shadow
    {QPalette::Active, QPalette::Midlight},        // 22 3D light
    {QPalette::Active, QPalette::ToolTipText},     // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},     // 24 info background
    {QPalette::Active, QPalette::Window},          // 25 (unnamed)
    {QPalette::Active, QPalette::Link},            // 26 hot light
    {QPalette::Active, QPalette::Highlight},       // 27 gradient active caption
    {QPalette::Inactive, QPalette::Mid},           // 28 gradient inactive caption
    {QPalette::Active, QPalette::Highlight},       // 29 menu highlight
    {QPalette::Active, QPalette::Window},          // 30 menu bar
}};

} // namespace

QColor ColorFromCode(TColorCode code, const QPalette& palette) {
  if (code == kColorNone) {
    return QColor();
  }
  if (IsSystemColorCode(code)) {
    const TColorCode index = code & 0x00FFFFFFU;
    if (index >= kSystemColorRoles.size()) {
      return QColor(0, 0, 0);
    }
    const TSystemColorRole& entry = kSystemColorRoles[index];
    return palette.color(entry.Group, entry.Role);
  }
  return QColor(static_cast<int>(code & 0xFF), static_cast<int>((code >> 8) & 0xFF),
                static_cast<int>((code >> 16) & 0xFF));
}

TColorCode ColorToCode(const QColor& color) {
  if (!color.isValid()) {
    return kColorNone;
  }
  return RgbColorCode(color.red(), color.green(), color.blue());
}

} // namespace tessra
