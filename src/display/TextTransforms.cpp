#include "display/TextTransforms.h"

#include "display/ChatTextCodec.h"
#include "display/ColorCodes.h"
#include "display/Emoticons.h"
#include "display/ReferenceParsers.h"

namespace tessra {

namespace {

bool StartsWithAt(const QString& text, qsizetype i, QLatin1String what) {
  return QStringView(text).sliced(i).startsWith(what, Qt::CaseInsensitive);
}

void AppendEscaped(QString& result, QChar c) {
  switch (c.unicode()) {
  case '&':
    result += QLatin1String("&amp;");
    break;
  case '<':
    result += QLatin1String("&lt;");
    break;
  case '>':
    result += QLatin1String("&gt;");
    break;
  case '"':
    result += QLatin1String("&quot;");
    break;
  default:
    result += c;
  }
}

} // namespace

QString EscapeMarkup(const QString& text) {
  QString result;
  result.reserve(text.size() + text.size() / 8);
  for (const QChar c : text) {
    AppendEscaped(result, c);
  }
  return result;
}

QString EscapeText(const QString& text) {
  QString out;
  out.reserve(text.size() + text.size() / 8);
  for (const QChar c : text) {
    if (c == QLatin1Char('&')) {
      out += QStringLiteral("&amp;");
    } else if (c == QLatin1Char('<')) {
      out += QStringLiteral("&lt;");
    } else if (c == QLatin1Char('>')) {
      out += QStringLiteral("&gt;");
    } else {
      out += c;
    }
  }
  return out;
}

QString StripTags(const QString& text) {
  QString result;
  result.reserve(text.size());
  qsizetype start = 0;
  for (qsizetype open = text.indexOf(QLatin1Char('<')); open >= 0;
       open = text.indexOf(QLatin1Char('<'), start)) {
    const qsizetype close = text.indexOf(QLatin1Char('>'), open + 1);
    if (close < 0) {
      break;
    }
    result += QStringView(text).sliced(start, open - start);
    start = close + 1;
  }
  result += QStringView(text).sliced(start);
  return result;
}

QByteArray PrepareOutgoingText(const QString& composed) {
  // One scan does what placeholders would do in three passes: the escaped entity names become
  // raw characters, everything else the user typed is escaped. Working without placeholders
  // means no typed control character can pass for one.
  const QLatin1String kLt("&lt;");
  const QLatin1String kGt("&gt;");
  const QLatin1String kQuot("&quot;");
  QString result;
  result.reserve(composed.size() + composed.size() / 8);
  for (qsizetype i = 0; i < composed.size();) {
    if (composed[i] == QLatin1Char('&')) {
      if (StartsWithAt(composed, i, kLt)) {
        result += QLatin1Char('<');
        i += kLt.size();
        continue;
      }
      if (StartsWithAt(composed, i, kGt)) {
        result += QLatin1Char('>');
        i += kGt.size();
        continue;
      }
      if (StartsWithAt(composed, i, kQuot)) {
        result += QLatin1Char('"');
        i += kQuot.size();
        continue;
      }
    }
    AppendEscaped(result, composed[i]);
    ++i;
  }
  return EncodeChatText(result);
}

QString FormatClientTag(const QString& version) {
  return QStringLiteral("<a type=chatclient version=") +
         (version.isEmpty() ? QStringLiteral("unknown") : version) +
         QStringLiteral(" href=Tessra>Tessra+</a>");
}

QString ClientTag() {
  return FormatClientTag(QStringLiteral(TESSRA_VERSION));
}

QByteArray ComposeOutgoingMessage(const QString& prefix, const QString& composed) {
  return EncodeChatText(prefix) + PrepareOutgoingText(composed);
}

QString ReplaceLiterals(QByteArrayView received, const TBlob* blob,
                        const std::optional<QColor>& messageColor,
                        const TReplaceLiteralsSettings& settings,
                        TReferenceParsers* referenceParsers) {
  TReferenceParsers passThrough;
  TReferenceParsers& parsers = referenceParsers != nullptr ? *referenceParsers : passThrough;

  QString text = DecodeChatText(received);
  text.replace(QLatin1String("&quot;"), QLatin1String("\""), Qt::CaseInsensitive);
  text = parsers.ParseStuff(text, blob);
  text = parsers.ParseNewItemReference(text);
  text = parsers.ParseNewCmdReference(text);
  if (settings.ParseEmoticons) {
    text = RestoreSpecials(InsertEmoticons(ProtectSpecials(text)));
  }
  text = AdaptColors(text, messageColor, settings.BackgroundColor);
  text.replace(QLatin1Char('\n'), QLatin1String("<br>"));
  text.remove(QLatin1Char('\r'));
  return text;
}

} // namespace tessra
