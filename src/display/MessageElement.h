#pragma once

#include <cstdint>
#include <memory>

#include <QString>

#include "display/ColorValue.h"

namespace tessra {

class TMessageNode; // one console line; the console defines it

// The kinds of console elements. The numbers are fixed.
enum TElementKind : std::uint8_t {
  ekText = 0,
  ekStyleOn = 1,
  ekStyleOff = 2,
  ekIndentPush = 3,
  ekIndentPop = 4,
  ekBreak = 5,
  ekLinkStart = 6,
  ekLinkEnd = 7,
  ekSpace = 8,
  ekImage = 9,
  ekColumn = 10,
  ekRule = 11,
  ekFontStart = 12,
  ekFontEnd = 13,
  ekTimestamp = 14,
  ekPreStart = 15,
  ekPreEnd = 16,
};

// Bits of TMessageElement::Style.
enum TFontStyle : std::uint8_t {
  fsBold = 1,
  fsItalic = 2,
  fsUnderline = 4,
};

// One element of a parsed console line. A line keeps its elements in a
// std::vector<TMessageElement> in source order (the successor of an element is the next vector
// entry). The parser fills everything up to Background; the console fills the layout fields
// (Selected, Row, Width, Height) and reads the rest.
//
// The record is kept small (80 bytes) because a line holds one element per word and per space:
// the params and hint texts only links have live in a separate allocation made only for links.
class TMessageElement {
public:
  TMessageElement() = default;
  TMessageElement(const TMessageElement& other);
  TMessageElement& operator=(const TMessageElement& other);
  TMessageElement(TMessageElement&&) noexcept = default;
  TMessageElement& operator=(TMessageElement&&) noexcept = default;
  ~TMessageElement() = default;

  // Link params and hint (ekLinkStart); empty for every other element.
  const QString& Params() const;
  const QString& Hint() const;
  void SetLinkTexts(QString params, QString hint);

  TMessageNode* Line = nullptr; // owning line
  // ekText: the text; ekFontStart: the font face (empty = keep); ekLinkStart: the link name.
  QString Text;
  // ekImage: picture number; ekColumn: pen x in pixels, 0..2^20; ekRule: width percent 0..100;
  // ekFontStart: absolute size in points, 0..1000 (applied only when above 0).
  int Value = 0;
  // ekFontStart: relative size step in points, -1000..1000 (applied only when above 0).
  int SizeStep = 0;
  int Row = -1;           // row the element was placed on, -1 before layout
  int Width = 0;          // cached measurement, 0 = measure again
  int Height = 0;         // cached measurement, 0 = measure again
  TColorValue Color;      // ekFontStart: text colour or None
  TColorValue Background; // ekFontStart: background colour or None
  TElementKind Kind = ekText;
  std::uint8_t Style = 0;   // ekStyleOn/ekStyleOff: TFontStyle bits
  bool Blink = false;       // parsed inside BLINK
  bool Selected = false;    // lies in the current drag selection (recomputed while painting)
  bool NoSelect = false;    // parsed inside NOSELECT; never selected
  bool NotURL = false;      // ekLinkStart: true unless the link is of type URL
  bool Effect = false;      // ekLinkStart: draw with the console's link font
  bool HoverEffect = false; // ekLinkStart: draw with the console's hover font while hovered

private:
  struct TLinkTexts {
    QString Params;
    QString Hint;
  };
  std::unique_ptr<TLinkTexts> LinkTexts;
};

} // namespace tessra
