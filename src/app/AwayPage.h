#pragma once

#include <QColor>
#include <QLocale>
#include <QString>

namespace tessra {

class TAwayCharacter;
class TAwayMessage;
class TReferenceParsers;

// What the away messages page reads besides the messages.
struct TAwayPageSettings {
  // The chat console's background colour.
  QColor BackgroundColor = QColor(0xFF, 0xFF, 0xFF);
  QString TimestampFormat = QStringLiteral("[hh:nn]");
  QColor TimestampColor = QColor(0x80, 0x80, 0x80);
  QLocale Locale = QLocale::system();
};

// One message of a sender as a line of the page: the time stamp, the sender's link and the
// text with its references (kept by the parsers' blob list) as browser links.
QString AwayMessageLine(const QString& sender, const TAwayMessage& message,
                        const TAwayPageSettings& settings, TReferenceParsers& references);

// The whole page of a sender, newest message first, every line ended by CR LF.
QString BuildAwayPage(const TAwayCharacter& character, const TAwayPageSettings& settings,
                      TReferenceParsers& references);

} // namespace tessra
