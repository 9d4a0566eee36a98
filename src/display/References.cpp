#include "display/References.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <QHash>

#include "common/Trace.h"
#include "display/ChatTextCodec.h"
#include "display/ColorCodes.h"
#include "display/DecimalNumber.h"
#include "display/ReferenceRequest.h"
#include "display/TextTransforms.h"
#include "display/VoicePlayer.h"
#include "engine/BlobList.h"
#include "engine/VeyraBlob.h"

namespace tessra {

namespace {

constexpr QStringView kLinkOpen = u"<a ";
constexpr QStringView kLinkClose = u"</a>";
constexpr QStringView kTagOpen = u"<";
constexpr QStringView kTagClose = u">";
constexpr QStringView kDisplayReference = u"Display reference";

bool IsQuote(QChar c) {
  return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// The walk of FindClosing. One walker serves one text: every Open it counts gets its closing
// position remembered, so that asking again from a nested Open (the text reference parser does,
// from the left, for every "<a ") jumps over stretches already walked instead of reading them
// again. A walk from a position depends only on the text from there, which keeps the memory
// valid for every later question about the same text.
class TClosingWalker {
public:
  TClosingWalker(QStringView data, QStringView open, QStringView alternative, QStringView close)
      : Data(data), OpenText(open), Alternative(alternative), CloseText(close) {}

  // The Close closing the Open at `start` (which must hold an Open), or -1.
  qsizetype From(qsizetype start) {
    if (start < 0 || start >= Data.size() || OpenText.isEmpty() || CloseText.isEmpty()) {
      return -1;
    }
    if (const qsizetype known = Known(start); known != kUnknown) {
      return known;
    }
    const bool remember = Alternative.isEmpty();
    std::vector<qsizetype> opens;
    int depth = 0;
    bool inSingle = false;
    bool inDouble = false;
    for (qsizetype i = start; i < Data.size(); ++i) {
      const QChar c = Data[i];
      if (!inSingle && !inDouble && At(i, OpenText)) {
        if (remember && i != start) {
          const qsizetype known = Known(i);
          if (known >= 0) {
            // The nested Open is closed at `known` with the quotes off, as a fresh walk from
            // there finds; the depth is back where it was before it.
            i = known;
            continue;
          }
        }
        ++depth;
        if (remember) {
          opens.push_back(i);
        }
      }
      if (c == QLatin1Char('\'') && !inDouble) {
        inSingle = !inSingle;
      } else if (c == QLatin1Char('"') && !inSingle) {
        inDouble = !inDouble;
      }
      if (inSingle || inDouble || depth == 0 || !At(i, CloseText)) {
        continue;
      }
      --depth;
      if (remember) {
        Remember(opens.back(), i);
        opens.pop_back();
      }
      if (depth > 0) {
        continue;
      }
      if (Alternative.isEmpty() || IsFinalQuote(i)) {
        return i;
      }
      // An inner quote: the stretch goes on.
      depth = 1;
      if (c == QLatin1Char('\'')) {
        inSingle = true;
      } else if (c == QLatin1Char('"')) {
        inDouble = true;
      }
    }
    return -1;
  }

private:
  static constexpr qsizetype kUnknown = -2;

  bool At(qsizetype i, QStringView what) const { return Data.sliced(i).startsWith(what); }

  qsizetype Known(qsizetype position) const {
    const auto found = Closings.constFind(position);
    return found == Closings.constEnd() ? kUnknown : *found;
  }
  void Remember(qsizetype open, qsizetype close) { Closings.insert(open, close); }

  // Whether the Close at `i` ends a quoted value: it is the last character, no further Close
  // follows, or the next Alternative + Close comes no later than the next Close. Both searches
  // are kept between calls and only repeated once the walk has passed their result, so the
  // checks of one walk read the text once.
  bool IsFinalQuote(qsizetype i) {
    const qsizetype after = i + CloseText.size();
    if (after >= Data.size()) {
      return true;
    }
    const qsizetype nextClose = NextAfter(after, CloseText, NextCloseFrom, NextClose);
    if (nextClose < 0) {
      return true;
    }
    if (Needle.isEmpty()) {
      Needle = Alternative.toString() + CloseText.toString();
    }
    const qsizetype nextAlternative = NextAfter(after, Needle, NextAltFrom, NextAlt);
    return nextAlternative >= 0 && nextAlternative <= nextClose;
  }

  qsizetype NextAfter(qsizetype from, QStringView what, qsizetype& cachedFrom,
                      qsizetype& cached) const {
    // A cached answer holds for every start between the search's start and its result.
    if (cachedFrom >= 0 && cachedFrom <= from && (cached < 0 || cached >= from)) {
      return cached;
    }
    cachedFrom = from;
    cached = Data.indexOf(what, from);
    return cached;
  }

  QStringView Data;
  QStringView OpenText;
  QStringView Alternative;
  QStringView CloseText;
  QString Needle;
  QHash<qsizetype, qsizetype> Closings;
  qsizetype NextCloseFrom = -1;
  qsizetype NextClose = -1;
  qsizetype NextAltFrom = -1;
  qsizetype NextAlt = -1;
};

// Where a fragment occurs in a text, for asking often whether a stretch of it holds one.
class TOccurrences {
public:
  TOccurrences(QStringView data, QStringView what) : Length(what.size()) {
    for (qsizetype at = data.indexOf(what); at >= 0; at = data.indexOf(what, at + 1)) {
      Positions.push_back(at);
    }
  }

  // Whether an occurrence lies wholly within [from, to).
  bool Within(qsizetype from, qsizetype to) const {
    const auto found = std::lower_bound(Positions.begin(), Positions.end(), from);
    return found != Positions.end() && *found + Length <= to;
  }

private:
  qsizetype Length;
  std::vector<qsizetype> Positions;
};

// Takes the first occurrence of `what` out of `line`.
void RemoveFirst(QString& line, QStringView what) {
  const qsizetype at = line.indexOf(what);
  if (at >= 0) {
    line.remove(at, what.size());
  }
}

// Takes "charref://" and the two "/"-terminated segments after it (as in "charref://1/1/") out
// of `line`; a segment without its "/" stays.
void RemoveCharRef(QString& line) {
  const QStringView scheme = u"charref://";
  const qsizetype at = line.indexOf(scheme);
  if (at < 0) {
    return;
  }
  qsizetype end = at + scheme.size();
  for (int segment = 0; segment < 2; ++segment) {
    const qsizetype slash = line.indexOf(QLatin1Char('/'), end);
    if (slash < 0) {
      break;
    }
    end = slash + 1;
  }
  line.remove(at, end - at);
}

// The visible text of a link: colour codes, then tags taken out.
QString LinkLabel(QStringView linkText) {
  return StripTags(StripColorCodes(linkText.toString()));
}

// A value without its enclosing quotes; a value that is not quoted on both ends stays whole.
QString Unquoted(const QString& value) {
  if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
    return value.sliced(1, value.size() - 2);
  }
  return value;
}

} // namespace

bool IsPlainStyleLine(QStringView line) {
  const qsizetype equals = line.indexOf(QLatin1Char('='));
  if (equals < 0) {
    return false;
  }
  const QStringView value = line.sliced(equals + 1);
  if (value.size() < 2 || !IsQuote(value.front()) || value.back() != value.front()) {
    return false;
  }
  for (const QChar c : value.sliced(1, value.size() - 2)) {
    if (IsQuote(c) || c == QLatin1Char('<') || c == QLatin1Char('>')) {
      return false;
    }
  }
  return true;
}

qsizetype FindClosing(QStringView data, QStringView open, QStringView alternative,
                      QStringView close) {
  const qsizetype start = open.isEmpty() ? -1 : data.indexOf(open);
  if (start < 0) {
    return -1;
  }
  TClosingWalker walker(data, open, alternative, close);
  return walker.From(start);
}

QStringList ExtractLinkAttributes(QStringView tagText, bool* unterminated) {
  if (unterminated != nullptr) {
    *unterminated = false;
  }
  QStringList lines;
  for (const QStringView name : {QStringView(u"style"), QStringView(u"href")}) {
    const QString key = QLatin1Char(' ') + name.toString() + QLatin1Char('=');
    const qsizetype at = tagText.indexOf(key);
    if (at < 0) {
      continue;
    }
    const qsizetype valueStart = at + key.size();
    if (valueStart >= tagText.size()) {
      continue; // nothing after the "=": an unquoted value with no space after it
    }
    QString value;
    const QChar first = tagText[valueStart];
    if (IsQuote(first)) {
      const QStringView fromName = tagText.sliced(at + 1);
      const QChar quote[1] = {first};
      const QStringView quoteText(quote, 1);
      const qsizetype close = FindClosing(fromName, quoteText, u"=", quoteText);
      if (close < 0) {
        if (unterminated != nullptr) {
          *unterminated = true;
        }
        return lines;
      }
      const qsizetype valueInName = valueStart - (at + 1);
      value = fromName.sliced(valueInName, close - valueInName + 1).toString();
    } else {
      const qsizetype space = tagText.indexOf(QLatin1Char(' '), valueStart);
      if (space < 0) {
        continue;
      }
      value = tagText.sliced(valueStart, space - valueStart).toString();
    }
    QString line = name.toString() + QLatin1Char('=') + value;
    RemoveFirst(line, u"text://");
    RemoveCharRef(line);
    lines.append(line);
  }
  return lines;
}

TReferences::TReferences(TBlobList& blobs, TReferenceRequest& request, TVoicePlayer* voice)
    : Blobs(blobs), Request(request), Voice(voice) {}

QString TReferences::ReferenceLinkStart(const QString& key, const QString& hint) {
  QString safeHint = hint;
  safeHint.remove(QLatin1Char('"'));
  safeHint.remove(QLatin1Char('<'));
  safeHint.remove(QLatin1Char('>'));
  return QStringLiteral("<a name=\"reflink\" hint=\"") + safeHint + QStringLiteral("\" params=\"") +
         key + QStringLiteral("\">");
}

QString TReferences::AddTextReference(const QString& text) {
  const QByteArray bytes = EncodeChatText(text);
  const TTextBlob blob(TBytes(bytes.constData(), std::size_t(bytes.size())));
  const QString key = Blobs.AddBlob(blob);
  if (!key.isEmpty() && Request.Take(MessageSender)) {
    TraceApp(QStringLiteral("Reference request answered by ") + MessageSender);
    if (OnShowTextReference) {
      OnShowTextReference(this, blob);
    }
  }
  return key;
}

QString TReferences::ParseReferences(const QString& text, const TBlob* blob) {
  if (blob == nullptr) {
    return text;
  }
  if (const auto* voice = dynamic_cast<const TVoiceBlob*>(blob)) {
    if (Voice != nullptr) {
      Voice->Play(*voice);
    }
    return text;
  }
  const auto* item = dynamic_cast<const TItemBlob*>(blob);
  if (item == nullptr && dynamic_cast<const TTextBlob*>(blob) == nullptr &&
      dynamic_cast<const TUnknownBlob*>(blob) == nullptr) {
    // The list keeps nothing else (offline message lists), so a link would lead nowhere.
    return text;
  }
  const qsizetype start = text.indexOf(QChar(kReferenceColorCode));
  const qsizetype end = text.indexOf(QChar(kMessageColorCode));
  if (end < 0 || (start >= 0 && end < start)) {
    return text;
  }
  const qsizetype labelFrom = start < 0 ? 0 : start + 1;
  const QString hint = item != nullptr
                           ? QStringLiteral("ItemDB: ") +
                                 LinkLabel(QStringView(text).sliced(labelFrom, end - labelFrom))
                           : kDisplayReference.toString();
  const QString key = Blobs.AddBlob(*blob);
  if (key.isEmpty()) {
    return text;
  }
  const QString linkStart = ReferenceLinkStart(key, hint);
  QString head = text.first(end);
  if (start < 0) {
    head.prepend(linkStart);
  } else {
    head.replace(QChar(kReferenceColorCode), linkStart);
  }
  head += kLinkClose;
  head += QStringView(text).sliced(end + 1);
  return head;
}

QString TReferences::ParseNewImgReference(const QString& text) {
  const QStringView kImage = u"<img src=";
  QString result;
  qsizetype copied = 0;
  for (qsizetype at = text.indexOf(kImage); at >= 0; at = text.indexOf(kImage, copied)) {
    const qsizetype close = text.indexOf(QLatin1Char('>'), at + kImage.size());
    if (close < 0) {
      break; // an unterminated picture tag stays as it is
    }
    result += QStringView(text).sliced(copied, at - copied);
    result += QLatin1String("[x]");
    copied = close + 1;
  }
  if (copied == 0) {
    return text;
  }
  result += QStringView(text).sliced(copied);
  return result;
}

QString TReferences::ParseNewTextReference(const QString& text) {
  const QStringView data(text);
  TClosingWalker links(data, kLinkOpen, {}, kLinkClose);
  TClosingWalker tags(data, kTagOpen, {}, kTagClose);
  const TOccurrences hrefAt(data, u"href=");
  const TOccurrences textAt(data, u"text://");
  const TOccurrences charrefAt(data, u"charref://");
  const TOccurrences hrefAttributeAt(data, u" href=");
  QHash<QString, QString> converted; // case-folded link -> its reference link
  QString result;
  qsizetype copied = 0;
  for (qsizetype at = data.indexOf(kLinkOpen); at >= 0; at = data.indexOf(kLinkOpen, at + 1)) {
    const qsizetype close = links.From(at);
    if (close < 0) {
      break; // no "</a>" closes it, and none closes a later one either
    }
    const qsizetype linkEnd = close + kLinkClose.size();
    const QStringView link = data.sliced(at, linkEnd - at);
    if (!hrefAt.Within(at, linkEnd) ||
        (!textAt.Within(at, linkEnd) && !charrefAt.Within(at, linkEnd))) {
      continue;
    }
    const qsizetype tagEnd = tags.From(at);
    if (tagEnd < 0 || tagEnd >= linkEnd) {
      break; // the opening tag never ends
    }
    if (tagEnd + 1 > close || !hrefAttributeAt.Within(at + 2, tagEnd)) {
      continue; // no href attribute in the opening tag
    }
    bool unterminated = false;
    const QStringList attributes =
        ExtractLinkAttributes(data.sliced(at + 2, tagEnd - at - 2), &unterminated);
    if (unterminated) {
      break;
    }
    QString style;
    QString href;
    bool hasHref = false;
    for (const QString& line : attributes) {
      if (line.startsWith(u"style=")) {
        style = line;
      } else if (line.startsWith(u"href=")) {
        href = line.sliced(5);
        hasHref = true;
      }
    }
    if (!hasHref) {
      continue;
    }
    // Only links that are converted are folded: their stretches never overlap.
    const QString folded = link.toString().toCaseFolded();
    QString replacement = converted.value(folded);
    if (replacement.isEmpty()) {
      const QString key = AddTextReference(Unquoted(href));
      if (key.isEmpty()) {
        continue;
      }
      replacement = ReferenceLinkStart(key, kDisplayReference.toString());
      if (!style.isEmpty() && IsPlainStyleLine(style)) {
        replacement.insert(replacement.size() - 1, QLatin1Char(' ') + style);
      }
      replacement += LinkLabel(data.sliced(tagEnd + 1, close - tagEnd - 1)) + kLinkClose.toString();
      converted.insert(folded, replacement);
    }
    result += data.sliced(copied, at - copied);
    result += replacement;
    copied = linkEnd;
    at = linkEnd - 1; // the search goes on after the converted link
  }
  if (copied == 0) {
    return text;
  }
  result += data.sliced(copied);
  return result;
}

QString TReferences::ParseNewItemReference(const QString& text) {
  QString current = text;
  for (const QChar quote : {QLatin1Char('"'), QLatin1Char('\'')}) {
    const QString opening = QStringLiteral("<a href=") + quote + QStringLiteral("itemref:");
    const QStringView data(current);
    QHash<QString, QString> converted;
    QString result;
    qsizetype copied = 0;
    for (qsizetype at = data.indexOf(opening); at >= 0;) {
      const qsizetype close = data.indexOf(kLinkClose, at + opening.size());
      if (close < 0) {
        break;
      }
      const qsizetype linkEnd = close + kLinkClose.size();
      const QStringView link = data.sliced(at, linkEnd - at);
      const QString folded = link.toString().toCaseFolded();
      QString replacement = converted.value(folded);
      if (replacement.isEmpty()) {
        // "//low/high/ql" + quote + ">", every piece before the "</a>".
        const auto before = [close](qsizetype position) {
          return position >= 0 && position < close;
        };
        const qsizetype slashes = data.indexOf(u"//", at + opening.size());
        const qsizetype first = before(slashes) ? data.indexOf(QLatin1Char('/'), slashes + 2) : -1;
        const qsizetype second = before(first) ? data.indexOf(QLatin1Char('/'), first + 1) : -1;
        const qsizetype tagEnd = before(second) ? data.indexOf(QLatin1Char('>'), second + 1) : -1;
        if (before(tagEnd) && tagEnd - 1 >= second + 1) {
          const auto lowId =
              DecimalNumber(data.sliced(slashes + 2, first - slashes - 2), INT32_MIN, INT32_MAX);
          const auto hiId =
              DecimalNumber(data.sliced(first + 1, second - first - 1), INT32_MIN, INT32_MAX);
          const auto ql = DecimalNumber(data.sliced(second + 1, tagEnd - 1 - second - 1), 0, 255);
          if (lowId && hiId && ql) {
            const TItemBlob blob{std::int32_t(*lowId), std::int32_t(*hiId), std::uint8_t(*ql)};
            const QString key = Blobs.AddBlob(blob);
            if (!key.isEmpty()) {
              const QString label = LinkLabel(data.sliced(tagEnd + 1, close - tagEnd - 1));
              replacement = ReferenceLinkStart(key, QStringLiteral("ItemDB: ") + label) + label +
                            kLinkClose.toString();
              converted.insert(folded, replacement);
            }
          }
        }
      }
      if (!replacement.isEmpty()) {
        result += data.sliced(copied, at - copied);
        result += replacement;
        copied = linkEnd;
      }
      at = data.indexOf(opening, linkEnd);
    }
    if (copied > 0) {
      result += data.sliced(copied);
      current = result;
    }
  }
  return current;
}

QString TReferences::ParseNewCmdReference(const QString& text) {
  QString current = text;
  for (const QChar quote : {QLatin1Char('"'), QLatin1Char('\'')}) {
    const QString opening = QStringLiteral("<a href=") + quote + QStringLiteral("chatcmd://");
    const QString tagEnd = QString(quote) + QLatin1Char('>');
    const QStringView data(current);
    QHash<QString, QString> converted;
    QString result;
    qsizetype copied = 0;
    for (qsizetype at = data.indexOf(opening); at >= 0;) {
      const qsizetype close = data.indexOf(kLinkClose, at + opening.size());
      if (close < 0) {
        break;
      }
      const qsizetype linkEnd = close + kLinkClose.size();
      const QStringView link = data.sliced(at, linkEnd - at);
      const QString folded = link.toString().toCaseFolded();
      QString replacement = converted.value(folded);
      const qsizetype commandStart = at + opening.size();
      const qsizetype commandEnd = data.indexOf(tagEnd, commandStart);
      if (replacement.isEmpty() && commandEnd >= 0 && commandEnd < close) {
        // The command is only shown; nothing here ever runs it.
        const QString key =
            AddTextReference(data.sliced(commandStart, commandEnd - commandStart).toString());
        if (!key.isEmpty()) {
          const qsizetype labelStart = commandEnd + tagEnd.size();
          replacement = ReferenceLinkStart(key, kDisplayReference.toString()) +
                        LinkLabel(data.sliced(labelStart, close - labelStart)) +
                        kLinkClose.toString();
          converted.insert(folded, replacement);
        }
      }
      if (!replacement.isEmpty()) {
        result += data.sliced(copied, at - copied);
        result += replacement;
        copied = linkEnd;
      }
      at = data.indexOf(opening, linkEnd);
    }
    if (copied > 0) {
      result += data.sliced(copied);
      current = result;
    }
  }
  return current;
}

} // namespace tessra
