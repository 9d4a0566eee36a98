#include "display/DateTimeFormat.h"

namespace tessra {

namespace {

QChar Upper(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'a' && u <= u'z') ? QChar(char16_t(u - 32)) : c;
}

bool IsAsciiLetter(QChar c) {
  const QChar upper = Upper(c);
  return upper >= u'A' && upper <= u'Z';
}

bool StartsWithAt(QStringView pattern, qsizetype pos, QStringView code) {
  return pattern.mid(pos).startsWith(code, Qt::CaseInsensitive);
}

QString Number(int value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
}

// The locale's long time without the time zone, which Qt adds to its long format.
QString LongTimeFormat(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString result;
  bool quoted = false;
  for (QChar c : format) {
    if (c == u'\'') {
      quoted = !quoted;
    }
    if (!quoted && c == u't') {
      continue;
    }
    result += c;
  }
  return result.trimmed();
}

QString ShortDateAndLongTime(const QDateTime& t, const QLocale& locale) {
  return locale.toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(t.time(), LongTimeFormat(locale));
}

class TDateTimeFormatter {
public:
  TDateTimeFormatter(QStringView pattern, const QDateTime& t, const QLocale& locale)
      : Pattern(pattern), Date(t.date()), Time(t.time()), Moment(t), Locale(locale) {}

  QString Run() {
    const qsizetype n = Pattern.size();
    while (Pos < n) {
      const QChar c = Pattern[Pos];
      if (c == u'"' || c == u'\'') {
        CopyQuoted(c);
        continue;
      }
      QChar token = Upper(c);
      if (IsAsciiLetter(c)) {
        if (token == u'M' && LastToken == u'H') {
          token = u'N';
        }
        LastToken = token;
      }
      switch (token.unicode()) {
      case u'D':
        FormatDay(Count(c));
        break;
      case u'M':
        FormatMonth(Count(c));
        break;
      case u'N':
        Result += Number(Time.minute(), Count(c) == 1 ? 1 : 2);
        break;
      case u'Y':
        Result += Count(c) <= 2 ? Number(Date.year() % 100, 2) : Number(Date.year(), 4);
        break;
      case u'H':
        FormatHour(Count(c));
        break;
      case u'S':
        Result += Number(Time.second(), Count(c) == 1 ? 1 : 2);
        break;
      case u'Z':
        Result += Number(Time.msec(), Count(c) <= 2 ? 1 : 3);
        break;
      case u'A':
        FormatAmPm();
        break;
      case u'C':
        ++Pos;
        Result += ShortDateAndLongTime(Moment, Locale);
        break;
      default:
        Result += c;
        ++Pos;
        break;
      }
    }
    return Result;
  }

private:
  // Consumes the run of the same letter (in any case) at Pos and returns its length.
  int Count(QChar c) {
    const QChar upper = Upper(c);
    int count = 0;
    while (Pos < Pattern.size() && Upper(Pattern[Pos]) == upper) {
      ++Pos;
      ++count;
    }
    return count;
  }

  void CopyQuoted(QChar quote) {
    ++Pos;
    const qsizetype end = Pattern.indexOf(quote, Pos);
    if (end < 0) {
      Result += Pattern.mid(Pos);
      Pos = Pattern.size();
      return;
    }
    Result += Pattern.mid(Pos, end - Pos);
    Pos = end + 1;
  }

  void FormatDay(int count) {
    switch (count) {
    case 1:
    case 2:
      Result += Number(Date.day(), count);
      break;
    case 3:
      Result += Locale.dayName(Date.dayOfWeek(), QLocale::ShortFormat);
      break;
    case 4:
      Result += Locale.dayName(Date.dayOfWeek(), QLocale::LongFormat);
      break;
    case 5:
      Result += Locale.toString(Date, QLocale::ShortFormat);
      break;
    default:
      Result += Locale.toString(Date, QLocale::LongFormat);
      break;
    }
  }

  void FormatMonth(int count) {
    switch (count) {
    case 1:
    case 2:
      Result += Number(Date.month(), count);
      break;
    case 3:
      Result += Locale.monthName(Date.month(), QLocale::ShortFormat);
      break;
    default:
      Result += Locale.monthName(Date.month(), QLocale::LongFormat);
      break;
    }
  }

  // The hour is on the 12-hour clock when an am/pm code comes before the next hour code;
  // quoted text is skipped while looking.
  bool TwelveHourClockAhead() const {
    QChar quote;
    for (qsizetype i = Pos; i < Pattern.size(); ++i) {
      const QChar c = Pattern[i];
      if (!quote.isNull()) {
        if (c == quote) {
          quote = QChar();
        }
        continue;
      }
      if (c == u'"' || c == u'\'') {
        quote = c;
      } else if (Upper(c) == u'H') {
        return false;
      } else if (Upper(c) == u'A') {
        return StartsWithAt(Pattern, i, u"am/pm") || StartsWithAt(Pattern, i, u"a/p") ||
               StartsWithAt(Pattern, i, u"ampm");
      }
    }
    return false;
  }

  void FormatHour(int count) {
    int hour = Time.hour();
    if (TwelveHourClockAhead()) {
      hour %= 12;
      if (hour == 0) {
        hour = 12;
      }
    }
    Result += Number(hour, count == 1 ? 1 : 2);
  }

  void FormatAmPm() {
    const bool afternoon = Time.hour() >= 12;
    if (StartsWithAt(Pattern, Pos, u"am/pm")) {
      // "am" or "pm" spelled the way the pattern spells it.
      Result += Pattern.mid(afternoon ? Pos + 3 : Pos, 2);
      Pos += 5;
    } else if (StartsWithAt(Pattern, Pos, u"a/p")) {
      Result += Pattern[afternoon ? Pos + 2 : Pos];
      Pos += 3;
    } else if (StartsWithAt(Pattern, Pos, u"ampm")) {
      Result += afternoon ? Locale.pmText() : Locale.amText();
      Pos += 4;
    } else {
      Result += Pattern[Pos];
      ++Pos;
    }
  }

  QStringView Pattern;
  QDate Date;
  QTime Time;
  const QDateTime& Moment;
  const QLocale& Locale;
  QString Result;
  qsizetype Pos = 0;
  QChar LastToken;
};

} // namespace

QString FormatDateTime(const QString& pattern, const QDateTime& t, const QLocale& locale) {
  if (pattern.isEmpty()) {
    return ShortDateAndLongTime(t, locale);
  }
  return TDateTimeFormatter(pattern, t, locale).Run();
}

} // namespace tessra
