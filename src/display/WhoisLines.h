#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include "display/WhoisResult.h"

namespace tessra {

// The colour of the whois lines' labels (navy).
inline const QColor kWhoisLabelColor{0x00, 0x00, 0x80};

// Shown instead of a look-up on any dimension the site does not publish.
inline constexpr char kWhoisDimensionMessage[] =
    "Whois information is only available on the Merovan and Pellis \r\nDimensions.";

// The console lines (mark-up, without the line builder's colour and time stamp) that show a
// successful look-up: "Information for " with a "charurl" link to the character's page, the
// level, breed, gender, faction and profession with their values in valueColor (the console
// font's colour), and, when the character is in an organisation, the rank and a "guildurl" link
// to its page. The site's texts are written as text: "&", "<" and ">" become entities, and the
// link hints lose their quotes and angle brackets, so nothing in a document can add mark-up.
QStringList WhoisResultLines(const TWhoisResult& result, const QColor& valueColor);

// The error line of a look-up that failed, whatever the cause.
QString WhoisFailureLine(const QString& name);

} // namespace tessra
