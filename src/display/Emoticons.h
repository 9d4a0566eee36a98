#pragma once

#include <span>

#include <QString>

namespace tessra {

// One emoticon code and the number of its picture in the console's emoticon list.
struct TEmoticonCode {
  const char* Code;
  int Picture;
};

inline constexpr int kEmoticonPictureCount = 12;

// The 120 codes of the 12 pictures, in replacement order.
std::span<const TEmoticonCode> EmoticonTable();

// The first code of a picture (":-)" for 0, ":-D" for 1, ...); empty for a number outside 0..11.
QString FirstEmoticonCode(int picture);

// Replaces the entities "&amp;", "&lt;", "&gt;", the characters "&", "<", ">" and the link
// schemes by two-character placeholders (the character 17 hex and one more), so that emoticon
// codes cannot match inside entities, tags or addresses (":/" in "http://", ";)" after "&lt;").
// Matching ignores letter case. A character 17 hex already in the text is doubled, so it comes
// back unchanged instead of being read as a placeholder.
QString ProtectSpecials(const QString& text);

// Replaces every emoticon code, in table order and matching with case, by <img index="N">.
QString InsertEmoticons(const QString& text);

// Turns the placeholders of ProtectSpecials back into their texts; the link schemes come back
// in lower case.
QString RestoreSpecials(const QString& text);

} // namespace tessra
