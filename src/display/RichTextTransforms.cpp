#include "display/RichTextTransforms.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include "display/ColorCodes.h"
#include "display/TextTransforms.h"

namespace tessra {

namespace {

QRgb RgbOf(const QColor& color) {
  return color.rgb() & 0xFFFFFFu;
}

// Calls visit(character, 0xRRGGBB) for every character of the document's plain text. Paragraph
// and line separators are written as LF; embedded objects (U+FFFC) have no text and are skipped.
template <typename TVisit>
void ForEachColoredChar(const QTextDocument& document, const QColor& defaultColor, TVisit&& visit) {
  bool firstBlock = true;
  QRgb last = RgbOf(defaultColor);
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (!firstBlock) {
      visit(QChar(u'\n'), last);
    }
    firstBlock = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) {
        continue;
      }
      const QRgb color = RgbOf(TextColorOf(fragment.charFormat(), defaultColor));
      for (const QChar c : fragment.text()) {
        if (c == QChar::ObjectReplacementCharacter) {
          continue;
        }
        last = color;
        visit(c == QChar::LineSeparator || c == QChar::ParagraphSeparator ? QChar(u'\n') : c,
              color);
      }
    }
  }
}

QString FontStart(QRgb color) {
  return QStringLiteral("<font color=\"#") + ColorToHex(QColor::fromRgb(color)) +
         QStringLiteral("\">");
}

} // namespace

QColor TextColorOf(const QTextCharFormat& format, const QColor& defaultColor) {
  if (!format.hasProperty(QTextFormat::ForegroundBrush)) {
    return defaultColor;
  }
  const QBrush brush = format.foreground();
  if (brush.style() == Qt::NoBrush || !brush.color().isValid()) {
    return defaultColor;
  }
  return brush.color();
}

QString RichTextToMarkup(const QTextDocument& input, const QColor& defaultColor,
                         const QTextDocument* attachment) {
  const QRgb defaultRgb = RgbOf(defaultColor);
  QRgb current = defaultRgb;
  QRgb previous = defaultRgb;
  bool fontOpen = false;
  bool inReference = false;
  QString referenceText;
  bool referenceRead = false;
  QString output;

  ForEachColoredChar(input, defaultColor, [&](QChar c, QRgb color) {
    if (color != current && inReference) {
      // A reference run ends; the colour before it is still open around it.
      output += EscapeMarkup(QStringLiteral("</a>"));
      inReference = false;
      current = previous;
    }
    if (color != current) {
      if (color == defaultRgb) {
        if (fontOpen) {
          output += EscapeMarkup(QStringLiteral("</font>"));
          fontOpen = false;
        }
        current = color;
      } else if (attachment != nullptr && color == kReferenceColor) {
        if (!referenceRead) {
          referenceText = ReferenceToColorCodes(*attachment, defaultColor);
          referenceRead = true;
        }
        output += EscapeMarkup(QStringLiteral("<a href=\"charref://1/1/"));
        output += referenceText;
        output += EscapeMarkup(QStringLiteral("\">"));
        inReference = true;
        previous = current;
        current = color;
      } else {
        if (fontOpen) {
          output += EscapeMarkup(QStringLiteral("</font>"));
        }
        output += EscapeMarkup(FontStart(color));
        fontOpen = true;
        previous = current;
        current = color;
      }
    }
    output += c;
  });

  if (inReference) {
    output += EscapeMarkup(QStringLiteral("</a>"));
  }
  if (fontOpen) {
    output += EscapeMarkup(QStringLiteral("</font>"));
  }
  return output;
}

QString RichTextToColorCodes(const QTextDocument& document, const QColor& defaultColor) {
  const QRgb defaultRgb = RgbOf(defaultColor);
  QRgb current = defaultRgb;
  QString output;
  ForEachColoredChar(document, defaultColor, [&](QChar c, QRgb color) {
    if (color != current) {
      if (color == defaultRgb) {
        current = color;
        output += QChar(kMessageColorCode);
      } else if (const QString code = ColorCodeOf(QColor::fromRgb(color)); !code.isEmpty()) {
        current = color;
        output += code;
      }
    }
    output += c;
  });
  return output;
}

QString ReferenceToColorCodes(const QTextDocument& attachment, const QColor& defaultColor) {
  return RichTextToColorCodes(attachment, defaultColor);
}

QString ReferenceToColorCodes(const QByteArray& stored, const TRichTextLoader& load,
                              const QColor& defaultColor) {
  QTextDocument document;
  if (!load || !load(stored, document)) {
    return QString();
  }
  return RichTextToColorCodes(document, defaultColor);
}

} // namespace tessra
