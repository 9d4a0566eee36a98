#include "display/MarkupParser.h"

#include <algorithm>
#include <array>
#include <optional>

#include <QRegularExpression>

#include "display/ColorValue.h"

namespace tessra {

namespace {

bool IsLineWhitespace(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Trims what the toolkit's Trim removes: every character up to and including the space.
QStringView TrimControl(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= u' ') {
    ++begin;
  }
  while (end > begin && text[end - 1].unicode() <= u' ') {
    --end;
  }
  return text.mid(begin, end - begin);
}

// A decimal integer with an optional sign that fits an int; anything else is no number.
std::optional<int> ParseDecimal(QStringView text) {
  bool negative = false;
  if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
    negative = text.front() == u'-';
    text = text.mid(1);
  }
  if (text.isEmpty()) {
    return std::nullopt;
  }
  long long value = 0;
  for (QChar c : text) {
    if (c < u'0' || c > u'9') {
      return std::nullopt;
    }
    value = value * 10 + (c.unicode() - u'0');
    if (value > 2147483648LL) {
      return std::nullopt;
    }
  }
  if (negative) {
    value = -value;
  }
  if (value > 2147483647LL) {
    return std::nullopt;
  }
  return int(value);
}

int ToIntDefault(const QString& text, int fallback) {
  return ParseDecimal(text).value_or(fallback);
}

// Font sizes, size steps and column positions come from other players' text. The console adds
// them to pen positions and to each other, so they are held far from the int range.
constexpr int kMaxFontPoints = 1000;
constexpr int kMaxColumnX = 1 << 20;

// The attribute keys any tag reads. Keys nobody reads are not kept, which also keeps a tag with
// thousands of attributes linear to read.
enum TAttributeKey : std::uint8_t {
  akName,
  akParams,
  akHint,
  akEffect,
  akHoverEffect,
  akType,
  akIndex,
  akWidth,
  akSpot,
  akSize,
  akForegroundColor,
  akColor,
  akForeground,
  akBackgroundColor,
  akBackground,
  akCount,
};

constexpr std::array<const char*, akCount> kAttributeNames = {
    "name",       "params",          "hint",       "effect", "hovereffect",     "type",
    "index",      "width",           "spot",       "size",   "foregroundcolor", "color",
    "foreground", "backgroundcolor", "background",
};

// The attributes of one tag: the bare value (a token without "=") and the known keys.
struct TTagAttributes {
  std::optional<QString> Bare;
  std::array<std::optional<QString>, akCount> Values;

  bool Has(TAttributeKey key) const { return Values[key].has_value(); }
  QString Get(TAttributeKey key) const { return Values[key].value_or(QString()); }
  // The first of the keys that is present, else an empty text.
  QString First(std::initializer_list<TAttributeKey> keys) const {
    for (TAttributeKey key : keys) {
      if (Values[key]) {
        return *Values[key];
      }
    }
    return QString();
  }
};

void AddToken(TTagAttributes& attributes, QStringView token) {
  const qsizetype equals = token.indexOf(u'=');
  if (equals < 0) {
    attributes.Bare = token.toString();
    return;
  }
  const QStringView key = token.left(equals);
  QStringView value = token.mid(equals + 1);
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    value = value.mid(1, value.size() - 2);
  }
  for (std::size_t i = 0; i < kAttributeNames.size(); ++i) {
    if (key.compare(QLatin1String(kAttributeNames[i]), Qt::CaseInsensitive) == 0) {
      // A later token replaces an earlier one; an empty value removes the key.
      if (value.isEmpty()) {
        attributes.Values[i].reset();
      } else {
        attributes.Values[i] = value.toString();
      }
      return;
    }
  }
}

// Cuts the attribute string into tokens at spaces outside quotes, in one pass. A quote
// character anywhere in a token opens a stretch that only the same character closes.
TTagAttributes ParseAttributes(QStringView text) {
  TTagAttributes attributes;
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n) {
    while (i < n && text[i] == u' ') {
      ++i;
    }
    if (i >= n) {
      break;
    }
    const qsizetype start = i;
    QChar quote;
    while (i < n) {
      const QChar c = text[i];
      if (!quote.isNull()) {
        if (c == quote) {
          quote = QChar();
        }
      } else if (c == u' ') {
        break;
      } else if (c == u'"' || c == u'\'') {
        quote = c;
      }
      ++i;
    }
    AddToken(attributes, text.mid(start, i - start));
  }
  return attributes;
}

// "effect" and "hovereffect" switch a link font off with a value that begins with 0, contains
// "off" or ends with "false", in any letter case.
bool SwitchesEffectOff(const QString& value) {
  static const QRegularExpression kOff(QStringLiteral("^0|off|false$"),
                                       QRegularExpression::CaseInsensitiveOption);
  return kOff.match(value).hasMatch();
}

enum TTagName : std::uint8_t {
  tnB,
  tnI,
  tnU,
  tnFont,
  tnColor,
  tnA,
  tnImg,
  tnBr,
  tnHr,
  tnColumn,
  tnIndent,
  tnPre,
  tnNoSelect,
  tnBlink,
  tnUnknown,
};

constexpr std::array<const char*, tnUnknown> kTagNames = {
    "B",  "I",  "U",      "FONT",   "COLOR", "A",        "IMG",
    "BR", "HR", "COLUMN", "INDENT", "PRE",   "NOSELECT", "BLINK",
};

TTagName FindTagName(QStringView name) {
  for (std::size_t i = 0; i < kTagNames.size(); ++i) {
    if (name.compare(QLatin1String(kTagNames[i]), Qt::CaseInsensitive) == 0) {
      return TTagName(i);
    }
  }
  return tnUnknown;
}

class TLineParser {
public:
  TLineParser(const QString& text, TMessageNode* line, TChatConsoleWhitespace whitespace)
      : Text(text), Line(line), Whitespace(whitespace) {}

  std::vector<TMessageElement> Run(bool timestampEmptyLines) {
    if (!Text.isEmpty() || timestampEmptyLines) {
      Add(ekTimestamp);
    }
    const qsizetype n = Text.size();
    while (Pos < n) {
      const QChar c = Text[Pos];
      if (c == u'&') {
        ReadEntity();
        AfterCollapsedSpace = false;
      } else if (c == u'<') {
        ReadTag();
        AfterCollapsedSpace = false;
      } else if (IsLineWhitespace(c)) {
        ReadWhitespace(c);
        ++Pos;
      } else {
        const qsizetype start = Pos;
        while (Pos < n && !IsLineWhitespace(Text[Pos]) && Text[Pos] != u'&' && Text[Pos] != u'<') {
          ++Pos;
        }
        AppendText(QStringView(Text).mid(start, Pos - start));
        AfterCollapsedSpace = false;
      }
    }
    Elements.shrink_to_fit();
    return std::move(Elements);
  }

private:
  TMessageElement& Add(TElementKind kind) {
    TMessageElement& element = Elements.emplace_back();
    element.Kind = kind;
    element.Line = Line;
    element.Blink = BlinkDepth > 0;
    element.NoSelect = NoSelectDepth > 0;
    return element;
  }

  // Text joins the previous text element unless the blink state differs.
  void AppendText(QStringView text) {
    if (!Elements.empty() && Elements.back().Kind == ekText &&
        Elements.back().Blink == (BlinkDepth > 0)) {
      Elements.back().Text += text;
      return;
    }
    Add(ekText).Text = text.toString();
  }

  void ReadWhitespace(QChar c) {
    const bool collapse =
        Whitespace == cwsCollapse || (Whitespace == cwsCollapseOutsidePRE && PreDepth == 0);
    if (collapse) {
      if (!AfterCollapsedSpace) {
        Add(ekSpace);
      }
      AfterCollapsedSpace = true;
    } else if (c == u' ' || c == u'\t') {
      Add(ekSpace);
    } else if (c == u'\r') {
      Add(ekBreak);
    }
  }

  // An entity runs from "&" to the next ";" or, without one, to the end of the line.
  void ReadEntity() {
    const qsizetype start = Pos;
    qsizetype end = Text.indexOf(u';', start);
    if (end < 0) {
      end = Text.size();
      Pos = end;
    } else {
      Pos = end + 1;
    }
    const QStringView run = QStringView(Text).mid(start, end - start);
    if (run == u"&lt") {
      AppendText(u"<");
    } else if (run == u"&gt") {
      AppendText(u">");
    } else if (run == u"&nbsp") {
      AppendText(u" ");
    } else if (run == u"&amp") {
      AppendText(u"&");
    } else {
      AppendText(run);
    }
  }

  // A tag runs from "<" to the next ">" or, without one, to the end of the line.
  void ReadTag() {
    const qsizetype start = Pos + 1;
    qsizetype end = Text.indexOf(u'>', start);
    if (end < 0) {
      end = Text.size();
      Pos = end;
    } else {
      Pos = end + 1;
    }
    QString tag = Text.mid(start, end - start);
    for (QChar& c : tag) {
      if (c == u'\t' || c == u'\r' || c == u'\n') {
        c = u' ';
      }
    }
    QStringView body(tag);
    const bool isEnd = body.startsWith(u'/');
    if (isEnd) {
      body = body.mid(1);
    }
    const qsizetype space = body.indexOf(u' ');
    const QStringView name = space < 0 ? body : body.left(space);
    const TTagName tagName = FindTagName(name);
    if (tagName == tnUnknown) {
      return;
    }
    const TTagAttributes attributes =
        ParseAttributes(space < 0 ? QStringView() : TrimControl(body.mid(space + 1)));
    EmitTag(tagName, isEnd, attributes);
  }

  void EmitStyle(bool isEnd, std::uint8_t style) {
    Add(isEnd ? ekStyleOff : ekStyleOn).Style = style;
  }

  void EmitTag(TTagName tagName, bool isEnd, const TTagAttributes& attributes) {
    switch (tagName) {
    case tnB:
      EmitStyle(isEnd, fsBold);
      break;
    case tnI:
      EmitStyle(isEnd, fsItalic);
      break;
    case tnU:
      EmitStyle(isEnd, fsUnderline);
      break;
    case tnFont:
      if (isEnd) {
        Add(ekFontEnd);
      } else {
        EmitFont(attributes);
      }
      break;
    case tnColor:
      if (isEnd) {
        Add(ekFontEnd);
      } else {
        // Resolve before adding, so a failing value leaves no half-made element behind.
        const TColorValue color =
            ResolveColorTagColor(attributes.Bare.value_or(attributes.Get(akName)));
        Add(ekFontStart).Color = color;
      }
      break;
    case tnA:
      if (isEnd) {
        Add(ekLinkEnd);
      } else {
        EmitLink(attributes);
      }
      break;
    case tnImg:
      if (!isEnd) {
        Add(ekImage).Value = ToIntDefault(attributes.Bare.value_or(attributes.Get(akIndex)), 0);
      }
      break;
    case tnBr:
      Add(ekBreak);
      break;
    case tnHr:
      Add(ekRule).Value =
          std::clamp(ToIntDefault(attributes.Bare.value_or(attributes.Get(akWidth)), 100), 0, 100);
      break;
    case tnColumn:
      Add(ekColumn).Value = std::clamp(
          ToIntDefault(attributes.Bare.value_or(attributes.Get(akSpot)), 0), 0, kMaxColumnX);
      break;
    case tnIndent:
      Add(isEnd ? ekIndentPop : ekIndentPush);
      break;
    case tnPre:
      if (!isEnd) {
        if (++PreDepth == 1) {
          Add(ekPreStart);
        }
      } else if (PreDepth > 0) {
        if (--PreDepth == 0) {
          Add(ekPreEnd);
        }
      }
      break;
    case tnNoSelect:
      Step(NoSelectDepth, isEnd);
      break;
    case tnBlink:
      Step(BlinkDepth, isEnd);
      break;
    case tnUnknown:
      break;
    }
  }

  static void Step(qsizetype& depth, bool isEnd) {
    if (!isEnd) {
      ++depth;
    } else if (depth > 0) {
      --depth;
    }
  }

  void EmitFont(const TTagAttributes& attributes) {
    const TColorValue color =
        ResolveFontColor(attributes.First({akForegroundColor, akColor, akForeground}));
    const TColorValue background =
        ResolveFontColor(attributes.First({akBackgroundColor, akBackground}));
    TMessageElement& element = Add(ekFontStart);
    element.Text =
        attributes.Has(akName) ? attributes.Get(akName) : attributes.Bare.value_or(QString());
    element.Color = color;
    element.Background = background;
    if (attributes.Has(akSize)) {
      const QString size = attributes.Get(akSize);
      if (size.startsWith(u'+') || size.startsWith(u'-')) {
        element.SizeStep = std::clamp(ToIntDefault(size, 0), -kMaxFontPoints, kMaxFontPoints);
      } else {
        element.Value = std::clamp(ToIntDefault(size, 0), 0, kMaxFontPoints);
      }
    }
  }

  void EmitLink(const TTagAttributes& attributes) {
    TMessageElement& element = Add(ekLinkStart);
    if (attributes.Bare) {
      element.Text = *attributes.Bare;
      element.Effect = true;
      element.HoverEffect = true;
      element.NotURL = false;
      return;
    }
    element.Text = attributes.Get(akName);
    element.SetLinkTexts(attributes.Get(akParams), attributes.Get(akHint));
    element.Effect = !SwitchesEffectOff(attributes.Get(akEffect));
    element.HoverEffect = !SwitchesEffectOff(attributes.Get(akHoverEffect));
    element.NotURL = attributes.Get(akType).compare(u"URL", Qt::CaseInsensitive) != 0;
  }

  const QString& Text;
  TMessageNode* Line;
  TChatConsoleWhitespace Whitespace;
  std::vector<TMessageElement> Elements;
  qsizetype Pos = 0;
  qsizetype PreDepth = 0;
  qsizetype NoSelectDepth = 0;
  qsizetype BlinkDepth = 0;
  bool AfterCollapsedSpace = false;
};

struct TUrlPrefix {
  const char16_t* Prefix;
  const char16_t* HintBefore;
  const char16_t* HintAfter;
  bool DropPrefix;
};

constexpr std::array<TUrlPrefix, 3> kUrlPrefixes = {{
    {u"http://", u"Open ", u" in default browser", false},
    {u"mailto:", u"Send email to ", u" via default mail client", true},
    {u"news://", u"Read news from ", u" in default news client", false},
}};

const TUrlPrefix* FindUrlPrefix(const QString& text) {
  for (const TUrlPrefix& prefix : kUrlPrefixes) {
    if (text.startsWith(QStringView(prefix.Prefix), Qt::CaseInsensitive)) {
      return &prefix;
    }
  }
  return nullptr;
}

} // namespace

std::vector<TMessageElement> ParseMarkup(const QString& text, TMessageNode* line,
                                         TChatConsoleWhitespace whitespace,
                                         bool timestampEmptyLines) {
  return TLineParser(text, line, whitespace).Run(timestampEmptyLines);
}

void DetectURLs(std::vector<TMessageElement>& elements, bool autoParseEffect,
                bool autoParseHoverEffect) {
  std::size_t found = 0;
  for (const TMessageElement& element : elements) {
    if (element.Kind == ekText && FindUrlPrefix(element.Text)) {
      ++found;
    }
  }
  if (found == 0) {
    return;
  }
  std::vector<TMessageElement> result;
  result.reserve(elements.size() + 2 * found);
  for (TMessageElement& element : elements) {
    const TUrlPrefix* prefix = element.Kind == ekText ? FindUrlPrefix(element.Text) : nullptr;
    if (!prefix) {
      result.push_back(std::move(element));
      continue;
    }
    TMessageElement shown;
    shown.Kind = ekText;
    shown.Line = element.Line;
    shown.Blink = element.Blink;
    shown.NoSelect = element.NoSelect;
    shown.Text = prefix->DropPrefix ? element.Text.mid(7) : element.Text;
    TMessageElement end;
    end.Kind = ekLinkEnd;
    end.Line = element.Line;
    end.Blink = element.Blink;
    end.NoSelect = element.NoSelect;

    const QString address = std::move(element.Text);
    element.Kind = ekLinkStart;
    element.Text = QStringLiteral("URL");
    QString hint = QString::fromUtf16(prefix->HintBefore);
    hint += address;
    hint += QString::fromUtf16(prefix->HintAfter);
    element.SetLinkTexts(address, std::move(hint));
    element.NotURL = false;
    element.Effect = autoParseEffect;
    element.HoverEffect = autoParseHoverEffect;
    result.push_back(std::move(element));
    result.push_back(std::move(shown));
    result.push_back(std::move(end));
  }
  elements = std::move(result);
}

} // namespace tessra
