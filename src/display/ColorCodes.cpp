#include "display/ColorCodes.h"

#include <array>

namespace tessra {

namespace {

constexpr std::array<TColorCodeEntry, 37> kColorCodeTable = {{
    {{0x10, 0x00}, 0x00FF00},        {{0x10, 0x01}, 0x30D7FF}, {{0x10, 0x02}, 0x30D7FF},
    {{0x10, 0x03}, 0xFFFFCF},        {{0x10, 0x04}, 0x00FFFF}, {{0x10, 0x05}, 0xFFFF41},
    {{0x10, 0x06}, 0x00A551},        {{0x10, 0x07}, 0x61E78E}, {{0x10, 0x08}, 0x00F700},
    {{0x10, 0x09}, 0xFF009E},        {{0x10, 0x0A}, 0x219CFF}, {{0x10, 0x0B}, 0x000000},
    {{0x10, 0x0C}, 0xFF0000},        {{0x10, 0x0D}, 0x00F700}, {{0x10, 0x0E}, 0x0000FF},
    {{0x10, 0x0F}, 0xFFFFFF},        {{0x10, 0x10}, 0xFFFF00}, {{0x10, 0x11}, 0xCFAD41},
    {{0x10, 0x12}, 0xDFDF41},        {{0x10, 0x13}, 0x00DF41}, {{0x10, 0x14}, 0x61AD61},
    {{0x10, 0x15}, 0xFFFFFF},        {{0x10, 0x16}, 0x9ED7DF}, {{0x10, 0x17}, 0xFF0000},
    {{0x10, 0x18}, 0xFF0000},        {{0x10, 0x19}, 0xDFDFD7}, {{0x10, 0x1A}, 0x9E9D20},
    {{0x10, 0x1B}, 0x8EB5FF},        {{0x10, 0x1C}, 0xFFFF00}, {{0x10, 0x1D}, 0xFFE7A6},
    {{0x10, 0x1E}, 0x00EF00},        {{0x10, 0x1F}, 0xFF00FF}, {{0x10, 0x20}, 0xFFBBFF},
    {{0x10, 0x28}, 0xFF00FF},        {{0x10, 0x34}, 0xFF0099}, {{0x10, 0x35}, 0x00FFFF},
    {{0x11, 0x00}, kReferenceColor},
}};

QString HexOf(std::uint32_t rgb) {
  return QStringLiteral("%1").arg(rgb & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper();
}

QString FontTag(const QString& hex) {
  return QStringLiteral("</font><font color=\"#") + hex + QStringLiteral("\">");
}

// The table entry whose code starts at text[i], or nullptr. A lead character 10 hex is a code
// only together with a known second character; the character 11 hex is one by itself.
const TColorCodeEntry* CodeAt(QStringView text, qsizetype i) {
  const char16_t first = text[i].unicode();
  if (first == kReferenceColorCode) {
    return &kColorCodeTable.back();
  }
  if (first != kColorCodeLead || i + 1 >= text.size()) {
    return nullptr;
  }
  const char16_t second = text[i + 1].unicode();
  for (const TColorCodeEntry& entry : kColorCodeTable) {
    if (entry.Code[0] == kColorCodeLead && entry.Code[1] == second) {
      return &entry;
    }
  }
  return nullptr;
}

qsizetype CodeLength(const TColorCodeEntry& entry) {
  return entry.Code[0] == kColorCodeLead ? 2 : 1;
}

// A lead character 10 hex as the last character is a code cut short; nothing can be shown for
// it, so it is dropped rather than written out as a control character.
bool IsTruncatedCode(QStringView text, qsizetype i) {
  return i + 1 == text.size() && text[i].unicode() == kColorCodeLead;
}

} // namespace

std::span<const TColorCodeEntry> ColorCodeTable() {
  return kColorCodeTable;
}

QString ColorCodeText(const TColorCodeEntry& entry) {
  // Code 10 00 ends in the NUL character, a real part of the code.
  return QStringView(entry.Code, CodeLength(entry)).toString();
}

QString ColorToHex(const QColor& color) {
  if (!color.isValid()) {
    return QStringLiteral("000000");
  }
  return HexOf(color.rgb() & 0xFFFFFFu);
}

QString ColorToHex(TColorValue color, const QPalette& palette) {
  return ColorToHex(color.Resolve(palette));
}

QString SwapRedBlue(const QString& text) {
  if (text.size() != 6) {
    return text;
  }
  return text.mid(4, 2) + text.mid(2, 2) + text.mid(0, 2);
}

QString ColorCodeOf(const QColor& color) {
  if (!color.isValid()) {
    return QString();
  }
  const std::uint32_t rgb = color.rgb() & 0xFFFFFFu;
  for (const TColorCodeEntry& entry : kColorCodeTable) {
    if (entry.Rgb == rgb) {
      return ColorCodeText(entry);
    }
  }
  return QString();
}

QColor ColorOfCode(QStringView code) {
  for (const TColorCodeEntry& entry : kColorCodeTable) {
    if (code == ColorCodeText(entry)) {
      return QColor::fromRgb(entry.Rgb);
    }
  }
  return QColor();
}

QString AdaptColors(const QString& text, const std::optional<QColor>& messageColor,
                    const std::optional<QColor>& backgroundColor) {
  // Codes are read in one scan from the left: a code is the lead character and the one after it,
  // so "10 10 00" is code 10 10 followed by the character 00, never the character 10 followed by
  // code 10 00.
  const QString messageFont =
      messageColor ? FontTag(ColorToHex(*messageColor)) : QStringLiteral("</font><font>");
  QString result;
  result.reserve(text.size());
  for (qsizetype i = 0; i < text.size();) {
    if (const TColorCodeEntry* entry = CodeAt(text, i)) {
      result += FontTag(HexOf(entry->Rgb));
      i += CodeLength(*entry);
    } else if (text[i].unicode() == kMessageColorCode) {
      result += messageFont;
      ++i;
    } else if (IsTruncatedCode(text, i)) {
      ++i;
    } else {
      result += text[i];
      ++i;
    }
  }

  result.remove(QStringLiteral("<font color='F0F0F0'>"), Qt::CaseInsensitive);

  if (backgroundColor && messageColor) {
    const QString background = ColorToHex(*backgroundColor);
    const QString visible =
        QStringLiteral("color=\"#") + ColorToHex(*messageColor) + QLatin1Char('"');
    result.replace(QStringLiteral("color=\"#") + background + QLatin1Char('"'), visible,
                   Qt::CaseInsensitive);
    result.replace(QStringLiteral("color='#") + background + QLatin1Char('\''), visible,
                   Qt::CaseInsensitive);
    result.replace(QStringLiteral("color=#") + background, visible, Qt::CaseInsensitive);
  }
  return result;
}

QString StripColorCodes(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (qsizetype i = 0; i < text.size();) {
    if (const TColorCodeEntry* entry = CodeAt(text, i)) {
      i += CodeLength(*entry);
    } else if (text[i].unicode() == kMessageColorCode || IsTruncatedCode(text, i)) {
      ++i;
    } else {
      result += text[i];
      ++i;
    }
  }
  return result;
}

} // namespace tessra
