#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QColor>
#include <QPalette>
#include <QString>

#include "display/ColorCodes.h"
#include "display/ColorPalettes.h"
#include "display/Emoticons.h"
#include "display/ReferenceParsers.h"
#include "display/TextTransforms.h"

namespace tessra {
namespace {

// Control characters written into test texts.
QString Ctl(std::initializer_list<char16_t> codes) {
  QString text;
  for (const char16_t code : codes) {
    text += QChar(code);
  }
  return text;
}

QString Literals(const QByteArray& received, std::optional<QColor> messageColor = std::nullopt,
                 std::optional<QColor> background = std::nullopt, bool emoticons = true) {
  TReplaceLiteralsSettings settings;
  settings.ParseEmoticons = emoticons;
  settings.BackgroundColor = background;
  return ReplaceLiterals(received, nullptr, messageColor, settings);
}

TEST(TextTransformsTables, HaveTheirSizesAndOrder) {
  EXPECT_EQ(ColorCodeTable().size(), 37u);
  EXPECT_EQ(EmoticonTable().size(), 120u);
  EXPECT_EQ(DefaultColorPalette().size(), 40u);
  EXPECT_EQ(SystemColorPalette().size(), 30u);
  for (const TSystemColorCell& cell : SystemColorPalette()) {
    EXPECT_NE(cell.SystemIndex, 25) << cell.Name;
  }
  // Every picture has codes, and the first code of each is the one the picker inserts.
  const std::vector<QString> firstCodes = {":-)", ":-D", ";-)", ":-P",  "8-)", ":-O",
                                           ":-(", ":-S", ":-[", ":'-(", ":-|", ":-@"};
  for (int picture = 0; picture < kEmoticonPictureCount; ++picture) {
    EXPECT_EQ(FirstEmoticonCode(picture), firstCodes[std::size_t(picture)]);
  }
  EXPECT_EQ(FirstEmoticonCode(12), QString());
  EXPECT_EQ(FirstEmoticonCode(-1), QString());
}

struct TLiteralsCase {
  const char* Name;
  QByteArray Received;
  QString Expected;
};

TEST(ReplaceLiterals, EmoticonsAddressesAndEntities) {
  const std::vector<TLiteralsCase> cases = {
      {"smile", "hi :)", "hi <img index=\"0\">"},
      {"cool in ordinary text", "that is 8) right", "that is <img index=\"4\"> right"},
      {"earlier code consumes a longer one", ":Oo", "<img index=\"5\">o"},
      {"address keeps its :/", "see http://tessra.example/a/b", "see http://tessra.example/a/b"},
      {"scheme in capitals comes back in lower case", "HTTP://TESSRA.EXAMPLE/ :D",
       "http://TESSRA.EXAMPLE/ <img index=\"1\">"},
      {"https address is protected too", "https://tessra.example/", "https://tessra.example/"},
      {"other schemes", "<a href=\"itemref://1/2/3\">x</a> chatcmd://a",
       "<a href=\"itemref://1/2/3\">x</a> chatcmd://a"},
      {"entity end is no wink", "a &lt;) b &gt;) &amp;)", "a &lt;) b &gt;) &amp;)"},
      {"tags pass through", "<font color=\"#FF0000\">red</font>",
       "<font color=\"#FF0000\">red</font>"},
      {"quot becomes a quote", "say &quot;x&quot; &QUOT;", "say \"x\" \""},
      {"line breaks", "one\r\ntwo\nthree", "one<br>two<br>three"},
      {"placeholder characters in the text survive", QByteArray("a\x17\x19 b\x17\x17\x1E"),
       QStringLiteral("a") + Ctl({0x17, 0x19}) + QStringLiteral(" b") + Ctl({0x17, 0x17, 0x1E})},
      {"no picture inside a tag, where it would end the tag early",
       "<a hint=\"Sword (QL 8)\">Sword (QL 8)</a> :)",
       "<a hint=\"Sword (QL 8)\">Sword (QL <img index=\"4\"></a> <img index=\"0\">"},
      {"an unterminated tag swallows the rest, pictures included", "a :) <b :)",
       "a <img index=\"0\"> <b :)"},
      {"crying and backslash", ":'( :-\\", "<img index=\"9\"> <img index=\"10\">"},
      {"with case: :p and :P both, :d is no grin", ":p :P :d",
       "<img index=\"3\"> <img index=\"3\"> :d"},
  };
  for (const TLiteralsCase& c : cases) {
    EXPECT_EQ(Literals(c.Received), c.Expected) << c.Name;
  }
  EXPECT_EQ(Literals("hi :) 8)", std::nullopt, std::nullopt, false), "hi :) 8)");
}

TEST(ReplaceLiterals, ColourCodesSwitchBackAndBackgroundText) {
  const QColor message(0x11, 0x22, 0x33);
  QByteArray received("\x10\x04"
                      "cyan\x12"
                      "back");
  EXPECT_EQ(Literals(received, message),
            "</font><font color=\"#00FFFF\">cyan</font><font color=\"#112233\">back");

  // Text written in the background colour is shown in the message colour, in all three forms.
  const QColor black(0, 0, 0);
  EXPECT_EQ(Literals("<font color=\"#000000\">a</font><font color='#000000'>b</font>"
                     "<font color=#000000>c</font>",
                     message, black),
            "<font color=\"#112233\">a</font><font color=\"#112233\">b</font>"
            "<font color=\"#112233\">c</font>");
  // Hex digits are compared without case; without a background colour nothing changes.
  EXPECT_EQ(Literals("<font color=\"#abcdef\">x", message, QColor(0xAB, 0xCD, 0xEF)),
            "<font color=\"#112233\">x");
  EXPECT_EQ(Literals("<font color=\"#000000\">x", message), "<font color=\"#000000\">x");

  // The game's grey font start is removed.
  EXPECT_EQ(Literals("<font color='F0F0F0'>x<FONT COLOR='f0f0f0'>y", message), "xy");
}

// Records the order of the reference steps and marks the text at each.
class TRecordingParsers : public TReferenceParsers {
public:
  std::vector<std::string> Calls;
  bool SawNoBlob = false;

  QString ParseReferences(const QString& text, const TBlob* blob) override {
    Calls.push_back("references");
    SawNoBlob = blob == nullptr;
    return text + QStringLiteral(" :)");
  }
  QString ParseNewImgReference(const QString& text) override {
    Calls.push_back("img");
    return text;
  }
  QString ParseNewTextReference(const QString& text) override {
    Calls.push_back("text");
    return text;
  }
  QString ParseNewItemReference(const QString& text) override {
    Calls.push_back("item");
    return text + Ctl({0x12});
  }
  QString ParseNewCmdReference(const QString& text) override {
    Calls.push_back("cmd");
    // Sees the decoded text with quotes already restored.
    EXPECT_TRUE(text.startsWith(QStringLiteral("\"\xC4\"")));
    return text;
  }
};

TEST(ReplaceLiterals, RunsTheReferenceStepsBeforeEmoticonsAndColours) {
  TRecordingParsers parsers;
  const QString result =
      ReplaceLiterals("&quot;\xC3\x84&quot;", nullptr, QColor(0xFF, 0, 0), {}, &parsers);
  EXPECT_EQ(parsers.Calls, (std::vector<std::string>{"references", "img", "text", "item", "cmd"}));
  EXPECT_TRUE(parsers.SawNoBlob);
  // The smile a reference step wrote became a picture, the 12 hex it wrote a font switch.
  EXPECT_EQ(result, QStringLiteral("\"\xC4\" <img index=\"0\"></font><font color=\"#FF0000\">"));
}

TEST(ReplaceLiterals, MessageMarkersWithoutParsersShowAsReferenceColour) {
  QByteArray received("a \x11item\x12 b");
  EXPECT_EQ(Literals(received, QColor(0, 0xFF, 0)),
            "a </font><font color=\"#9C9CFF\">item</font><font color=\"#00FF00\"> b");
  // The error handler converts with no message colour: 12 hex then keeps the outer colour.
  EXPECT_EQ(Literals(received), "a </font><font color=\"#9C9CFF\">item</font><font> b");
}

TEST(ColorCodes, HexNotationAndSwap) {
  EXPECT_EQ(ColorToHex(QColor(0x12, 0xAB, 0x0F)), "12AB0F");
  EXPECT_EQ(ColorToHex(QColor(0x12, 0xAB, 0x0F, 0x40)), "12AB0F");
  QPalette palette;
  palette.setColor(QPalette::Active, QPalette::Text, QColor(0xC0, 0xFF, 0xEE));
  EXPECT_EQ(ColorToHex(TColorValue::FromSystem(8), palette), "C0FFEE"); // clWindowText
  EXPECT_EQ(ColorToHex(TColorValue::FromRgb(0x00FF7F), palette), "00FF7F");

  const std::vector<std::pair<QString, QString>> swaps = {{"112233", "332211"},
                                                          {"ABCDEF", "EFCDAB"},
                                                          {"12345", "12345"},
                                                          {"", ""},
                                                          {"1234567", "1234567"}};
  for (const auto& [in, out] : swaps) {
    EXPECT_EQ(SwapRedBlue(in), out) << in.toStdString();
  }
}

TEST(ColorCodes, CodeOfColourAndColourOfCode) {
  // Duplicates give the earliest code; 00FF00 is the code 10 00 whose second character is NUL.
  EXPECT_EQ(ColorCodeOf(QColor(0xFF, 0, 0)), Ctl({0x10, 0x0C}));
  EXPECT_EQ(ColorCodeOf(QColor(0, 0xFF, 0)), Ctl({0x10, 0x00}));
  EXPECT_EQ(ColorCodeOf(QColor(0x9C, 0x9C, 0xFF)), Ctl({0x11}));
  EXPECT_EQ(ColorCodeOf(QColor(0x12, 0x34, 0x56)), QString());
  EXPECT_EQ(ColorCodeOf(QColor()), QString());

  EXPECT_EQ(ColorOfCode(Ctl({0x10, 0x17})), QColor(0xFF, 0, 0));
  EXPECT_EQ(ColorOfCode(Ctl({0x11})), QColor(0x9C, 0x9C, 0xFF));
  EXPECT_FALSE(ColorOfCode(Ctl({0x10, 0x99})).isValid());
  EXPECT_FALSE(ColorOfCode(Ctl({0x10})).isValid());
  EXPECT_FALSE(ColorOfCode(Ctl({0x12})).isValid());
  for (const TColorCodeEntry& entry : ColorCodeTable()) {
    EXPECT_EQ(ColorOfCode(ColorCodeText(entry)), QColor::fromRgb(entry.Rgb));
  }
}

TEST(ColorCodes, CodesAreReadAsPairsFromTheLeft) {
  const std::optional<QColor> message = QColor(0, 0, 0);
  struct TCase {
    const char* Name;
    QString Text;
    QString Adapted;
    QString Stripped;
  };
  const QString yellow = "</font><font color=\"#FFFF00\">";
  const std::vector<TCase> cases = {
      {"10 10 is one code, the 00 after it text", Ctl({0x10, 0x10, 0x00}), yellow + Ctl({0x00}),
       Ctl({0x00})},
      {"code 10 00", QStringLiteral("a") + Ctl({0x10, 0x00}) + "b",
       "a</font><font color=\"#00FF00\">b", "ab"},
      {"code 10 12 is not the 12 hex switch", Ctl({0x10, 0x12}) + "x",
       "</font><font color=\"#DFDF41\">x", "x"},
      {"unknown second character stays", Ctl({0x10, 0x21}) + "x", Ctl({0x10, 0x21}) + "x",
       Ctl({0x10, 0x21}) + "x"},
      {"a lead character at the end is dropped", QStringLiteral("x") + Ctl({0x10}), "x", "x"},
      {"the 12 hex switch", QStringLiteral("x") + Ctl({0x12}) + "y",
       "x</font><font color=\"#000000\">y", "xy"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(AdaptColors(c.Text, message, std::nullopt), c.Adapted) << c.Name;
    EXPECT_EQ(StripColorCodes(c.Text), c.Stripped) << c.Name;
  }
}

TEST(MarkupText, EscapeAndStripTags) {
  EXPECT_EQ(EscapeMarkup("&lt; \"a\" <b>&"), "&amp;lt; &quot;a&quot; &lt;b&gt;&amp;");
  const std::vector<std::pair<QString, QString>> strips = {
      {"a<b>c</b>d", "acd"},  {"x < y", "x < y"},
      {"<<a>b", "b"},         {"a<font color=\"#FF0000\">b", "ab"},
      {"no tags", "no tags"}, {"a>b<", "a>b<"},
  };
  for (const auto& [in, out] : strips) {
    EXPECT_EQ(StripTags(in), out) << in.toStdString();
  }
}

TEST(Emoticons, ProtectionRoundTripsAnyText) {
  const std::vector<QString> texts = {
      "&amp;&lt;&gt;&<> http://a itemref://b charref://c text://d chatcmd://e https://f",
      Ctl({0x17}),
      Ctl({0x17, 0x17, 0x19, 0x17}),
      QStringLiteral("x") + Ctl({0x17, 0x1E, 0x17, 0x30}),
  };
  for (const QString& text : texts) {
    EXPECT_EQ(RestoreSpecials(ProtectSpecials(text)), text) << text.toStdString();
    EXPECT_FALSE(ProtectSpecials(text).contains(QLatin1Char('<')));
  }
  // Protection ignores case; restoring writes the lower-case forms.
  EXPECT_EQ(RestoreSpecials(ProtectSpecials("&LT; ChatCmd://x")), "&lt; chatcmd://x");
}

TEST(OutgoingText, EscapesTypedTextAndRestoresGeneratedTags) {
  struct TCase {
    const char* Name;
    QString Composed;
    QByteArray Sent;
  };
  const std::vector<TCase> cases = {
      {"typed special characters become entities", "a<b & \"c\">",
       "a&lt;b &amp; &quot;c&quot;&gt;"},
      {"typed entity names become raw characters", "&lt;&GT;&quot;&amp;", "<>\"&amp;amp;"},
      {"generated tags become real tags",
       EscapeMarkup("<font color=\"#FF0000\">") + "x<y" + EscapeMarkup("</font>"),
       "<font color=\"#FF0000\">x&lt;y</font>"},
      {"UTF-8", QStringLiteral("\u00C4\u20AC"), "\xC3\x84\xE2\x82\xAC"},
      {"a typed control character is no placeholder", Ctl({0x17, 0x1C}), "\x17\x1C"},
      {"an ampersand at the end", "a&", "a&amp;"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(PrepareOutgoingText(c.Composed), c.Sent) << c.Name;
  }
}

TEST(OutgoingText, ClientTagPrefix) {
  EXPECT_EQ(FormatClientTag("1.2.3.4"),
            "<a type=chatclient version=1.2.3.4 href=Tessra>Tessra+</a>");
  EXPECT_EQ(FormatClientTag(""), "<a type=chatclient version=unknown href=Tessra>Tessra+</a>");
  EXPECT_TRUE(ClientTag().startsWith("<a type=chatclient version=" TESSRA_VERSION " "));
  // The prefix is sent as it stands; only the typed part is escaped.
  EXPECT_EQ(ComposeOutgoingMessage(FormatClientTag("1.0.0.0"), "<hi>"),
            "<a type=chatclient version=1.0.0.0 href=Tessra>Tessra+</a>&lt;hi&gt;");
}

} // namespace
} // namespace tessra
