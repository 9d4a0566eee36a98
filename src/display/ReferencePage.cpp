#include "display/ReferencePage.h"

#include <functional>
#include <optional>

#include "display/ColorCodes.h"
#include "display/DecimalNumber.h"
#include "display/LinkDispatcher.h"
#include "display/References.h"

namespace tessra {

namespace {

constexpr QStringView kLinkOpen = u"<a ";
constexpr QStringView kLinkClose = u"</a>";
// Stands for a line break inside a link's tool tip until the text's own line breaks have become
// "<br>".
constexpr QStringView kTitleBreak = u"\x17\x19";

// A tool tip as the value of a double-quoted title attribute: quotes and angle brackets of the
// other player's text would otherwise end the attribute or the tag. Ampersands stay, so that
// entities in the text still show as their characters.
QString TitleValue(const QString& text) {
  QString value = text;
  value.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
  value.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
  value.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
  return value;
}

QString LinkStart(qsizetype action) {
  return QStringLiteral("<a href=\"link://") + QString::number(action) + QLatin1Char('"');
}

QString NotAnInteger(QStringView text) {
  return QLatin1Char('\'') + text.toString() + QStringLiteral("' is not a valid integer value");
}

} // namespace

QString ConvertTextLinks(const QString& text, QChar quote, QStringList& actions) {
  const QString marker = QStringLiteral("href=") + quote + QStringLiteral("text://");
  const QStringView data(text);
  QString result;
  qsizetype copied = 0;
  for (qsizetype at = data.indexOf(kLinkOpen); at >= 0; at = data.indexOf(kLinkOpen, at)) {
    const QStringView rest = data.sliced(at);
    // The opening tag is found first: a "<a " inside it (within a quoted value) is no link, and
    // only links whose tag names a text reference need the walk to their "</a>".
    const qsizetype tagEnd = FindClosing(rest, u"<", {}, u">");
    if (tagEnd < 0) {
      break;
    }
    if (!rest.first(tagEnd + 1).contains(marker)) {
      at += tagEnd + 1;
      continue;
    }
    const qsizetype close = FindClosing(rest, kLinkOpen, {}, kLinkClose);
    if (close < 0 || close < tagEnd) {
      break;
    }
    bool unterminated = false;
    const QStringList attributes = ExtractLinkAttributes(rest.sliced(2, tagEnd - 2), &unterminated);
    if (unterminated) {
      break;
    }
    QString style;
    std::optional<QString> href;
    for (const QString& line : attributes) {
      if (line.startsWith(u"style=")) {
        style = line;
      } else if (line.startsWith(u"href=")) {
        href = line.sliced(5);
      }
    }
    if (!href) {
      at += tagEnd + 1;
      continue;
    }
    const QString value = href->size() >= 2 ? href->sliced(1, href->size() - 2) : QString();
    actions.append(QStringLiteral("/messagebox ") + value);
    result += data.sliced(copied, at - copied);
    result += LinkStart(actions.size() - 1);
    if (!style.isEmpty() && IsPlainStyleLine(style)) {
      result += QLatin1Char(' ') + style;
    }
    result += QStringLiteral(" title=\"Display reference\">");
    result += rest.sliced(tagEnd + 1, close - tagEnd - 1);
    result += kLinkClose;
    copied = at + close + kLinkClose.size();
    at = copied;
  }
  if (copied == 0) {
    return text;
  }
  result += data.sliced(copied);
  return result;
}

namespace {

// Rewrites every `<a href=QUOTE scheme://target QUOTE>label</a>` of the text: `openingTag` gives
// the new link's opening tag for the target, or nothing to leave the whole text as it was. A link
// without its tag end or its "</a>" ends the walk.
QString ConvertSchemeLinks(const QString& text, QChar quote, QStringView scheme,
                           const std::function<std::optional<QString>(QStringView)>& openingTag) {
  const QString opening = QStringLiteral("<a href=") + quote + scheme.toString();
  const QString tagEnd = QString(quote) + QLatin1Char('>');
  const QStringView data(text);
  QString result;
  qsizetype copied = 0;
  for (qsizetype at = data.indexOf(opening); at >= 0; at = data.indexOf(opening, copied)) {
    const qsizetype targetStart = at + opening.size();
    const qsizetype targetEnd = data.indexOf(tagEnd, targetStart);
    if (targetEnd < 0) {
      break;
    }
    const qsizetype labelStart = targetEnd + tagEnd.size();
    const qsizetype close = data.indexOf(kLinkClose, labelStart);
    if (close < 0) {
      break;
    }
    const std::optional<QString> tag =
        openingTag(data.sliced(targetStart, targetEnd - targetStart));
    if (!tag) {
      return text;
    }
    result += data.sliced(copied, at - copied);
    result += *tag;
    result += data.sliced(labelStart, close - labelStart);
    result += kLinkClose;
    copied = close + kLinkClose.size();
  }
  if (copied == 0) {
    return text;
  }
  result += data.sliced(copied);
  return result;
}

} // namespace

QString ConvertCmdLinks(const QString& text, QChar quote, QStringList& actions) {
  return ConvertSchemeLinks(text, quote, u"chatcmd://", [&actions](QStringView target) {
    const QString command = target.toString();
    actions.append(command);
    QString title = StripColorCodes(command);
    title.replace(QStringLiteral("\\n "), kTitleBreak.toString(), Qt::CaseInsensitive);
    title.replace(QLatin1Char('\n'), kTitleBreak.toString());
    return std::optional<QString>(LinkStart(actions.size() - 1) + QStringLiteral(" title=\"") +
                                  TitleValue(title) + QStringLiteral("\">"));
  });
}

QString ConvertItemLinks(const QString& text, QChar quote, const QString& itemDb,
                         QStringList& actions, QString& error) {
  return ConvertSchemeLinks(
      text, quote, u"itemref://", [&](QStringView numbers) -> std::optional<QString> {
        const QList<QStringView> parts = numbers.split(QLatin1Char('/'));
        if (parts.size() != 3) {
          error = QLatin1Char('\'') + numbers.toString() +
                  QStringLiteral("' is not a valid item reference (low id/high id/quality level)");
          return std::nullopt;
        }
        qint64 values[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i) {
          const std::optional<qint64> value =
              DecimalNumber(parts[i], INT32_MIN, INT32_MAX, TPlusSign::Allowed);
          if (!value) {
            error = NotAnInteger(parts[i]);
            return std::nullopt;
          }
          values[i] = *value;
        }
        const QString action = QStringLiteral("/start ") +
                               ItemDatabaseAddress(values[0], values[1], values[2], itemDb);
        actions.append(action);
        return LinkStart(actions.size() - 1) + QStringLiteral(" title=\"") + TitleValue(action) +
               QStringLiteral("\">");
      });
}

QString ReplaceTextColorCodes(const QString& text) {
  QString result = text;
  for (const TColorCodeEntry& entry : ColorCodeTable()) {
    if (entry.Code[0] != kColorCodeLead) {
      continue; // the reference code 11 hex has no textual form
    }
    const QString code = QStringLiteral("#C") +
                         QStringLiteral("%1").arg(int(entry.Code[1]), 2, 10, QLatin1Char('0'));
    const QString font = QStringLiteral("</font><font color=\"#") +
                         ColorToHex(QColor::fromRgb(entry.Rgb)) + QStringLiteral("\">");
    result.replace(code + QLatin1Char(' '), font, Qt::CaseInsensitive);
    result.replace(code, font, Qt::CaseInsensitive);
  }
  return result;
}

QString KeepSpaceRuns(const QString& text) {
  QString result;
  result.reserve(text.size());
  bool inTag = false;
  qsizetype run = 0; // spaces of the current run written so far
  for (const QChar c : text) {
    if (inTag) {
      result += c;
      inTag = c != QLatin1Char('>');
      continue;
    }
    if (c == QLatin1Char(' ')) {
      if (run % 2 == 1) {
        result += QStringLiteral("&nbsp;");
      } else {
        result += c;
      }
      ++run;
      continue;
    }
    run = 0;
    inTag = c == QLatin1Char('<');
    result += c;
  }
  return result;
}

QString ItemDatabaseAddress(qint64 lowId, qint64 highId, qint64 ql, const QString& itemDb) {
  if (itemDb.compare(QLatin1String("tarvik"), Qt::CaseInsensitive) == 0) {
    return QLatin1String(TLinkDispatcher::kSecondItemSite) + QStringLiteral("/veyra/db.php?id=") +
           QString::number(lowId) + QStringLiteral("&ql=") + QString::number(ql);
  }
  return QLatin1String(TLinkDispatcher::kFirstItemSite) + QStringLiteral("/showitem.asp?LowID=") +
         QString::number(lowId) + QStringLiteral("&HiID=") + QString::number(highId) +
         QStringLiteral("&QL=") + QString::number(ql);
}

QString ConvertReferenceText(const QString& text, const QColor& textColor, const QString& itemDb,
                             QStringList& actions, QString& error) {
  constexpr QChar kQuotes[2] = {QLatin1Char('"'), QLatin1Char('\'')};
  QString page = text;
  for (const QChar quote : kQuotes) {
    page = ConvertTextLinks(page, quote, actions);
  }
  for (const QChar quote : kQuotes) {
    page = ConvertCmdLinks(page, quote, actions);
  }
  for (const QChar quote : kQuotes) {
    page = ConvertItemLinks(page, quote, itemDb, actions, error);
    if (!error.isEmpty()) {
      return QString();
    }
  }
  page.replace(QStringLiteral("\x10\n"), QStringLiteral("\x10"));
  page.replace(QStringLiteral("&#039;"), QStringLiteral("'"));
  page.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
  page.replace(kTitleBreak.toString(), QStringLiteral("\n"));
  page = AdaptColors(page, textColor, std::nullopt);
  page = ReplaceTextColorCodes(page);
  page = StripColorCodes(page);
  page.remove(QChar(kColorCodeLead));
  return KeepSpaceRuns(page);
}

TReferencePage BuildReferencePage(const QString& text, const QColor& textColor,
                                  const QString& itemDb) {
  TReferencePage page;
  const QString body = ConvertReferenceText(text, textColor, itemDb, page.Actions, page.Error);
  if (!page.Error.isEmpty()) {
    page.Actions.clear();
    return page;
  }
  page.Html = QStringLiteral("<body leftmargin=\"0\" rightmargin=\"0\" topmargin=\"0\" "
                             "bottommargin=\"0\" bgcolor=\"#000000\">\n"
                             "<STYLE TYPE=\"text/css\"><!-- .tessra { font-size: 14px; "
                             "font-family: \"Verdana\", sans-serif; }--></STYLE><span "
                             "class=\"tessra\"><font color=\"#FFFFFF\">\n") +
              body + QStringLiteral("\n</font></span></body>");
  return page;
}

} // namespace tessra
