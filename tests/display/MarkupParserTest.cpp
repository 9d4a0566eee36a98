#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/ChatException.h"
#include "display/MarkupParser.h"

namespace tessra {

namespace {

std::string ColorText(TColorValue color) {
  switch (color.Kind()) {
  case TColorKind::None:
    return "none";
  case TColorKind::Rgb:
    return QStringLiteral("%1").arg(color.Rgb(), 6, 16, QLatin1Char('0')).toUpper().toStdString();
  case TColorKind::System:
    return "sys" + std::to_string(color.SystemIndex());
  case TColorKind::Default:
    return "default";
  }
  return "?";
}

std::string StyleText(std::uint8_t style) {
  std::string text;
  text += (style & fsBold) ? "B" : "";
  text += (style & fsItalic) ? "I" : "";
  text += (style & fsUnderline) ? "U" : "";
  return text;
}

// One element in a short, readable form; the tables below compare whole lines in this form.
std::string Describe(const TMessageElement& e) {
  std::string text;
  switch (e.Kind) {
  case ekText:
    text = "'" + e.Text.toStdString() + "'";
    break;
  case ekStyleOn:
    text = "+" + StyleText(e.Style);
    break;
  case ekStyleOff:
    text = "-" + StyleText(e.Style);
    break;
  case ekIndentPush:
    text = "IND";
    break;
  case ekIndentPop:
    text = "/IND";
    break;
  case ekBreak:
    text = "BR";
    break;
  case ekLinkStart:
    text = "A(" + e.Text.toStdString() + "|" + e.Params().toStdString() + "|" +
           e.Hint().toStdString() + (e.Effect ? "|E" : "|-") + (e.HoverEffect ? "H" : "-") +
           (e.NotURL ? "" : "|URL") + ")";
    break;
  case ekLinkEnd:
    text = "/A";
    break;
  case ekSpace:
    text = "_";
    break;
  case ekImage:
    text = "IMG" + std::to_string(e.Value);
    break;
  case ekColumn:
    text = "COL" + std::to_string(e.Value);
    break;
  case ekRule:
    text = "HR" + std::to_string(e.Value);
    break;
  case ekFontStart:
    text = "FONT(" + e.Text.toStdString() + "|" + ColorText(e.Color) + "|" +
           ColorText(e.Background) + "|" + std::to_string(e.Value) + "|" +
           std::to_string(e.SizeStep) + ")";
    break;
  case ekFontEnd:
    text = "/FONT";
    break;
  case ekTimestamp:
    text = "TS";
    break;
  case ekPreStart:
    text = "PRE";
    break;
  case ekPreEnd:
    text = "/PRE";
    break;
  }
  if (e.Blink) {
    text += "*";
  }
  if (e.NoSelect) {
    text += "!";
  }
  return text;
}

std::string Describe(const std::vector<TMessageElement>& elements) {
  std::string text;
  for (const TMessageElement& e : elements) {
    if (!text.empty()) {
      text += " ";
    }
    text += Describe(e);
  }
  return text;
}

} // namespace

// Failure output shows elements in the short form above. Internal linkage, so another suite in
// the same executable may print elements its own way.
static void PrintTo(const TMessageElement& element, std::ostream* os) {
  *os << Describe(element);
}

namespace {

std::vector<TMessageElement> Parse(const QString& text,
                                   TChatConsoleWhitespace whitespace = cwsCollapse,
                                   bool timestampEmptyLines = false) {
  return ParseMarkup(text, nullptr, whitespace, timestampEmptyLines);
}

struct TParseCase {
  const char* Name;
  const char* Markup;
  TChatConsoleWhitespace Whitespace;
  const char* Expected;
};

std::ostream& operator<<(std::ostream& os, const TParseCase& c) {
  return os << c.Name << ": \"" << c.Markup << "\"";
}

class MarkupParseTable : public ::testing::TestWithParam<TParseCase> {};

TEST_P(MarkupParseTable, GivesElements) {
  const TParseCase& c = GetParam();
  EXPECT_EQ(Describe(Parse(QString::fromUtf8(c.Markup), c.Whitespace)), c.Expected);
}

const TParseCase kWhitespaceCases[] = {
    {"collapse two spaces", "a  b", cwsCollapse, "TS 'a' _ 'b'"},
    {"leave two spaces", "a  b", cwsLeave, "TS 'a' _ _ 'b'"},
    {"collapse mixed run", "a \t\r\n b", cwsCollapse, "TS 'a' _ 'b'"},
    {"leave CR breaks, LF ignored", "a\r\nb", cwsLeave, "TS 'a' BR 'b'"},
    {"leave tab is a space", "a\tb", cwsLeave, "TS 'a' _ 'b'"},
    {"leading whitespace", "  a", cwsCollapse, "TS _ 'a'"},
    {"only whitespace", " ", cwsCollapse, "TS _"},
    {"outside-PRE keeps PRE whitespace", "a  <pre>b  c\r\n</pre>  d", cwsCollapseOutsidePRE,
     "TS 'a' _ PRE 'b' _ _ 'c' BR /PRE _ 'd'"},
    {"collapse ignores PRE", "<pre>b  c</pre>", cwsCollapse, "TS PRE 'b' _ 'c' /PRE"},
    {"tag between spaces resets the run", "a <b> c", cwsCollapse, "TS 'a' _ +B _ 'c'"},
    {"control characters are word text", "a\x01\x02z", cwsCollapse, "TS 'a\x01\x02z'"},
};
INSTANTIATE_TEST_SUITE_P(Whitespace, MarkupParseTable, ::testing::ValuesIn(kWhitespaceCases));

const TParseCase kEntityCases[] = {
    {"amp between words", "a &amp; b", cwsCollapse, "TS 'a' _ '&' _ 'b'"},
    {"entities join the word", "x&amp;y&lt;z&gt;", cwsCollapse, "TS 'x&y<z>'"},
    {"nbsp is text, not a break", "a&nbsp;b", cwsCollapse, "TS 'a b'"},
    {"bare ampersand swallows the rest", "a&b c <b>d</b>", cwsCollapse, "TS 'a&b c <b>d</b>'"},
    {"unknown entity loses its semicolon", "&quot;x&quot;", cwsCollapse, "TS '&quotx&quot'"},
    {"entity names are case-sensitive", "&LT;&Amp;&NBSP;", cwsCollapse, "TS '&LT&Amp&NBSP'"},
    {"empty entity", "&;", cwsCollapse, "TS '&'"},
    {"entity runs over spaces and tags", "&a b<i>;c", cwsCollapse, "TS '&a b<i>c'"},
};
INSTANTIATE_TEST_SUITE_P(Entities, MarkupParseTable, ::testing::ValuesIn(kEntityCases));

const TParseCase kTagCases[] = {
    {"styles", "<B>a</b><i>b</I><u>c</u>", cwsCollapse, "TS +B 'a' -B +I 'b' -I +U 'c' -U"},
    {"BR with slash attached is dropped", "a<br/>b", cwsCollapse, "TS 'ab'"},
    {"BR with a space before the slash", "a<br />b", cwsCollapse, "TS 'a' BR 'b'"},
    {"end BR breaks too", "</BR>", cwsCollapse, "TS BR"},
    {"unknown tags are dropped", "<blah x=1>a</blah>", cwsCollapse, "TS 'a'"},
    {"space before the name", "< b>a</ b>", cwsCollapse, "TS 'a'"},
    {"unterminated tag swallows the rest", "a<b c d", cwsCollapse, "TS 'a' +B"},
    {"tabs and line ends inside a tag", "<a\tname=x\r\nparams=y>", cwsLeave, "TS A(x|y||EH)"},
    {"img bare", "<img 3>", cwsCollapse, "TS IMG3"},
    {"img index", "<IMG Index=3>", cwsCollapse, "TS IMG3"},
    {"img quoted index", "<img index=\"3\">", cwsCollapse, "TS IMG3"},
    {"img quoted bare", "<img \"3\">", cwsCollapse, "TS IMG0"},
    {"img bare beats index", "<img index=5 7>", cwsCollapse, "TS IMG7"},
    {"img missing or bad", "<img><img x><img 99999999999>", cwsCollapse, "TS IMG0 IMG0 IMG0"},
    {"end img is nothing", "</img 3>", cwsCollapse, "TS"},
    {"hr default and bare", "<hr><hr 50>", cwsCollapse, "TS HR100 HR50"},
    {"hr clamped", "<hr width=150><hr width=-5><hr width=x>", cwsCollapse, "TS HR100 HR0 HR100"},
    {"hr slash and end form", "<hr /></hr 30>", cwsCollapse, "TS HR100 HR30"},
    {"column", "<column 40><column spot=12></column><column x>", cwsCollapse,
     "TS COL40 COL12 COL0 COL0"},
    {"column kept in range", "<column 2147483647><column -3>", cwsCollapse, "TS COL1048576 COL0"},
    {"indent", "<indent>a</indent>", cwsCollapse, "TS IND 'a' /IND"},
    {"pre depth", "<pre><pre>a</pre>b</pre></pre>c", cwsCollapse, "TS PRE 'ab' /PRE 'c'"},
    {"pre end without start", "</pre>a", cwsCollapse, "TS 'a'"},
    {"noselect joins text", "a<noselect>b c</noselect> d", cwsCollapse, "TS 'ab' _! 'c'! _ 'd'"},
    {"blink splits text", "a<blink>b</blink>c", cwsCollapse, "TS 'a' 'b'* 'c'"},
    {"depths never go below zero", "</blink></noselect><blink>a", cwsCollapse, "TS 'a'*"},
    {"nested blink", "<blink><blink>a</blink>b</blink>c", cwsCollapse, "TS 'ab'* 'c'"},
    {"flags on tag elements", "<noselect><b><img 2><br>", cwsCollapse, "TS +B! IMG2! BR!"},
};
INSTANTIATE_TEST_SUITE_P(Tags, MarkupParseTable, ::testing::ValuesIn(kTagCases));

const TParseCase kLinkCases[] = {
    {"name and params", "<a name=\"charlink\" params=\"Bob\">Bob</a>", cwsCollapse,
     "TS A(charlink|Bob||EH) 'Bob' /A"},
    {"all attributes", "<A NAME='n' Params='p q' HINT=\"it's\" type=url>", cwsCollapse,
     "TS A(n|p q|it's|EH|URL)"},
    {"effect OFF", "<a name=n effect=OFF>", cwsCollapse, "TS A(n|||-H)"},
    {"hovereffect false", "<a name=n hovereffect=False>", cwsCollapse, "TS A(n|||E-)"},
    {"effect starting with 0", "<a name=n effect=0x hovereffect=10>", cwsCollapse, "TS A(n|||-H)"},
    {"effect containing off", "<a name=n effect=takeoffnow hovereffect=xfalse>", cwsCollapse,
     "TS A(n|||--)"},
    {"effect that does not match", "<a name=n effect=1 hovereffect=falsey>", cwsCollapse,
     "TS A(n|||EH)"},
    {"type other than URL", "<a name=n type=urls>", cwsCollapse, "TS A(n|||EH)"},
    {"bare value is the name and a URL link", "<a http://x.example/ hint=h effect=off>",
     cwsCollapse, "TS A(http://x.example/|||EH|URL)"},
    {"quoted bare value keeps its quotes", "<a \"x y\">", cwsCollapse, "TS A(\"x y\"|||EH|URL)"},
    {"later key replaces earlier", "<a name=x name=y>", cwsCollapse, "TS A(y|||EH)"},
    {"empty value removes the key", "<a name=x name= params=\"\">", cwsCollapse, "TS A(|||EH)"},
    {"equals sign inside a quoted value", "<a name=\"a=b\" params='c>", cwsCollapse,
     "TS A(a=b|'c||EH)"},
    {"mixed quotes", "<a name=\"it's\" params='say \"hi\"'>", cwsCollapse,
     "TS A(it's|say \"hi\"||EH)"},
    {"end link", "</a>", cwsCollapse, "TS /A"},
};
INSTANTIATE_TEST_SUITE_P(Links, MarkupParseTable, ::testing::ValuesIn(kLinkCases));

const TParseCase kFontCases[] = {
    {"hex colour", "<font color=#2299FF>", cwsCollapse, "TS FONT(|2299FF|none|0|0)"},
    {"named colour", "<font color=\"CCLinkColor\">", cwsCollapse, "TS FONT(|2299FF|none|0|0)"},
    {"named colour any case", "<font color='lawn green'>", cwsCollapse,
     "TS FONT(|00EF00|none|0|0)"},
    {"toolkit identifier", "<font color=clBlue>", cwsCollapse, "TS FONT(|0000FF|none|0|0)"},
    {"decimal number is BBGGRR", "<font color=255>", cwsCollapse, "TS FONT(|FF0000|none|0|0)"},
    {"dollar number is BBGGRR", "<font color=$FF8000>", cwsCollapse, "TS FONT(|0080FF|none|0|0)"},
    {"foreground precedence", "<font foreground=clRed color=clLime foregroundcolor=clBlue>",
     cwsCollapse, "TS FONT(|0000FF|none|0|0)"},
    {"color before foreground", "<font foreground=clRed color=clLime>", cwsCollapse,
     "TS FONT(|00FF00|none|0|0)"},
    {"background", "<font background=clBtnFace backgroundcolor=#000001>", cwsCollapse,
     "TS FONT(|none|000001|0|0)"},
    {"system and none colours", "<font color=clNone background=clBtnFace>", cwsCollapse,
     "TS FONT(|none|sys15|0|0)"},
    {"face from name, else bare", "<font name=Arial Tahoma><font Tahoma>", cwsCollapse,
     "TS FONT(Arial|none|none|0|0) FONT(Tahoma|none|none|0|0)"},
    {"size absolute and steps", "<font size=10><font size=+2><font size=-2><font size=x>",
     cwsCollapse,
     "TS FONT(|none|none|10|0) FONT(|none|none|0|2) FONT(|none|none|0|-2) "
     "FONT(|none|none|0|0)"},
    {"huge sizes are held to 1000 points",
     "<font size=2147483647><font size=+99999><font size=-5000>", cwsCollapse,
     "TS FONT(|none|none|1000|0) FONT(|none|none|0|1000) FONT(|none|none|0|-1000)"},
    {"font end", "</font></color>", cwsCollapse, "TS /FONT /FONT"},
    {"color tag bare and Name", "<color #FF0000><color name=clLime><color 0>", cwsCollapse,
     "TS FONT(|FF0000|none|0|0) FONT(|00FF00|none|0|0) FONT(|000000|none|0|0)"},
};
INSTANTIATE_TEST_SUITE_P(Fonts, MarkupParseTable, ::testing::ValuesIn(kFontCases));

TEST(MarkupParser, UnresolvableColoursAreConversionErrors) {
  const struct {
    const char* Markup;
    const char* Message;
  } cases[] = {
      {"<color CCLinkColor>", "'CCLinkColor' is not a valid integer value"},
      {"<font color=nosuch>", "'nosuch' is not a valid integer value"},
      {"<font background=\"Sea Gren\">", "'Sea Gren' is not a valid integer value"},
      {"<color name=red>", "'red' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Markup);
    try {
      Parse(QString::fromUtf8(c.Markup));
      ADD_FAILURE() << "no conversion error";
    } catch (const TChatException& error) {
      EXPECT_STREQ(error.what(), c.Message);
    }
  }
}

TEST(MarkupParser, EmptyLineHasNoElementsUnlessTimestamped) {
  EXPECT_TRUE(Parse(QString()).empty());
  EXPECT_EQ(Describe(Parse(QString(), cwsCollapse, true)), "TS");
  EXPECT_EQ(Describe(Parse(QStringLiteral("<br>"))), "TS BR");
}

TEST(MarkupParser, EveryElementIsFreshAndBelongsToTheLine) {
  const auto line = reinterpret_cast<TMessageNode*>(std::uintptr_t(0x1000));
  const std::vector<TMessageElement> elements =
      ParseMarkup(QStringLiteral("<a name=x>a b</a> <img 1> http://x"), line, cwsCollapse, false);
  ASSERT_FALSE(elements.empty());
  for (const TMessageElement& e : elements) {
    SCOPED_TRACE(::testing::PrintToString(e));
    EXPECT_EQ(e.Line, line);
    EXPECT_EQ(e.Row, -1);
    EXPECT_EQ(e.Width, 0);
    EXPECT_EQ(e.Height, 0);
    EXPECT_FALSE(e.Selected);
  }
}

TEST(MarkupParser, UnicodeTextSurvives) {
  const QString text = QString::fromUtf8("Grüße 😀&amp;終");
  EXPECT_EQ(Describe(Parse(text)), "TS 'Grüße' _ '😀&終'");
}

TEST(MarkupParser, ElementCopiesOwnTheirLinkTexts) {
  std::vector<TMessageElement> elements = Parse(QStringLiteral("<a name=n params=p hint=h>"));
  ASSERT_EQ(elements.size(), 2u);
  TMessageElement copy = elements[1];
  elements.clear();
  EXPECT_EQ(copy.Params(), QStringLiteral("p"));
  EXPECT_EQ(copy.Hint(), QStringLiteral("h"));
  const TMessageElement& same = copy;
  copy = same; // self-assignment keeps the texts
  EXPECT_EQ(copy.Params(), QStringLiteral("p"));
}

// Inputs built to make a careless parser loop, go quadratic or read past the end. They only
// have to come back with a sane list.
TEST(MarkupParser, PathologicalInputGivesSaneResults) {
  const qsizetype n = 32 * 1024;
  const QString inputs[] = {
      QString(n, u'<'),
      QString(n, u'&'),
      QString(n, u'>'),
      QString(n, u';'),
      QStringLiteral("<a ") + QString(n, u'"'),
      QStringLiteral("<a ") + QString(n, u'\'') + u'>',
      QStringLiteral("<font ") + QStringLiteral("x=1 ").repeated(n / 4) + u'>',
      QStringLiteral("<a name=") + QStringLiteral("\"x ").repeated(n / 3) + u'>',
      QStringLiteral("<b><i><pre><blink><noselect>").repeated(n / 28),
      QStringLiteral("</pre></blink></noselect>").repeated(n / 25),
      QStringLiteral("&amp;&lt;").repeated(n / 8),
      QStringLiteral("a ").repeated(n / 2),
      QStringLiteral("<img ").repeated(n / 5),
      QStringLiteral("&<").repeated(n / 2),
      QString(n, u'\r'),
  };
  for (const QString& input : inputs) {
    for (TChatConsoleWhitespace ws : {cwsCollapse, cwsLeave, cwsCollapseOutsidePRE}) {
      std::vector<TMessageElement> elements = Parse(input, ws);
      ASSERT_FALSE(elements.empty());
      EXPECT_EQ(elements.front().Kind, ekTimestamp);
      EXPECT_LE(elements.size(), std::size_t(input.size()) + 1);
      qsizetype textLength = 0;
      for (const TMessageElement& e : elements) {
        textLength += e.Text.size() + e.Params().size();
      }
      EXPECT_LE(textLength, input.size());
      DetectURLs(elements, true, true);
    }
  }
}

struct TUrlCase {
  const char* Name;
  const char* Markup;
  const char* Expected;
};

std::ostream& operator<<(std::ostream& os, const TUrlCase& c) {
  return os << c.Name << ": \"" << c.Markup << "\"";
}

class UrlDetectionTable : public ::testing::TestWithParam<TUrlCase> {};

TEST_P(UrlDetectionTable, RewritesTextElements) {
  std::vector<TMessageElement> elements = Parse(QString::fromUtf8(GetParam().Markup));
  DetectURLs(elements, true, true);
  EXPECT_EQ(Describe(elements), GetParam().Expected);
}

const TUrlCase kUrlCases[] = {
    {"http with an entity in the query", "see http://x.example/a?b=1&amp;c=2, ok",
     "TS 'see' _ A(URL|http://x.example/a?b=1&c=2,|Open http://x.example/a?b=1&c=2, in default "
     "browser|EH|URL) 'http://x.example/a?b=1&c=2,' /A _ 'ok'"},
    {"prefix in any case", "HTTP://X.example",
     "TS A(URL|HTTP://X.example|Open HTTP://X.example in default browser|EH|URL) "
     "'HTTP://X.example' /A"},
    {"https is not detected", "https://x.example", "TS 'https://x.example'"},
    {"prefix inside a word is not detected", "xhttp://a", "TS 'xhttp://a'"},
    {"mailto shows the address only", "mailto:bob@x.example",
     "TS A(URL|mailto:bob@x.example|Send email to mailto:bob@x.example via default mail "
     "client|EH|URL) 'bob@x.example' /A"},
    {"news", "news://n.example/g",
     "TS A(URL|news://n.example/g|Read news from news://n.example/g in default news "
     "client|EH|URL) 'news://n.example/g' /A"},
    {"bare prefix", "mailto:",
     "TS A(URL|mailto:|Send email to mailto: via default mail "
     "client|EH|URL) '' /A"},
    {"flags copied", "<blink><noselect>http://a",
     "TS A(URL|http://a|Open http://a in default browser|EH|URL)*! 'http://a'*! /A*!"},
    {"two addresses", "http://a http://b",
     "TS A(URL|http://a|Open http://a in default browser|EH|URL) 'http://a' /A _ "
     "A(URL|http://b|Open http://b in default browser|EH|URL) 'http://b' /A"},
    {"link names are not text", "<a http://a>x</a>", "TS A(http://a|||EH|URL) 'x' /A"},
};
INSTANTIATE_TEST_SUITE_P(URLs, UrlDetectionTable, ::testing::ValuesIn(kUrlCases));

TEST(DetectURLs, TakesEffectsFromTheSettings) {
  std::vector<TMessageElement> elements = Parse(QStringLiteral("http://a"));
  DetectURLs(elements, false, true);
  ASSERT_EQ(elements.size(), 4u);
  EXPECT_FALSE(elements[1].Effect);
  EXPECT_TRUE(elements[1].HoverEffect);
  std::vector<TMessageElement> other = Parse(QStringLiteral("news://a"));
  DetectURLs(other, true, false);
  EXPECT_TRUE(other[1].Effect);
  EXPECT_FALSE(other[1].HoverEffect);
}

} // namespace

} // namespace tessra
