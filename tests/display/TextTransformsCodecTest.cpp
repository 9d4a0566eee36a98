#include <gtest/gtest.h>

#include <vector>

#include <QByteArray>
#include <QString>

#include "display/ChatTextCodec.h"

namespace tessra {
namespace {

struct TDecodeCase {
  const char* Name;
  QByteArray Bytes;
  QString Text;
};

TEST(ChatTextCodec, DecodesValidUtf8AndRepairsTheRest) {
  const std::vector<TDecodeCase> cases = {
      {"valid UTF-8", "\xC3\x84rger \xE2\x82\xAC \xF0\x9F\x98\x80",
       QStringLiteral("\u00C4rger \u20AC \U0001F600")},
      // Valid text is decoded as it is; the tables would have turned C3 83 5F into C3.
      {"valid UTF-8 never meets the tables", "\xC3\x83_", QStringLiteral("\u00C3_")},
      {"C3 84 inside invalid UTF-8", "Gr\xE9 \xC3\x84", QStringLiteral("Gr\u00E9 \u00C4")},
      {"damaged pair and underscores", "f\xFC___r \xC3\x3F \xDF_",
       QStringLiteral("f\u00FCr \u00C4 \u00DF")},
      {"first table before the second", "\xE9\xC3\x83_", QStringLiteral("\u00E9\u00C3")},
      {"Windows-1252 upper half", "\x80\x85\x9F\x81", QStringLiteral("\u20AC\u2026\u0178\u0081")},
      {"a cut-off sequence", "ab\xC3", QStringLiteral("ab\u00C3")},
      {"an overlong encoding is not UTF-8", "\xC0\xAF", QStringLiteral("\u00C0\u00AF")},
      {"empty", "", QString()},
  };
  for (const TDecodeCase& c : cases) {
    EXPECT_EQ(DecodeChatText(c.Bytes), c.Text) << c.Name;
  }
}

TEST(ChatTextCodec, FixUpTablesWorkOnRawBytes) {
  // Underscore counts are exact: F5 takes three, E5 two; fewer are left alone.
  EXPECT_EQ(ApplyFixUpTables("\xF5___\xF5__\xE5__\xE5_"), QByteArray("\xF5\xF5__\xE5\xE5_"));
  // Every first-table pair replaces all its occurrences without looking at what it wrote.
  EXPECT_EQ(ApplyFixUpTables("\xC3\x95\xC3\x95\xC3\xBC"), QByteArray("\xD5\xD5\xFC"));
}

TEST(ChatTextCodec, EncodesUtf8AndRoundTrips) {
  const QString text = QStringLiteral("\u00C4 <b> \u20AC \U0001F600 \x10\x04");
  EXPECT_EQ(EncodeChatText(text), text.toUtf8());
  EXPECT_EQ(DecodeChatText(EncodeChatText(text)), text);
}

TEST(ChatTextCodec, AnyByteSequenceDecodes) {
  // Every single byte and every pair: decoding never fails and never gives more characters
  // than bytes (a Windows-1252 read is one character per byte).
  for (int first = 0; first < 256; ++first) {
    for (int second = 0; second < 256; second += 7) {
      const char bytes[] = {char(first), char(second)};
      const QString text = DecodeChatText(QByteArrayView(bytes, 2));
      EXPECT_LE(text.size(), 2);
    }
  }
}

} // namespace
} // namespace tessra
