#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include <QColor>
#include <QPalette>
#include <QString>
#include <QStringView>

#include "display/ColorValue.h"

namespace tessra {

// The game's colour codes inside chat text: the character 10 hex followed by one character, or
// the single character 11 hex, which marks reference text. The character 12 hex switches back to
// the message colour and has no entry of its own.
inline constexpr char16_t kColorCodeLead = 0x10;
inline constexpr char16_t kReferenceColorCode = 0x11;
inline constexpr char16_t kMessageColorCode = 0x12;

// The colour of reference text (code 11 hex); the input line shows an attached reference in it.
inline constexpr std::uint32_t kReferenceColor = 0x9C9CFF;

struct TColorCodeEntry {
  // Lead 10 hex and the second character, or 11 hex alone (the second character unused).
  char16_t Code[2];
  std::uint32_t Rgb; // 0xRRGGBB
};

// The 37 colour codes in search order.
std::span<const TColorCodeEntry> ColorCodeTable();

// The code of a table entry as text (one or two characters).
QString ColorCodeText(const TColorCodeEntry& entry);

// "RRGGBB" in upper case. Alpha is ignored; an invalid colour gives "000000".
QString ColorToHex(const QColor& color);
// The same for a mark-up colour value; system and default colours are resolved in the palette
// first, the colour none gives "000000".
QString ColorToHex(TColorValue color, const QPalette& palette);

// Characters 5-6, 3-4 and 1-2 of a six-character text (RRGGBB <-> BBGGRR); any other length is
// returned unchanged.
QString SwapRedBlue(const QString& text);

// The code of the first table entry with the colour (the table holds duplicates such as
// FF0000, which always give the earliest code); empty when no entry has it.
QString ColorCodeOf(const QColor& color);

// The colour of the first table entry with that code; an invalid colour for an unknown code.
QColor ColorOfCode(QStringView code);

// Turns colour codes into font tags: each code into `</font><font color="#RRGGBB">` with the
// entry's colour, the character 12 hex into the same with the message colour (into
// `</font><font>`, which keeps the surrounding colour, when there is none), removes the game's
// "<font color='F0F0F0'>" and, when a background colour and a message colour are given, shows
// text written in the background colour in the message colour instead. Closing the previous font
// before each new one relies on the line builder wrapping every message in a font tag of the
// message colour.
QString AdaptColors(const QString& text, const std::optional<QColor>& messageColor,
                    const std::optional<QColor>& backgroundColor);

// The text without any colour code and without the character 12 hex.
QString StripColorCodes(const QString& text);

} // namespace tessra
