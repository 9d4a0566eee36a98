#include "display/RtfWriter.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>

#include "display/ChatTextCodec.h"

namespace tessra {

namespace {

constexpr int kMaxHalfPoints = 3276;

// What one run of text looks like in RTF terms. Colours are colour table indexes, 0 = auto.
struct TRunProps {
  int Foreground = 0;
  int Background = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  int HalfPoints = 24;
};

QColor BrushColor(const QTextCharFormat& format, QTextFormat::Property property) {
  if (!format.hasProperty(property)) {
    return QColor();
  }
  const QBrush brush = format.brushProperty(property);
  if (brush.style() == Qt::NoBrush) {
    return QColor();
  }
  return brush.color();
}

// The Windows-1252 byte of a character, or 0 when the code page has none; the fallback that
// follows each \uN.
unsigned char Windows1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    return static_cast<unsigned char>(c);
  }
  static const std::unordered_map<char16_t, unsigned char> high = [] {
    std::unordered_map<char16_t, unsigned char> table;
    for (int byte = 0x80; byte < 0xA0; ++byte) {
      const char raw = char(byte);
      const QString decoded = DecodeWindows1252(QByteArrayView(&raw, 1));
      // The five undefined bytes decode to themselves; those are not worth a fallback.
      if (decoded.size() == 1 && decoded.at(0).unicode() >= 0x100) {
        table.emplace(decoded.at(0).unicode(), static_cast<unsigned char>(byte));
      }
    }
    return table;
  }();
  const auto found = high.find(c);
  return found == high.end() ? 0 : found->second;
}

void AppendHexByte(QByteArray& out, unsigned char byte) {
  constexpr char kHex[] = "0123456789abcdef";
  out += "\\'";
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

void AppendText(QByteArray& out, QStringView text) {
  for (const QChar qc : text) {
    const char16_t c = qc.unicode();
    switch (c) {
    case u'\\':
    case u'{':
    case u'}':
      out += '\\';
      out += char(c);
      continue;
    case u'\t':
      out += "\\tab ";
      continue;
    case u'\u2028':
      out += "\\line ";
      continue;
    case u'\u00A0':
      out += "\\~";
      continue;
    case u'\u00AD':
      out += "\\-";
      continue;
    case u'\u2011':
      out += "\\_";
      continue;
    default:
      break;
    }
    if (c < 0x20) {
      continue;
    }
    if (c < 0x7F) {
      out += char(c);
      continue;
    }
    // \u takes a signed 16-bit number; surrogate pairs are written as their two halves.
    out += "\\u";
    out += QByteArray::number(c > 0x7FFF ? int(c) - 0x10000 : int(c));
    const unsigned char fallback = Windows1252Byte(c);
    if (fallback != 0) {
      AppendHexByte(out, fallback);
    } else {
      out += '?';
    }
  }
}

class TColorTable {
public:
  int IndexOf(const QColor& color) {
    if (!color.isValid()) {
      return 0;
    }
    const QRgb rgb = color.rgb() & 0xFFFFFF;
    const auto [entry, added] = Indexes.emplace(rgb, int(Colors.size()) + 1);
    if (added) {
      Colors.push_back(rgb);
    }
    return entry->second;
  }
  const std::vector<QRgb>& Entries() const { return Colors; }

private:
  std::unordered_map<QRgb, int> Indexes;
  std::vector<QRgb> Colors;
};

} // namespace

QByteArray TRtfWriter::Write(const QTextDocument& document) {
  const QFont defaultFont = document.defaultFont();
  const double defaultPoints = defaultFont.pointSizeF() > 0 ? defaultFont.pointSizeF() : 12.0;
  TColorTable colors;

  QByteArray body = "\\viewkind4\\uc1\\pard\\f0";
  TRunProps written;
  const auto writeSize = [&](int halfPoints) {
    body += "\\fs" + QByteArray::number(halfPoints);
    written.HalfPoints = halfPoints;
  };
  writeSize(std::clamp(int(std::lround(defaultPoints * 2)), 1, kMaxHalfPoints));
  body += ' ';

  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) {
        continue;
      }
      const QTextCharFormat format = fragment.charFormat();
      if (format.isImageFormat() || format.objectType() != QTextFormat::NoObject) {
        continue;
      }
      TRunProps run;
      run.Foreground = colors.IndexOf(BrushColor(format, QTextFormat::ForegroundBrush));
      run.Background = colors.IndexOf(BrushColor(format, QTextFormat::BackgroundBrush));
      run.Bold = format.fontWeight() >= QFont::DemiBold;
      run.Italic = format.fontItalic();
      run.Underline = format.fontUnderline();
      run.StrikeOut = format.fontStrikeOut();
      const double points =
          format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0
              ? format.fontPointSize()
              : defaultPoints;
      run.HalfPoints = std::clamp(int(std::lround(points * 2)), 1, kMaxHalfPoints);

      // Only what changed since the last run is written, as a rich edit control does.
      QByteArray controls;
      if (run.Foreground != written.Foreground) {
        controls += "\\cf" + QByteArray::number(run.Foreground);
      }
      if (run.Background != written.Background) {
        controls += "\\highlight" + QByteArray::number(run.Background);
      }
      if (run.Bold != written.Bold) {
        controls += run.Bold ? "\\b" : "\\b0";
      }
      if (run.Italic != written.Italic) {
        controls += run.Italic ? "\\i" : "\\i0";
      }
      if (run.Underline != written.Underline) {
        controls += run.Underline ? "\\ul" : "\\ulnone";
      }
      if (run.StrikeOut != written.StrikeOut) {
        controls += run.StrikeOut ? "\\strike" : "\\strike0";
      }
      if (run.HalfPoints != written.HalfPoints) {
        controls += "\\fs" + QByteArray::number(run.HalfPoints);
      }
      if (!controls.isEmpty()) {
        // The space ends the last control word; it is not part of the text.
        body += controls + ' ';
      }
      written = run;
      AppendText(body, fragment.text());
    }
    body += "\\par\r\n";
  }

  QString family = defaultFont.family();
  family.remove(u';');
  if (family.trimmed().isEmpty()) {
    family = QStringLiteral("Arial");
  }
  QByteArray out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 ";
  AppendText(out, family);
  out += ";}}\r\n{\\colortbl ;";
  for (const QRgb rgb : colors.Entries()) {
    out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) +
           "\\blue" + QByteArray::number(qBlue(rgb)) + ';';
  }
  out += "}\r\n";
  out += body;
  out += "}\r\n";
  return out;
}

} // namespace tessra
