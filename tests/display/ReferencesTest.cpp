#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include "common/TickSource.h"
#include "display/ReferenceRequest.h"
#include "display/References.h"
#include "display/SoundOutput.h"
#include "display/TextTransforms.h"
#include "display/VoicePlayer.h"
#include "engine/BlobList.h"
#include "engine/VeyraBlob.h"

namespace tessra {
namespace {

QString Ctl(char16_t code) {
  return QString(QChar(code));
}

QString BlobText(const TTextBlob& blob) {
  return QString::fromUtf8(blob.Text.data(), qsizetype(blob.Text.size()));
}

class TSoundRecorder : public TSoundOutput {
public:
  void PlayFile(const QString& fileName) override { Played.push_back(fileName); }
  std::vector<QString> Played;
};

// The parsers over one blob list, with a controlled clock for the reference request.
class ReferencesTest : public ::testing::Test {
protected:
  ReferencesTest() {
    Voice.PlaySounds = [this] { return PlaySounds; };
    Voice.VeyraDirectory = [this] { return GameFolder; };
    Voice.OnErrorLine = [this](TVoicePlayer*, const QString& line) { Errors.push_back(line); };
    Refs.OnShowTextReference = [this](TReferences*, const TTextBlob& blob) {
      Opened.push_back(BlobText(blob));
    };
  }

  // The mark-up with each blob key replaced by K1, K2, ... in the order the keys appear;
  // `keys` receives the keys.
  static QString Keyed(const QString& markup, QStringList* keys = nullptr) {
    static const QRegularExpression kKey(QStringLiteral("params=\"([0-9A-Fa-f]{32})\""));
    QString result = markup;
    QStringList found;
    for (auto match = kKey.globalMatch(markup); match.hasNext();) {
      const QString key = match.next().captured(1);
      if (!found.contains(key)) {
        found.append(key);
      }
    }
    for (qsizetype i = 0; i < found.size(); ++i) {
      result.replace(found[i], QStringLiteral("K") + QString::number(i + 1));
    }
    if (keys != nullptr) {
      *keys = found;
    }
    return result;
  }

  const TTextBlob* TextBlob(const QString& key) const {
    return dynamic_cast<const TTextBlob*>(Blobs.Find(key));
  }
  const TItemBlob* ItemBlob(const QString& key) const {
    return dynamic_cast<const TItemBlob*>(Blobs.Find(key));
  }

  TManualTickSource Ticks;
  TBlobList Blobs;
  TReferenceRequest Request{Ticks};
  TSoundRecorder Sound;
  TVoicePlayer Voice{&Sound};
  TReferences Refs{Blobs, Request, &Voice};
  bool PlaySounds = true;
  QString GameFolder;
  std::vector<QString> Errors;
  std::vector<QString> Opened;
};

// ---- The string operations ------------------------------------------------------------------

TEST(FindClosing, FindsTheCloseOfTheFirstOpenOutsideQuotes) {
  struct TCase {
    const char16_t* Data;
    const char16_t* Open;
    const char16_t* Alternative;
    const char16_t* Close;
    qsizetype Expected;
  };
  const TCase cases[] = {
      {u"x<a y</a>z", u"<a ", u"", u"</a>", 5},
      {u"<a <a b</a> c</a>", u"<a ", u"", u"</a>", 13},   // nested Open
      {u"<a t=\"</a>\">u</a>", u"<a ", u"", u"</a>", 13}, // Close inside double quotes
      {u"<a t='\"</a>'>u</a>", u"<a ", u"", u"</a>", 14}, // a double quote inside single ones
      {u"<a never closed", u"<a ", u"", u"</a>", -1},
      {u"no open </a>", u"<a ", u"", u"</a>", -1},
      {u"<a x=\"unterminated</a>", u"<a ", u"", u"</a>", -1},
      {u"<b>", u"<", u"", u">", 2},
      // Quoted values: a quote closes only where the next attribute starts, or at the end.
      {u"href=\"a\" style=\"b\"", u"\"", u"=", u"\"", 7},
      {u"href=\"<font color=\"#F\">x</font>\"", u"\"", u"=", u"\"", 31},
      {u"href=\"<font color=\"#F\">x</font>\" style=\"s\"", u"\"", u"=", u"\"", 31},
      {u"href=\"a\"b", u"\"", u"=", u"\"", 7}, // no further quote
      {u"href=\"abc", u"\"", u"=", u"\"", -1},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(FindClosing(c.Data, c.Open, c.Alternative, c.Close), c.Expected)
        << QString::fromUtf16(c.Data).toStdString();
  }
}

TEST(ExtractLinkAttributes, ReadsStyleThenHrefAndDropsTheSchemes) {
  struct TCase {
    const char16_t* Tag;
    QStringList Expected;
    bool Unterminated;
  };
  const TCase cases[] = {
      {u" href=\"text://abc\"", {QStringLiteral("href=\"abc\"")}, false},
      {u" href='charref://1/1/x y' style=\"s\"",
       {QStringLiteral("style=\"s\""), QStringLiteral("href='x y'")},
       false},
      {u" href=\"text://<font color=\"#FF0000\">R</font>\"",
       {QStringLiteral("href=\"<font color=\"#FF0000\">R</font>\"")},
       false},
      {u" href=abc def", {QStringLiteral("href=abc")}, false},
      {u" href=text://abc", {}, false}, // unquoted at the tag's end
      {u"href=\"abc\"", {}, false},     // no leading space
      {u" href=\"abc", {}, true},
      {u" style=", {}, false},
  };
  for (const TCase& c : cases) {
    bool unterminated = !c.Unterminated;
    EXPECT_EQ(ExtractLinkAttributes(c.Tag, &unterminated), c.Expected)
        << QString::fromUtf16(c.Tag).toStdString();
    EXPECT_EQ(unterminated, c.Unterminated) << QString::fromUtf16(c.Tag).toStdString();
  }
}

// ---- The message blob ------------------------------------------------------------------------

TEST_F(ReferencesTest, ItemBlobRunBetweenTheMarkersBecomesTheLink) {
  const TItemBlob item(123, 456, 200);
  struct TCase {
    QString Text;
    QString Expected;
    int Kept;
  };
  const TCase cases[] = {
      {QStringLiteral("Look at ") + Ctl(0x11) + QStringLiteral("Sword") + Ctl(0x12) +
           QStringLiteral(" now"),
       QStringLiteral("Look at <a name=\"reflink\" hint=\"ItemDB: Sword\" params=\"K1\">Sword</a> "
                      "now"),
       1},
      // Without the start marker everything up to the end marker is the link.
      {QStringLiteral("Big Sword") + Ctl(0x12) + QStringLiteral(" rest"),
       QStringLiteral("<a name=\"reflink\" hint=\"ItemDB: Big Sword\" params=\"K1\">Big Sword</a> "
                      "rest"),
       1},
      {QStringLiteral("end ") + Ctl(0x12) + QStringLiteral(" before ") + Ctl(0x11) +
           QStringLiteral("start"),
       QStringLiteral("end ") + Ctl(0x12) + QStringLiteral(" before ") + Ctl(0x11) +
           QStringLiteral("start"),
       0},
      {QStringLiteral("no markers"), QStringLiteral("no markers"), 0},
  };
  for (const TCase& c : cases) {
    const int before = Blobs.Count();
    QStringList keys;
    EXPECT_EQ(Keyed(Refs.ParseReferences(c.Text, &item), &keys), c.Expected);
    EXPECT_EQ(Blobs.Count() - before, c.Kept);
    if (!keys.isEmpty()) {
      ASSERT_NE(ItemBlob(keys[0]), nullptr);
      EXPECT_EQ(ItemBlob(keys[0])->LowID, 123);
      EXPECT_EQ(ItemBlob(keys[0])->HiID, 456);
      EXPECT_EQ(ItemBlob(keys[0])->QL, 200);
    }
  }
}

TEST_F(ReferencesTest, TextBlobsAreDisplayReferencesAndOfflineListsStayText) {
  const TTextBlob text(TBytes("attached"));
  const QString marked = Ctl(0x11) + QStringLiteral("see") + Ctl(0x12);
  EXPECT_EQ(Keyed(Refs.ParseReferences(marked, &text)),
            QStringLiteral("<a name=\"reflink\" hint=\"Display reference\" params=\"K1\">see</a>"));
  // The list keeps no offline message lists, so no link would lead anywhere.
  const TStringsBlob strings({TBytes("a")});
  EXPECT_EQ(Refs.ParseReferences(marked, &strings), marked);
  EXPECT_EQ(Refs.ParseReferences(marked, nullptr), marked);
  EXPECT_EQ(Blobs.Count(), 1);
}

TEST_F(ReferencesTest, ItemBlobThroughReplaceLiteralsKeepsTheLinkIntact) {
  TItemBlob item(1, 2, 3);
  TReplaceLiteralsSettings settings;
  const QByteArray received = "Look \x11Sword\x12 now :)";
  EXPECT_EQ(
      Keyed(ReplaceLiterals(received, &item, QColor(0, 0, 0), settings, &Refs)),
      QStringLiteral("Look <a name=\"reflink\" hint=\"ItemDB: Sword\" params=\"K1\">Sword</a> "
                     "now <img index=\"0\">"));
}

// ---- Voice emotes ----------------------------------------------------------------------------

TEST_F(ReferencesTest, VoiceBlobPlaysTheGameSoundOrNamesTheMissingFile) {
  QTemporaryDir game;
  ASSERT_TRUE(game.isValid());
  GameFolder = QDir::toNativeSeparators(game.path());
  const QString folder = game.path() + QStringLiteral("/cd_image/sound/sfx/player/");
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile wav(folder + QStringLiteral("male_cheer_01.wav"));
  ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
  wav.close();

  const TVoiceBlob cheer(TBytes("oskan"), TBytes("male"), TBytes("loud"), TBytes("cheer"));
  EXPECT_EQ(Refs.ParseReferences(QStringLiteral("cheers"), &cheer), QStringLiteral("cheers"));
  ASSERT_EQ(Sound.Played.size(), 1u);
  EXPECT_EQ(Sound.Played[0],
            QDir::toNativeSeparators(folder + QStringLiteral("male_cheer_01.wav")));
  EXPECT_TRUE(Errors.empty());

  // The sender chose the name: it is escaped in the error line.
  const TVoiceBlob missing(TBytes("oskan"), TBytes("male"), TBytes(""), TBytes("<b>boo"));
  EXPECT_EQ(Refs.ParseReferences(QStringLiteral("x"), &missing), QStringLiteral("x"));
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0], QStringLiteral("Sound file \"") +
                           QDir::toNativeSeparators(folder).toHtmlEscaped() +
                           QStringLiteral("&lt;b&gt;boo_01.wav\" not found."));
  EXPECT_EQ(Sound.Played.size(), 1u);
  EXPECT_EQ(Blobs.Count(), 0);

  PlaySounds = false;
  Refs.ParseReferences(QStringLiteral("x"), &cheer);
  Refs.ParseReferences(QStringLiteral("x"), &missing);
  EXPECT_EQ(Sound.Played.size(), 1u);
  EXPECT_EQ(Errors.size(), 1u);
}

// ---- Links written in the text ---------------------------------------------------------------

struct TLinkCase {
  const char* Name;
  QString Text;
  QString Expected;
  QStringList BlobTexts; // of the kept text blobs, in key order
};

TEST_F(ReferencesTest, TextReferences) {
  const QString kStart = QStringLiteral("<a name=\"reflink\" hint=\"Display reference\" ");
  const TLinkCase cases[] = {
      {"quoted href holding a quoted FONT tag",
       QStringLiteral("<a href=\"text://<font color=\"#FF0000\">Red</font>\">Look</a> after"),
       kStart + QStringLiteral("params=\"K1\">Look</a> after"),
       {QStringLiteral("<font color=\"#FF0000\">Red</font>")}},
      {"charref with its two segments",
       QStringLiteral("a <a href=\"charref://1/1/Hello world\">Ref</a> b"),
       QStringLiteral("a ") + kStart + QStringLiteral("params=\"K1\">Ref</a> b"),
       {QStringLiteral("Hello world")}},
      {"style passed on",
       QStringLiteral("<a style=\"text-decoration:none\" href='text://hi'>Hi</a>"),
       kStart + QStringLiteral("params=\"K1\" style=\"text-decoration:none\">Hi</a>"),
       {QStringLiteral("hi")}},
      {"label without colour codes and tags",
       QStringLiteral("<a href=\"text://x\"><font color=red>A</font>") + Ctl(0x10) + Ctl(0x01) +
           QStringLiteral("B</a>"),
       kStart + QStringLiteral("params=\"K1\">AB</a>"),
       {QStringLiteral("x")}},
      {"unquoted href followed by another attribute keeps its whole value",
       QStringLiteral("<a href=text://hello style=\"s\">Hi</a>"),
       kStart + QStringLiteral("params=\"K1\" style=\"s\">Hi</a>"),
       {QStringLiteral("hello")}},
      {"identical links share one blob",
       QStringLiteral("<a href=\"text://same\">1</a> <A HREF=\"TEXT://SAME\">2</A> "
                      "<a href=\"text://same\">1</a>"),
       kStart + QStringLiteral("params=\"K1\">1</a> <A HREF=\"TEXT://SAME\">2</A> ") + kStart +
           QStringLiteral("params=\"K1\">1</a>"),
       {QStringLiteral("same")}},
      {"a link inside a link that is none is still found",
       QStringLiteral("<a name=x><a href=\"text://in\">In</a></a>"),
       QStringLiteral("<a name=x>") + kStart + QStringLiteral("params=\"K1\">In</a></a>"),
       {QStringLiteral("in")}},
      {"a style that would add attributes is dropped",
       QStringLiteral("<a href=\"text://x\" style=\"a\" name=charurl params=file:///etc/passwd "
                      "\"\">L</a>"),
       kStart + QStringLiteral("params=\"K1\">L</a>"),
       {QStringLiteral("x")}},
  };
  for (const TLinkCase& c : cases) {
    TBlobList blobs;
    TReferences refs(blobs, Request);
    QStringList keys;
    EXPECT_EQ(Keyed(refs.ParseNewTextReference(c.Text), &keys), c.Expected) << c.Name;
    ASSERT_EQ(keys.size(), c.BlobTexts.size()) << c.Name;
    EXPECT_EQ(blobs.Count(), c.BlobTexts.size()) << c.Name;
    for (qsizetype i = 0; i < keys.size(); ++i) {
      const auto* blob = dynamic_cast<const TTextBlob*>(blobs.Find(keys[i]));
      ASSERT_NE(blob, nullptr) << c.Name;
      EXPECT_EQ(BlobText(*blob), c.BlobTexts[i]) << c.Name;
    }
  }
}

TEST_F(ReferencesTest, LinksThatAreNoTextReferencesStayAsTheyAre) {
  const QString texts[] = {
      QStringLiteral("<a href=text://hello>Hi</a>"), // unquoted href at the tag's end
      QStringLiteral("<a href=\"http://web.example\">web</a>"),
      QStringLiteral("<a href=\"text://x\">never closed"),
      QStringLiteral("<a title=\"text://x\">no href</a>"),
      QStringLiteral("<a href=\"text://x\" </a>"), // the opening tag never ends
      QStringLiteral("<a type=chatclient version=1.0 href=Tessra>Tessra+</a>"),
  };
  for (const QString& text : texts) {
    EXPECT_EQ(Refs.ParseNewTextReference(text), text);
  }
  EXPECT_EQ(Blobs.Count(), 0);
}

TEST_F(ReferencesTest, ItemReferences) {
  struct TCase {
    const char* Name;
    QString Text;
    QString Expected;
    std::vector<int> Item; // low, high, ql of the kept blob
  };
  const TCase cases[] = {
      {"double quotes",
       QStringLiteral("get <a href=\"itemref://123/456/200\">Sword</a>!"),
       QStringLiteral("get <a name=\"reflink\" hint=\"ItemDB: Sword\" params=\"K1\">Sword</a>!"),
       {123, 456, 200}},
      {"single quotes",
       QStringLiteral("<a href='itemref://1/2/3'>X</a>"),
       QStringLiteral("<a name=\"reflink\" hint=\"ItemDB: X\" params=\"K1\">X</a>"),
       {1, 2, 3}},
      {"label stripped, quotes kept out of the hint",
       QStringLiteral("<a href=\"itemref://7/8/9\"><font color=\"#FFFFFF\">Big \"Axe\"</font></a>"),
       QStringLiteral("<a name=\"reflink\" hint=\"ItemDB: Big Axe\" params=\"K1\">Big \"Axe\"</a>"),
       {7, 8, 9}},
      {"not a number",
       QStringLiteral("<a href=\"itemref://12a/456/200\">S</a>"),
       QStringLiteral("<a href=\"itemref://12a/456/200\">S</a>"),
       {}},
      {"separator missing",
       QStringLiteral("<a href=\"itemref://123/456\">S</a>"),
       QStringLiteral("<a href=\"itemref://123/456\">S</a>"),
       {}},
      {"quality level beyond a byte",
       QStringLiteral("<a href=\"itemref://1/2/300\">S</a>"),
       QStringLiteral("<a href=\"itemref://1/2/300\">S</a>"),
       {}},
      {"no closing link",
       QStringLiteral("<a href=\"itemref://1/2/3\">S"),
       QStringLiteral("<a href=\"itemref://1/2/3\">S"),
       {}},
  };
  for (const TCase& c : cases) {
    TBlobList blobs;
    TReferences refs(blobs, Request);
    QStringList keys;
    EXPECT_EQ(Keyed(refs.ParseNewItemReference(c.Text), &keys), c.Expected) << c.Name;
    ASSERT_EQ(keys.size(), c.Item.empty() ? 0 : 1) << c.Name;
    EXPECT_EQ(blobs.Count(), keys.size()) << c.Name;
    if (!keys.isEmpty()) {
      const auto* item = dynamic_cast<const TItemBlob*>(blobs.Find(keys[0]));
      ASSERT_NE(item, nullptr) << c.Name;
      EXPECT_EQ((std::vector<int>{item->LowID, item->HiID, item->QL}), c.Item) << c.Name;
    }
  }
}

TEST_F(ReferencesTest, CommandLinksAreShownAsReferencesNotRun) {
  QStringList keys;
  EXPECT_EQ(Keyed(Refs.ParseNewCmdReference(
                      QStringLiteral("<a href=\"chatcmd:///tell Tyrin hi\">Say hi</a> and "
                                     "<a href='chatcmd:///quit'><b>Quit</b></a>")),
                  &keys),
            QStringLiteral("<a name=\"reflink\" hint=\"Display reference\" params=\"K1\">Say "
                           "hi</a> and <a name=\"reflink\" hint=\"Display reference\" "
                           "params=\"K2\">Quit</a>"));
  ASSERT_EQ(keys.size(), 2);
  EXPECT_EQ(BlobText(*TextBlob(keys[0])), QStringLiteral("/tell Tyrin hi"));
  EXPECT_EQ(BlobText(*TextBlob(keys[1])), QStringLiteral("/quit"));
  EXPECT_TRUE(Opened.empty());

  const QString broken = QStringLiteral("<a href=\"chatcmd://x>y</a>");
  EXPECT_EQ(Refs.ParseNewCmdReference(broken), broken);
}

TEST_F(ReferencesTest, InlinePicturesBecomeMarksAndAnUnterminatedOneStays) {
  EXPECT_EQ(Refs.ParseNewImgReference(QStringLiteral("a <img src=\"rdb://1\"> b <img src=2>")),
            QStringLiteral("a [x] b [x]"));
  EXPECT_EQ(Refs.ParseNewImgReference(QStringLiteral("<img src=1>x<img src=2 tail")),
            QStringLiteral("[x]x<img src=2 tail"));
  EXPECT_EQ(Refs.ParseNewImgReference(QStringLiteral("<img src=")), QStringLiteral("<img src="));
}

// ---- The reference request -------------------------------------------------------------------

TEST_F(ReferencesTest, RequestedReferenceOpensOnceWithinTenSecondsFromThatCharacter) {
  const QString reference = QStringLiteral("<a href=\"text://the answer\">A</a>");
  Request.Set(QStringLiteral("Tyrin"));

  Refs.MessageSender = QStringLiteral("Someone");
  Refs.ParseNewTextReference(reference);
  EXPECT_TRUE(Opened.empty());
  EXPECT_TRUE(Request.Pending());

  Ticks.Advance(TReferenceRequest::kWindowMs - 1);
  Refs.MessageSender = QStringLiteral("tYRIN");
  Refs.ParseNewTextReference(reference);
  EXPECT_EQ(Opened, std::vector<QString>{QStringLiteral("the answer")});
  EXPECT_FALSE(Request.Pending());

  Refs.ParseNewTextReference(reference); // answered already
  EXPECT_EQ(Opened.size(), 1u);

  // Exactly ten seconds is too late; a command reference answers the same way.
  Request.Set(QStringLiteral("Tyrin"));
  Ticks.Advance(TReferenceRequest::kWindowMs);
  Refs.ParseNewCmdReference(QStringLiteral("<a href=\"chatcmd://late\">L</a>"));
  EXPECT_EQ(Opened.size(), 1u);
  Request.Set(QStringLiteral("Tyrin"));
  Refs.ParseNewCmdReference(QStringLiteral("<a href=\"chatcmd://soon\">S</a>"));
  EXPECT_EQ(Opened.back(), QStringLiteral("soon"));

  // Across the tick counter's wrap.
  Ticks.Set(0xFFFFFF00u);
  Request.Set(QStringLiteral("Tyrin"));
  Ticks.Advance(0x200);
  EXPECT_TRUE(Request.Take(QStringLiteral("Tyrin")));
  EXPECT_FALSE(Request.Take(QString()));
}

// ---- Hostile input ---------------------------------------------------------------------------

TEST_F(ReferencesTest, PathologicalInputEndsAndKeepsItsText) {
  const auto repeated = [](const QString& piece) {
    QString text;
    while (text.size() < 32 * 1024) {
      text += piece;
    }
    return text;
  };
  const QString inputs[] = {
      repeated(QStringLiteral("<a ")),
      repeated(QStringLiteral("<a href=\"text://")),
      repeated(QStringLiteral("<a href=text://x ")) + repeated(QStringLiteral("</a>")),
      repeated(QStringLiteral("<a href=\"itemref://1/")),
      repeated(QStringLiteral("<a href='chatcmd://")),
      repeated(QStringLiteral("<img src=")),
      repeated(QStringLiteral("\"'<a href=\"")),
      repeated(Ctl(0x12) + Ctl(0x11)),
  };
  const TTextBlob blob(TBytes("b"));
  TReplaceLiteralsSettings settings;
  for (const QString& input : inputs) {
    const QByteArray received = input.toUtf8();
    const QString markup = ReplaceLiterals(received, &blob, QColor(1, 2, 3), settings, &Refs);
    EXPECT_FALSE(markup.isEmpty());
    EXPECT_LE(Blobs.Count(), TBlobList::kDefaultCapacity);
  }
  // Nothing in the unterminated inputs was lost.
  EXPECT_EQ(Refs.ParseNewTextReference(inputs[0]), inputs[0]);
  EXPECT_EQ(Refs.ParseNewImgReference(inputs[5]), inputs[5]);
}

} // namespace
} // namespace tessra
