#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include "common/ChatException.h"
#include "display/RtfReader.h"

namespace tessra {
namespace {

constexpr double kDefaultPoints = 10;

QByteArray Fixture(const char* name) {
  const auto path = std::filesystem::path(TESSRA_DISPLAY_FIXTURES) / "rtf" / name;
  QFile file(QString::fromStdString(path.string()));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  return file.readAll();
}

std::unique_ptr<QTextDocument> Read(const QByteArray& rtf) {
  auto document = std::make_unique<QTextDocument>();
  document->setDefaultFont(QFont(QStringLiteral("Arial"), int(kDefaultPoints)));
  TRtfReader::Read(rtf, *document);
  return document;
}

// The text with paragraphs as "\n" and every other character as it is stored.
QString Text(const QTextDocument& document) {
  return document.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// How a character looks: "fg=#rrggbb bg=#rrggbb b i u s pt=N", each part only when it differs
// from plain text in the document's default font.
QString Look(const QTextCharFormat& format) {
  QStringList parts;
  if (format.hasProperty(QTextFormat::ForegroundBrush) &&
      format.foreground().style() != Qt::NoBrush) {
    parts << "fg=" + format.foreground().color().name();
  }
  if (format.hasProperty(QTextFormat::BackgroundBrush) &&
      format.background().style() != Qt::NoBrush) {
    parts << "bg=" + format.background().color().name();
  }
  if (format.fontWeight() >= QFont::DemiBold) {
    parts << "b";
  }
  if (format.fontItalic()) {
    parts << "i";
  }
  if (format.fontUnderline()) {
    parts << "u";
  }
  if (format.fontStrikeOut()) {
    parts << "s";
  }
  if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() != kDefaultPoints) {
    parts << "pt=" + QString::number(format.fontPointSize());
  }
  return parts.join(u' ');
}

// The document as runs of equally looking text: "<look>text<look>text|<look>text", "|" between
// paragraphs.
QString Describe(const QTextDocument& document) {
  QString out;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block != document.begin()) {
      out += u'|';
    }
    QString last = QStringLiteral("none");
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QString look = Look(it.fragment().charFormat());
      if (look != last) {
        out += "<" + look + ">";
        last = look;
      }
      out += it.fragment().text();
    }
  }
  return out;
}

// The look of a piece of text, which must be the same for each of its characters.
QString LookOf(const QTextDocument& document, const QString& needle) {
  const qsizetype start = Text(document).indexOf(needle);
  if (start < 0) {
    return QStringLiteral("<missing>");
  }
  QTextCursor cursor(const_cast<QTextDocument*>(&document));
  QString look;
  for (qsizetype i = 0; i < needle.size(); ++i) {
    cursor.setPosition(int(start + i + 1));
    const QString here = Look(cursor.charFormat());
    if (i == 0) {
      look = here;
    } else if (here != look) {
      return QStringLiteral("<mixed>");
    }
  }
  return look;
}

TEST(RtfReader, TextOfControlWordsEscapesAndDestinations) {
  struct TCase {
    const char* Name;
    QByteArray Rtf;
    QString Text;
  };
  const auto body = [](const char* text) { return QByteArray("{\\rtf1\\ansi ") + text + "}"; };
  const TCase cases[] = {
      {"escaped braces and backslash", body(R"(a\\b\{c\})"), u"a\\b{c}"_qs},
      {"tab, line and paragraph", body(R"(one\tab two\line three\par four)"),
       u"one\ttwo\u2028three\nfour"_qs},
      {"special characters", body(R"(\~\-\_\emdash\bullet\lquote x\rquote)"),
       u"\u00A0\u00AD\u2011\u2014\u2022\u2018x\u2019"_qs},
      {"hex bytes in Windows-1252", body(R"(\'e9\'80\'C9)"), u"\u00E9\u20AC\u00C9"_qs},
      {"hex bytes in the document's code page", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0}",
       u"\u041F\u0440"_qs},
      {"hex bytes in the font's character set",
       R"({\rtf1\ansi{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset204 B;}}\f1\'cf\f0\'cf})",
       u"\u041F\u00CF"_qs},
      {"double-byte characters",
       R"({\rtf1\ansi{\fonttbl{\f0\fcharset128 MS Gothic;}}\f0\'82\'a0\'82\'a2})",
       u"\u3042\u3044"_qs},
      {"an unknown code page reads as Windows-1252", "{\\rtf1\\ansi\\ansicpg99999 \\'e9}",
       u"\u00E9"_qs},
      {"\\u skips one fallback character", body(R"(\u8364?x)"), u"\u20ACx"_qs},
      {"\\uc0 skips none", body(R"(\uc0\u8364 x)"), u"\u20ACx"_qs},
      {"\\uc2 skips two hex bytes", body(R"(\uc2\u1055\'cf\'cfx)"), u"\u041Fx"_qs},
      {"a fallback hex byte", body(R"(\u8364\'80x)"), u"\u20ACx"_qs},
      {"a negative \\u", body(R"(\u-4064?)"), u"\uF020"_qs},
      {"a surrogate pair", body(R"(\u-10179?\u-8704?)"), u"\U0001F600"_qs},
      {"a surrogate pair the LibreOffice way", body(R"(\uc0 \u55357\uc1 \u56832\'3f end)"),
       u"\U0001F600 end"_qs},
      {"a lone surrogate", body(R"(\uc0\u55357 x)"), u"\uFFFDx"_qs},
      {"huge \\u values", body(R"(\u99999999999999?a\u-99999?b)"), u"\uFFFDa\uFFFDb"_qs},
      {"\\u beyond 16 bits", body(R"(\u128512?)"), u"\U0001F600"_qs},
      {"\\u0 and control characters", body("a\\u0?b\\u10?c\x01\x7f"), u"abc\x7f"_qs},
      {"fallback stops at the group's end", body(R"({\uc3\u8364}ab)"), u"\u20ACab"_qs},
      {"broken hex escapes", body(R"(a\'zz\'4)"), u"azz4"_qs},
      {"ignorable destination", body(R"(a{\*\unknown b{c}}d)"), u"ad"_qs},
      {"non-text destinations",
       body(R"({\info{\title T}}{\stylesheet{\s0 Normal;}}{\header H}{\pict\pngblip 89504e}x)"),
       u"x"_qs},
      {"binary data", body("{\\pict\\bin5 {}}\\x}y"), u"y"_qs},
      {"unknown control words", body(R"(\foo123 a\zzz b\x-5 c)"), u"abc"_qs},
      {"unknown groups keep their text", body(R"({\mystery shown})"), u"shown"_qs},
      {"a field shows its result", body(R"({\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}})"),
       u"link"_qs},
      {"raw line breaks are no text", body("a\r\nb"), u"ab"_qs},
      {"backslash and line break is a paragraph", body("a\\\nb"), u"a\nb"_qs},
      {"the last \\par ends the last paragraph", body(R"(a\par)"), u"a"_qs},
      {"an empty last paragraph", body(R"(a\par\par)"), u"a\n"_qs},
      {"an overlong control word", body(R"(\abcdefghijklmnopqrstuvwxyzabcdefghijklmn x)"), u"x"_qs},
      {"a minus that is not a parameter", body(R"(\b-x)"), u"-x"_qs},
      {"a table's cells and rows", body(R"(\trowd\intbl A\cell B\cell\row C)"), u"A\tB\t\nC"_qs},
      {"text after the document is ignored", "{\\rtf1 a}}b{c", u"a"_qs},
      {"leading white space", " \r\n{\\rtf1 a}", u"a"_qs},
      {"a bare header", "{\\rtf", u""_qs},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Text(*Read(c.Rtf)), c.Text);
  }
}

TEST(RtfReader, CharacterFormatsFollowGroupsAndResets) {
  const auto document = Read(
      R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
      R"(p{\b b{\i bi}}\b0 {\ul u\ul0 n\ul x\ulnone y\uldb d\ulc2 z}{\cf1 r\cf0 a\cf9 o\cf2 c\cf a})"
      R"({\cb2 k\highlight1 h\highlight0 n}{\chcbpat1 s}{\fs40 L\fs0 D\fs999999 H}{\strike t\strike0 })"
      R"({\b\i\ul\cf1\fs30 \plain z}\par e})");
  EXPECT_EQ(Describe(*document),
            "<>p<b>b<b i>bi<u>u<>n<u>x<>y<u>dz<fg=#ff0000>r<>ao<fg=#0000ff>c<>a<bg=#0000ff>k"
            "<bg=#ff0000>h<>n<bg=#ff0000>s<pt=20>L<>D<pt=1638>H<s>t<>z|<>e");
}

TEST(RtfReader, RichEditFileReadsWithTextAndColours) {
  const auto document = Read(Fixture("richedit-item.rtf"));
  EXPECT_EQ(Text(*document), u"Blade of the Ancients\nQuality:\t300\n"
                             u"\u041F\u0440\u0438\u0432\u0435\u0442, Gr\u00FC\u00DFe \u2713\n"
                             u"See {notes} in C:\\refs"_qs);
  EXPECT_EQ(LookOf(*document, "Blade of the Ancients"), "fg=#ffff00 b pt=8");
  EXPECT_EQ(LookOf(*document, "Quality:"), "fg=#63e0ff pt=8");
  EXPECT_EQ(LookOf(*document, "300"), "fg=#ffffff pt=8");
  EXPECT_EQ(LookOf(*document, u"\u041F\u0440\u0438\u0432\u0435\u0442"_qs), "fg=#9c9cff pt=8");
  EXPECT_EQ(LookOf(*document, u", Gr\u00FC\u00DFe \u2713"_qs), "pt=8");
  EXPECT_EQ(LookOf(*document, "See {notes} in C:\\refs"), "bg=#ffff00 i pt=8");
}

TEST(RtfReader, LibreOfficeFilesReadWithTextAndColours) {
  // These two leave the size to their style sheet, which is skipped: the text keeps the
  // document's default size.
  const auto colours = Read(Fixture("lo-colours.rtf"));
  EXPECT_EQ(Text(*colours), "Red text then green text and blue text.\n"
                            "Bold italic underlined big marked\n"
                            "Rename Me {braces} and back\\slash");
  EXPECT_EQ(LookOf(*colours, "Red text"), "fg=#ff0000");
  EXPECT_EQ(LookOf(*colours, " then "), "");
  EXPECT_EQ(LookOf(*colours, "green text"), "fg=#00aa00");
  EXPECT_EQ(LookOf(*colours, "blue text"), "fg=#0000ff");
  EXPECT_EQ(LookOf(*colours, "Bold"), "b");
  EXPECT_EQ(LookOf(*colours, "italic"), "i");
  EXPECT_EQ(LookOf(*colours, "underlined"), "u");
  EXPECT_EQ(LookOf(*colours, "big"), "pt=20");
  EXPECT_EQ(LookOf(*colours, "marked"), "bg=#ffff00");
  EXPECT_EQ(LookOf(*colours, "Rename Me"), "fg=#9c9cff");

  const auto unicode = Read(Fixture("lo-unicode.rtf"));
  EXPECT_EQ(Text(*unicode), u"Gr\u00FC\u00DFe \u2713\n"
                            u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440 "
                            u"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC\n"
                            u"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8 \U0001F600 end"_qs);
  EXPECT_EQ(LookOf(*unicode, u"Gr\u00FC\u00DFe \u2713"_qs), "fg=#cc6600");
  EXPECT_EQ(LookOf(*unicode, u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440"_qs),
            "fg=#336699");
  EXPECT_EQ(LookOf(*unicode, u"\u65E5\u672C\u8A9E"_qs), "fg=#008080");
  EXPECT_EQ(LookOf(*unicode, u" \U0001F600 end"_qs), "");

  const auto item = Read(Fixture("lo-item.rtf"));
  EXPECT_EQ(Text(*item), u"Blade of the Ancients\nQuality:\t300\nLine one\u2028line two"_qs);
  EXPECT_EQ(LookOf(*item, "Blade of the Ancients"), "fg=#ffff00 b pt=12");
  EXPECT_EQ(LookOf(*item, "Quality:"), "fg=#63e0ff pt=12");
  EXPECT_EQ(LookOf(*item, "300"), "fg=#ffffff i pt=12");
}

TEST(RtfReader, RefusesWhatIsNoRtfDocumentAndLeavesTheDocumentAlone) {
  struct TCase {
    const char* Name;
    QByteArray Data;
    const char* Error;
  };
  const QByteArray deep = "{\\rtf1 " + QByteArray(TRtfReader::kMaxGroupDepth, '{') + "x";
  const TCase cases[] = {
      {"empty", "", "Not an RTF document"},
      {"plain text", "hello {\\rtf1 x}", "Not an RTF document"},
      {"no backslash", "{rtf1 x}", "Not an RTF document"},
      {"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11), "Not an RTF document"},
      {"a cut-off header", "{\\rt", "Not an RTF document"},
      {"one group too many", deep, "RTF document nests groups too deeply"},
      {"1000 nested groups", "{\\rtf1 " + QByteArray(1000, '{') + QByteArray(1000, '}') + "}",
       "RTF document nests groups too deeply"},
      {"100000 nested groups", "{\\rtf1 " + QByteArray(100000, '{'),
       "RTF document nests groups too deeply"},
      {"deep inside an ignored destination", "{\\rtf1 {\\*\\x " + QByteArray(100000, '{'),
       "RTF document nests groups too deeply"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QTextDocument document;
    document.setPlainText(QStringLiteral("kept"));
    try {
      TRtfReader::Read(c.Data, document);
      ADD_FAILURE() << "no error";
    } catch (const TChatException& e) {
      EXPECT_STREQ(e.what(), c.Error);
    }
    EXPECT_EQ(document.toPlainText(), "kept");
  }
  // One group less than the limit is fine.
  EXPECT_EQ(Text(*Read("{\\rtf1 " + QByteArray(TRtfReader::kMaxGroupDepth - 1, '{') + "x")), "x");
}

TEST(RtfReader, DamagedFilesGiveSaneDocuments) {
  // Every cut-off version of real files: the text read so far, never more.
  for (const char* name : {"richedit-item.rtf", "lo-colours.rtf", "lo-unicode.rtf"}) {
    SCOPED_TRACE(name);
    const QByteArray full = Fixture(name);
    const qsizetype fullLength = Text(*Read(full)).size();
    for (qsizetype cut = 5; cut < full.size(); ++cut) {
      const auto document = Read(full.left(cut));
      ASSERT_LE(Text(*document).size(), fullLength) << cut;
    }
  }

  // Missing closing braces keep the text and its formats.
  EXPECT_EQ(Describe(*Read(R"({\rtf1 {\b a{\i b)")), "<b>a<b i>b");

  // Random bytes after the header, binary data included, and with many RTF characters mixed in.
  std::mt19937 random(20261210);
  const char alphabet[] = "{}\\\\\\'*ubcfl0123456789- ;abcdefxyz\x80\xff";
  for (int round = 0; round < 200; ++round) {
    QByteArray data = "{\\rtf1 ";
    const int length = int(random() % 4000);
    for (int i = 0; i < length; ++i) {
      data += round % 2 == 0 ? char(random() & 0xFF) : alphabet[random() % (sizeof alphabet - 1)];
    }
    try {
      Read(data);
    } catch (const TChatException& e) {
      // Random braces never nest this deep.
      ADD_FAILURE() << e.what();
    }
  }

  // A binary length beyond the data, and parameters beyond any number type.
  EXPECT_EQ(Text(*Read("{\\rtf1 a{\\pict\\bin999999999999 abc}d")), "a");
  EXPECT_EQ(Describe(*Read("{\\rtf1{\\colortbl;\\red99999999999\\green-5\\blue3;}"
                           "\\cf1 a\\cf-1 b\\cf99999999999999 c\\uc-4\\u8364 d}")),
            u"<fg=#ff0003>a<>bc\u20ACd"_qs);
}

} // namespace
} // namespace tessra
