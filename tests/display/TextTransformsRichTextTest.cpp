#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include <QApplication>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "display/RichTextTransforms.h"
#include "display/TextTransforms.h"

namespace tessra {
namespace {

const QColor kDefault(0, 0, 0);
const QColor kRed(0xFF, 0, 0);
const QColor kBlue(0, 0, 0xFF);
const QColor kCyan(0, 0xFF, 0xFF);
const QColor kReference(0x9C, 0x9C, 0xFF);

struct TRun {
  QString Text;
  std::optional<QColor> Color; // none: the character carries no colour of its own
};

// A document typed run by run, as the input line holds it.
class TRichText {
public:
  explicit TRichText(const std::vector<TRun>& runs) {
    QTextCursor cursor(&Document);
    for (const TRun& run : runs) {
      QTextCharFormat format;
      if (run.Color) {
        format.setForeground(*run.Color);
      }
      cursor.insertText(run.Text, format);
    }
  }
  QTextDocument Document;
};

// What the input line sends: the mark-up through the outgoing escape.
QByteArray Sent(const std::vector<TRun>& runs, const TRichText* attachment = nullptr) {
  TRichText input(runs);
  return PrepareOutgoingText(
      RichTextToMarkup(input.Document, kDefault, attachment ? &attachment->Document : nullptr));
}

TEST(RichTextToMarkup, DefaultColourGivesNoTag) {
  EXPECT_EQ(Sent({{"hello", std::nullopt}, {" there", kDefault}}), "hello there");
  EXPECT_EQ(Sent({}), "");
}

TEST(RichTextToMarkup, ColouredRunsGetOneFontTagEach) {
  struct TCase {
    const char* Name;
    std::vector<TRun> Runs;
    QByteArray Sent;
  };
  const std::vector<TCase> cases = {
      {"coloured word then default text",
       {{"red", kRed}, {" rest", std::nullopt}},
       "<font color=\"#FF0000\">red</font> rest"},
      {"a colour after a colour closes the first",
       {{"a", kRed}, {"b", kBlue}, {"c", std::nullopt}},
       "<font color=\"#FF0000\">a</font><font color=\"#0000FF\">b</font>c"},
      {"a colour at the end is closed",
       {{"x ", std::nullopt}, {"y", kBlue}},
       "x <font color=\"#0000FF\">y</font>"},
      {"typed mark-up inside a coloured run stays text",
       {{"<b>&\"", kRed}},
       "<font color=\"#FF0000\">&lt;b&gt;&amp;&quot;</font>"},
      {"reference colour without an attachment is a colour",
       {{"r", kReference}},
       "<font color=\"#9C9CFF\">r</font>"},
  };
  for (const TCase& c : cases) {
    const QByteArray sent = Sent(c.Runs);
    EXPECT_EQ(sent, c.Sent) << c.Name;
    EXPECT_EQ(sent.count("<font"), sent.count("</font>")) << c.Name;
  }
}

TEST(RichTextToMarkup, ReferenceRunBecomesOneLink) {
  const TRichText attachment({{"Sword ", std::nullopt}, {"of Light", kCyan}});
  const QByteArray sent =
      Sent({{"see ", std::nullopt}, {"[Sword]", kReference}, {" ok", std::nullopt}}, &attachment);
  EXPECT_EQ(sent, "see <a href=\"charref://1/1/Sword \x10\x04of Light\">[Sword]</a> ok");

  // Inside a coloured run the link closes back into that colour.
  const QByteArray nested =
      Sent({{"a", kRed}, {"R", kReference}, {"b", kRed}, {"c", std::nullopt}}, &attachment);
  EXPECT_EQ(nested, "<font color=\"#FF0000\">a<a href=\"charref://1/1/Sword \x10\x04of "
                    "Light\">R</a>b</font>c");
  EXPECT_EQ(nested.count("charref://1/1/"), 1);

  // Mark-up inside the reference is escaped on the way out, so it cannot end the attribute.
  const TRichText quoting({{"say \"<b>\"", std::nullopt}});
  EXPECT_EQ(Sent({{"R", kReference}}, &quoting),
            "<a href=\"charref://1/1/say &quot;&lt;b&gt;&quot;\">R</a>");
}

TEST(RichTextToColorCodes, WritesCodesForKnownColours) {
  // A colour without a code is ignored; the return to default writes 12 hex.
  const TRichText text({{"a", std::nullopt},
                        {"b", kCyan},
                        {"c", QColor(0x12, 0x34, 0x56)},
                        {"d", std::nullopt},
                        {"e", kRed}});
  EXPECT_EQ(RichTextToColorCodes(text.Document, kDefault), QStringLiteral("a\x10\x04"
                                                                          "bc\x12"
                                                                          "d\x10\x0C"
                                                                          "e"));
  EXPECT_EQ(ReferenceToColorCodes(text.Document, kDefault),
            RichTextToColorCodes(text.Document, kDefault));
}

TEST(RichTextToColorCodes, ParagraphsAndStoredReferences) {
  QTextDocument lines;
  lines.setPlainText(QStringLiteral("one\ntwo"));
  EXPECT_EQ(RichTextToColorCodes(lines, kDefault), "one\ntwo");
  EXPECT_EQ(RichTextToMarkup(lines, kDefault), "one\ntwo");

  const TRichTextLoader plain = [](const QByteArray& stored, QTextDocument& document) {
    document.setPlainText(QString::fromUtf8(stored));
    return true;
  };
  const TRichTextLoader failing = [](const QByteArray&, QTextDocument&) { return false; };
  EXPECT_EQ(ReferenceToColorCodes("stored", plain, kDefault), "stored");
  EXPECT_EQ(ReferenceToColorCodes("stored", failing, kDefault), "");
  EXPECT_EQ(ReferenceToColorCodes("stored", TRichTextLoader(), kDefault), "");
}

} // namespace
} // namespace tessra
