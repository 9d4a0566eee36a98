#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace tessra {

// Formats a moment with a date-time pattern of the kind the time stamp and log settings hold
// ("[hh:nn]", "[hh:nn AMPM]: "). Letter codes, in any letter case:
//   d dd         day of the month without / with a leading zero
//   ddd dddd     short / long day name; ddddd the short date, dddddd the long date
//   m mm         month without / with a leading zero, or the minute right after an h or hh
//   mmm mmmm     short / long month name
//   yy yyyy      two-digit / four-digit year
//   h hh         hour without / with a leading zero; 12-hour when an am/pm code follows
//   n nn         minute without / with a leading zero
//   s ss         second without / with a leading zero
//   z zzz        millisecond without / with leading zeros
//   am/pm a/p    "am"/"pm" or "a"/"p", in the letter case written in the pattern
//   ampm         the locale's AM or PM designator
//   c            the locale's short date and long time
// Text in double or single quotes is copied without the quotes; every other character is copied
// as it is. An empty pattern formats like "c".
QString FormatDateTime(const QString& pattern, const QDateTime& t,
                       const QLocale& locale = QLocale::system());

} // namespace tessra
