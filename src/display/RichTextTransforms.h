#pragma once

#include <functional>

#include <QByteArray>
#include <QColor>
#include <QString>

class QTextCharFormat;
class QTextDocument;

namespace tessra {

// The colour a character of the input line is drawn in: its own foreground colour, or the
// default colour when the character carries none.
QColor TextColorOf(const QTextCharFormat& format, const QColor& defaultColor);

// The input line to outgoing mark-up. Text in the default colour carries no tag; every other
// colour run is wrapped in a font tag, and with a reference attached a run in the reference
// colour 9C9CFF becomes a link to "charref://1/1/" followed by the reference as colour-coded
// text. Tags are written escaped (EscapeMarkup) and the typed characters raw, so that
// PrepareOutgoingText can tell the two apart. Each font tag is closed before the next one opens
// and at the end, so the receiver shows every run in its own colour and no further.
QString RichTextToMarkup(const QTextDocument& input, const QColor& defaultColor,
                         const QTextDocument* attachment = nullptr);

// A rich text as text with game colour codes: a change to a colour that has a code writes the
// code, a return to the default colour writes the character 12 hex, colours without a code are
// ignored.
QString RichTextToColorCodes(const QTextDocument& document, const QColor& defaultColor);

// The attached reference as text with game colour codes.
QString ReferenceToColorCodes(const QTextDocument& attachment, const QColor& defaultColor);

// Fills a document from a stored reference (its rich text form); false when it cannot be read.
using TRichTextLoader = std::function<bool(const QByteArray& stored, QTextDocument& document)>;

// A stored reference as text with game colour codes, read through the loader into a document
// that is never shown; empty when the loader fails.
QString ReferenceToColorCodes(const QByteArray& stored, const TRichTextLoader& load,
                              const QColor& defaultColor);

} // namespace tessra
