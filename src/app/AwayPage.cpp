#include "app/AwayPage.h"

#include <QRegularExpression>

#include "display/ChatTextCodec.h"
#include "display/ColorCodes.h"
#include "display/DateTimeFormat.h"
#include "display/ReferenceParsers.h"
#include "settings/AwayStore.h"

namespace tessra {

namespace {

const QColor kMessageColor(0x80, 0x00, 0x80);
const QString kLineEnd = QStringLiteral("\r\n");

QString Hex(const QColor& color) {
  return ColorToHex(color);
}

// The console's link mark-up as links the browser reports before it follows them.
QString ToBrowserLinks(QString text) {
  text.replace(QStringLiteral(R"(<a name="charlink" effect="0" params=")"),
               QStringLiteral(R"(<a href="charlink://)"), Qt::CaseInsensitive);
  text.replace(QStringLiteral(R"(<a name="reflink" hint="Display reference" params=")"),
               QStringLiteral(R"(<a title="Display reference" href="reflink://)"),
               Qt::CaseInsensitive);
  text.replace(QStringLiteral(R"(" hint=")"), QStringLiteral(R"(" title=")"), Qt::CaseInsensitive);
  // An item reference carries its label as the hint, so the rule above leaves it without an
  // address; it gets one too, or it could never be opened from the page.
  static const QRegularExpression itemLink(
      QStringLiteral(R"re(<a name="reflink" title="([^"<>]*)" params="([^"<>]*)">)re"),
      QRegularExpression::CaseInsensitiveOption);
  text.replace(itemLink, QStringLiteral(R"(<a title="\1" href="reflink://\2">)"));
  return text;
}

} // namespace

QString AwayMessageLine(const QString& sender, const TAwayMessage& message,
                        const TAwayPageSettings& settings, TReferenceParsers& references) {
  const QString link = QStringLiteral(R"(<a name="charlink" effect="0" params=")") + sender +
                       QStringLiteral(R"(" hint="Query )") + sender + QStringLiteral(R"(">)") +
                       sender + QStringLiteral("</a>");
  const TBytes& bytes = message.Text();
  QString body = DecodeChatText(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  body.replace(QStringLiteral("&quot;"), QStringLiteral("\""), Qt::CaseInsensitive);
  body = references.ParseReferences(body, message.Blob());
  body = references.ParseNewItemReference(body);
  body = references.ParseNewTextReference(body);
  body = AdaptColors(body, kMessageColor, settings.BackgroundColor);
  body.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
  body.remove(QLatin1Char('\r'));
  const QString text =
      ToBrowserLinks(link + QStringLiteral(": ") + body + QStringLiteral("</font>"));
  return QStringLiteral(R"(<font color="#)") + Hex(settings.TimestampColor) +
         QStringLiteral(R"(">)") +
         FormatDateTime(settings.TimestampFormat, message.Received(), settings.Locale) +
         QStringLiteral("</font>&nbsp;") + QStringLiteral(R"(<font color="#)") +
         Hex(kMessageColor) + QStringLiteral(R"(">)") + text + QStringLiteral("</font>");
}

QString BuildAwayPage(const TAwayCharacter& character, const TAwayPageSettings& settings,
                      TReferenceParsers& references) {
  QString page = QStringLiteral(R"(<body leftmargin="0" rightmargin="0" topmargin="0" )"
                                R"(bottommargin="0" bgcolor="#)") +
                 Hex(settings.BackgroundColor) + QStringLiteral(R"(">)") + kLineEnd;
  page += QStringLiteral(R"(<STYLE TYPE="text/css"><!-- .tessra { font-size: 11px; )"
                         R"(font-family: "Verdana", sans-serif; }--></STYLE>)"
                         R"(<span class="tessra"><font color="#000000">)") +
          kLineEnd;
  const TAwayMessageList& messages = character.Messages();
  for (int i = messages.Count() - 1; i >= 0; --i) {
    page += AwayMessageLine(character.Name(), messages.Get(i), settings, references) + kLineEnd;
    if (i > 0) {
      page += QStringLiteral("<br>") + kLineEnd;
    }
  }
  page += QStringLiteral("</font></span></body>") + kLineEnd;
  return page;
}

} // namespace tessra
