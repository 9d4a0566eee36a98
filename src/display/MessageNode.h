#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVarLengthArray>

#include "display/ColorValue.h"
#include "display/MessageElement.h"

namespace tessra {

// One element of a kept console line, in the compact form the console stores. The parser's
// TMessageElement carries every field any kind might need; a line keeps hundreds of bytes of
// those per word, so the console folds each line into 16-byte elements whose texts live in one
// string per line and whose rarely used link and font data live in a side table.
struct TNodeElement {
  enum TFlag : std::uint8_t {
    kStyleMask = 0x07, // TFontStyle bits of ekStyleOn/ekStyleOff
    kBlink = 0x08,
    kNoSelect = 0x10,
    kSelected = 0x20,
  };

  // ekText: start of the text in the line's text store. ekImage, ekColumn, ekRule: the value
  // (picture number, pen x, width percent). ekLinkStart, ekFontStart: index into the side table.
  std::uint32_t Data = 0;
  std::uint16_t Length = 0; // ekText: length of the text (longer texts are split)
  std::uint16_t Width = 0;  // cached measurement, 0 = measure again
  std::uint16_t Height = 0; // cached measurement, 0 = measure again
  TElementKind Kind = ekText;
  std::uint8_t Flags = 0;

  bool Blink() const { return (Flags & kBlink) != 0; }
  bool NoSelect() const { return (Flags & kNoSelect) != 0; }
  bool Selected() const { return (Flags & kSelected) != 0; }
  void SetSelected(bool on) {
    Flags = static_cast<std::uint8_t>(on ? (Flags | kSelected) : (Flags & ~kSelected));
  }
  std::uint8_t Style() const { return Flags & kStyleMask; }
  int Value() const { return static_cast<int>(Data); }
};
static_assert(sizeof(TNodeElement) == 12);

// The link data of an ekLinkStart element.
struct TNodeLink {
  QString Name;
  QString Params;
  QString Hint;
  bool NotURL = false;
  bool Effect = false;
  bool HoverEffect = false;
};

// The font data of an ekFontStart element.
struct TNodeFont {
  QString Face; // empty = keep
  int Size = 0; // points, applied when above 0
  int Step = 0; // points added, applied when above 0
  TColorValue Color;
  TColorValue Background;
};

// One line of the chat console: its parsed elements, its cached layout and its place in the
// console's doubly linked list of lines (newest at the head, reached by following Older).
class TMessageNode {
public:
  TMessageNode() = default;
  TMessageNode(const TMessageNode&) = delete;
  TMessageNode& operator=(const TMessageNode&) = delete;

  // Replaces the elements by the compact form of `parsed`.
  void Assign(const std::vector<TMessageElement>& parsed);

  const std::vector<TNodeElement>& Elements() const { return Items; }
  std::vector<TNodeElement>& Elements() { return Items; }

  // The text of an ekText element. The returned string shares the line's storage: it stays
  // valid while the line's elements are not replaced.
  QString ElementText(const TNodeElement& element) const;
  TNodeLink Link(const TNodeElement& element) const;
  TNodeFont Font(const TNodeElement& element) const;

  QDateTime Timestamp() const { return QDateTime::fromMSecsSinceEpoch(TimestampMs); }
  qint64 TimestampMSecs() const { return TimestampMs; }
  void SetTimestampMSecs(qint64 msecs) { TimestampMs = msecs; }
  void SetTimestamp(const QDateTime& moment) { TimestampMs = moment.toMSecsSinceEpoch(); }

  // Forgets the layout: the line is measured again before it is painted next.
  void ResetLayout();
  // Drops the cached size of every ekTimestamp element (the time stamp format changed).
  void ResetTimestampSizes();

  // Heap and object bytes this line holds, for the memory figures of the benchmark.
  std::size_t MemoryUsage() const;

  QString Text;        // source mark-up, kept only when the console's StoreText is set
  int LayoutWidth = 0; // usable width the line was last laid out for (0 = not laid out)
  int Height = 0;      // sum of the row heights (0 = not measured)
  TMessageNode* Older = nullptr;
  TMessageNode* Newer = nullptr;
  QVarLengthArray<int, 2> RowHeights; // height of each visual row

private:
  // Appends `text` to the text store and returns where it starts. A text that the store already
  // ends with is shared: a URL's address is both its params and its shown text, a name link's
  // name usually both its params and its text.
  std::uint32_t Store(QStringView text);
  QString Stored(std::uint32_t offset, std::uint32_t length) const; // shares the store
  QString Copied(std::uint32_t offset, std::uint32_t length) const; // a copy of its own

  // Side table words of a link: name offset, name length, params offset, params length, hint
  // offset, hint length, flags. Of a font: face offset, face length, size, step, colour,
  // background.
  static constexpr std::uint32_t kLinkNotURL = 1;
  static constexpr std::uint32_t kLinkEffect = 2;
  static constexpr std::uint32_t kLinkHoverEffect = 4;
  static constexpr std::uint32_t kLinkDerivedHint = 8;

  std::vector<TNodeElement> Items;
  std::vector<std::uint32_t> Side;
  // The texts of the line: one byte per character while every character is Latin-1 (chat text
  // nearly always is), else UTF-16.
  QByteArray Texts;
  bool Wide = false;
  qint64 TimestampMs = 0;
};

} // namespace tessra
