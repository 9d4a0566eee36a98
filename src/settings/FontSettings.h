#pragma once

#include <cstdint>

#include <QFont>
#include <QString>

#include "ColorCode.h"

namespace tessra {

// The stored description of one control's font: the eight values of a font
// group (prefix + "_FontCharSet" ... "_FontStrikeOut").
struct TFontSettings {
  int32_t CharSet = 1; // the platform's default character set
  TColorCode Color = kColorWindowText;
  QString Name = QStringLiteral("Tahoma");
  int32_t Size = 8; // points
  bool Bold = false;
  bool Underline = false;
  bool Italic = false;
  bool StrikeOut = false;

  QFont ToFont() const {
    QFont font(Name);
    if (Size > 0) {
      font.setPointSize(Size);
    }
    font.setBold(Bold);
    font.setUnderline(Underline);
    font.setItalic(Italic);
    font.setStrikeOut(StrikeOut);
    return font;
  }

  bool operator==(const TFontSettings&) const = default;
};

// The console's link font: its own font without a colour of its own.
inline TFontSettings LinkFontOf(const TFontSettings& consoleFont) {
  TFontSettings font = consoleFont;
  font.Color = kColorNone;
  return font;
}

// The console's font for the link under the mouse: the link font with the
// underline turned the other way.
inline TFontSettings HoverLinkFontOf(const TFontSettings& consoleFont) {
  TFontSettings font = LinkFontOf(consoleFont);
  font.Underline = !consoleFont.Underline;
  return font;
}

} // namespace tessra
