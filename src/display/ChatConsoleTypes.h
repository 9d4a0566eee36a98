#pragma once

#include <cstdint>

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QString>

namespace tessra {

// Behaviour switches of the chat console.
enum TConsoleOption : std::uint8_t {
  coBlinking = 1,         // BLINK text blinks
  coSelection = 2,        // the mouse may drag-select text
  coAutoCopy = 4,         // selected text goes to the clipboard when nobody handles OnSelect
  coAutoOpenURLLinks = 8, // a click on a URL link opens it with the desktop's handler
};
Q_DECLARE_FLAGS(TConsoleOptions, TConsoleOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TConsoleOptions)

inline constexpr TConsoleOptions kAllConsoleOptions =
    TConsoleOptions(coBlinking | coSelection | coAutoCopy | coAutoOpenURLLinks);

// The border drawn around the console.
enum TEdgeType : std::uint8_t {
  etNone,   // no border
  etClient, // sunken client edge
  etStatic, // thin static edge
};

// Where the wrapped rows of a line start.
enum TIndentType : std::uint8_t {
  itNone,      // at the left margin
  itHanging,   // at x = IndentAmount
  itTimestamp, // right after the line's time stamp
};

// A font together with the text colour it draws in. An invalid Color means "no colour of its
// own": text drawn with the font keeps the colour of the surrounding text.
struct TChatFont {
  QFont Font;
  QColor Color;

  friend bool operator==(const TChatFont&, const TChatFont&) = default;
};

// The link under the mouse; every string is empty while Valid is false.
struct TLinkInformation {
  bool Valid = false;
  QString Name;
  QString Params;
  QString Hint;
};

} // namespace tessra
