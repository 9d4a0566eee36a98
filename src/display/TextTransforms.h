#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QString>

namespace tessra {

class TBlob;
class TReferenceParsers;

// "&", "<", ">" and the double quote as "&amp;", "&lt;", "&gt;" and "&quot;"; entities already
// in the text are escaped again.
QString EscapeMarkup(const QString& text);

// Text shown as it is between tags: "&", "<" and ">" as "&amp;", "&lt;" and "&gt;". The double
// quote stays, since the console shows "&quot;" between tags as those six characters.
QString EscapeText(const QString& text);

// The text without every run from "<" to the next ">", both included. A "<" that no ">" follows
// is kept with the rest of the text.
QString StripTags(const QString& text);

// Composed outgoing mark-up (generated tags escaped, typed characters raw, as RichTextToMarkup
// writes it) to the bytes that are sent: the user's own "&", "<", ">" and double quotes become
// entities, the escaped generated tags become real tags again. A user who types one of the entity
// names "&lt;", "&gt;" or "&quot;" (any letter case) therefore sends the raw character.
QByteArray PrepareOutgoingText(const QString& composed);

// The tag that announces this client in front of outgoing messages; an empty version is written
// as "unknown".
QString FormatClientTag(const QString& version);
// The tag for this build's version.
QString ClientTag();

// The bytes of an outgoing message: the prefix (the client tag or nothing) as it stands, then the
// composed mark-up through PrepareOutgoingText.
QByteArray ComposeOutgoingMessage(const QString& prefix, const QString& composed);

// What ReplaceLiterals reads besides its arguments.
struct TReplaceLiteralsSettings {
  bool ParseEmoticons = true;
  // The console's background colour; text written in it is shown in the message colour.
  std::optional<QColor> BackgroundColor;
};

// A received message (wire bytes) to console mark-up: decoding, "&quot;" as a double quote, the
// reference steps, emoticons, colour codes, line breaks. The text is not escaped: received text
// is already mark-up and the game's own tags pass through. Without reference parsers the
// reference steps pass the text through.
QString ReplaceLiterals(QByteArrayView received, const TBlob* blob,
                        const std::optional<QColor>& messageColor,
                        const TReplaceLiteralsSettings& settings,
                        TReferenceParsers* referenceParsers = nullptr);

} // namespace tessra
