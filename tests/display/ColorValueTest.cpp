#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "common/ChatException.h"
#include "display/ColorValue.h"

namespace tessra {

static void PrintTo(const TColorValue& color, std::ostream* os) {
  switch (color.Kind()) {
  case TColorKind::None:
    *os << "none";
    return;
  case TColorKind::Rgb:
    *os << QStringLiteral("#%1").arg(color.Rgb(), 6, 16, QLatin1Char('0')).toUpper().toStdString();
    return;
  case TColorKind::System:
    *os << "system " << color.SystemIndex();
    return;
  case TColorKind::Default:
    *os << "default";
    return;
  }
}

namespace {

struct TColorCase {
  const char* Value;
  TColorValue Font;  // what a FONT attribute gives
  TColorValue Color; // what a COLOR tag gives (None with ColorFails = true: an error)
  bool ColorFails;
};

std::ostream& operator<<(std::ostream& os, const TColorCase& c) {
  return os << "value \"" << c.Value << "\"";
}

class ColorResolutionTable : public ::testing::TestWithParam<TColorCase> {};

TEST_P(ColorResolutionTable, ResolvesFontAndColorValues) {
  const TColorCase& c = GetParam();
  const QString value = QString::fromUtf8(c.Value);
  EXPECT_EQ(ResolveFontColor(value), c.Font);
  if (c.ColorFails) {
    EXPECT_THROW(ResolveColorTagColor(value), TChatException);
  } else {
    EXPECT_EQ(ResolveColorTagColor(value), c.Color);
  }
}

constexpr TColorValue Rgb(std::uint32_t rrggbb) {
  return TColorValue::FromRgb(rrggbb);
}

const TColorCase kCases[] = {
    {"#2299FF", Rgb(0x2299FF), Rgb(0x2299FF), false},
    {"#2299ff", Rgb(0x2299FF), Rgb(0x2299FF), false},
    {"#2299FF00", Rgb(0x2299FF), Rgb(0x2299FF), false}, // characters after the eighth are ignored
    {"#12", Rgb(0x120000), Rgb(0x120000), false},       // only the red pair exists
    {"#1234", Rgb(0x123400), Rgb(0x123400), false},
    {"CCLinkColor", Rgb(0x2299FF), {}, true},
    {"cclinkcolor", Rgb(0x2299FF), {}, true},
    {"Lawn Green", Rgb(0x00EF00), {}, true},
    {"Red", Rgb(0xFF0000), Rgb(0xFF0000), true},
    {"clRed", Rgb(0xFF0000), Rgb(0xFF0000), false},
    {"CLBLUE", Rgb(0x0000FF), Rgb(0x0000FF), false},
    {"clMoneyGreen", Rgb(0xC0DCC0), Rgb(0xC0DCC0), false},
    {"clMedGray", Rgb(0xA0A0A4), Rgb(0xA0A0A4), false},
    {"clNone", TColorValue::None(), TColorValue::None(), false},
    {"clDefault", TColorValue::Default(), TColorValue::Default(), false},
    {"clScrollBar", TColorValue::FromSystem(0), TColorValue::FromSystem(0), false},
    {"clBtnFace", TColorValue::FromSystem(15), TColorValue::FromSystem(15), false},
    {"clInfoBk", TColorValue::FromSystem(24), TColorValue::FromSystem(24), false},
    {"clHotLight", TColorValue::FromSystem(26), TColorValue::FromSystem(26), false},
    {"clMenuBar", TColorValue::FromSystem(30), TColorValue::FromSystem(30), false},
    {"255", Rgb(0xFF0000), Rgb(0xFF0000), false},      // numbers are BBGGRR
    {"$FF8000", Rgb(0x0080FF), Rgb(0x0080FF), false},  // "$" hexadecimal
    {"0x0000FF", Rgb(0xFF0000), Rgb(0xFF0000), false}, // "0x" hexadecimal
    {"-2147483633", TColorValue::FromSystem(15), TColorValue::FromSystem(15), false}, // clBtnFace
    {"$8000000F", TColorValue::FromSystem(15), TColorValue::FromSystem(15), false},
    {"536870911", TColorValue::None(), TColorValue::None(), false},       // clNone
    {"$20000000", TColorValue::Default(), TColorValue::Default(), false}, // clDefault
    {"$1FFFFFF", Rgb(0xFFFFFF), Rgb(0xFFFFFF), false}, // only the low three bytes count
    {"", TColorValue::None(), TColorValue::None(), false},
};
INSTANTIATE_TEST_SUITE_P(Values, ColorResolutionTable, ::testing::ValuesIn(kCases));

TEST(ColorValue, UnresolvableValuesGiveTheConversionMessage) {
  const char* values[] = {"nosuch", "#",  "#GG0000",    "# 12345",    "12x",  "$",
                          "+",      "0x", "2147483648", "$100000000", " 255", "clNoneX"};
  for (const char* value : values) {
    SCOPED_TRACE(value);
    try {
      ResolveFontColor(QString::fromUtf8(value));
      ADD_FAILURE() << "no conversion error";
    } catch (const TChatException& error) {
      EXPECT_EQ(error.what(), "'" + std::string(value) + "' is not a valid integer value");
    }
  }
}

TEST(ColorValue, NameTableHasTheGameColoursInOrder) {
  const auto names = VeyraColorNames();
  ASSERT_EQ(names.size(), 100u);
  EXPECT_STREQ(names[0].Name, "Black");
  EXPECT_STREQ(names[24].Name, "Red"); // the attach dialog offers the first 25
  EXPECT_STREQ(names[99].Name, "CCNPCChatSystem");
  EXPECT_EQ(names[99].Rgb, 0xFF0040u);
  for (const TVeyraColorName& entry : names) {
    TColorValue color;
    ASSERT_TRUE(FindVeyraColorName(QString::fromLatin1(entry.Name).toUpper(), color)) << entry.Name;
    EXPECT_EQ(color, TColorValue::FromRgb(entry.Rgb)) << entry.Name;
  }
}

TEST(ColorValue, SystemColoursComeFromThePalette) {
  QPalette palette;
  palette.setColor(QPalette::Button, QColor(1, 2, 3));
  palette.setColor(QPalette::Base, QColor(4, 5, 6));
  palette.setColor(QPalette::Text, QColor(7, 8, 9));
  palette.setColor(QPalette::Highlight, QColor(10, 11, 12));
  palette.setColor(QPalette::ToolTipBase, QColor(13, 14, 15));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(16, 17, 18));

  EXPECT_EQ(SystemColor(15, palette), QColor(1, 2, 3));    // clBtnFace
  EXPECT_EQ(SystemColor(5, palette), QColor(4, 5, 6));     // clWindow
  EXPECT_EQ(SystemColor(8, palette), QColor(7, 8, 9));     // clWindowText
  EXPECT_EQ(SystemColor(13, palette), QColor(10, 11, 12)); // clHighlight
  EXPECT_EQ(SystemColor(24, palette), QColor(13, 14, 15)); // clInfoBk
  EXPECT_EQ(SystemColor(17, palette), QColor(16, 17, 18)); // clGrayText
  EXPECT_EQ(SystemColor(-1, palette), QColor(7, 8, 9));
  EXPECT_EQ(SystemColor(31, palette), QColor(7, 8, 9));
  for (int index = 0; index < kSystemColorCount; ++index) {
    EXPECT_TRUE(SystemColor(index, palette).isValid()) << index;
  }

  EXPECT_EQ(TColorValue::FromSystem(15).Resolve(palette), QColor(1, 2, 3));
  EXPECT_EQ(TColorValue::Default().Resolve(palette), QColor(7, 8, 9));
  EXPECT_EQ(TColorValue::FromRgb(0x2299FF).Resolve(palette), QColor(0x22, 0x99, 0xFF));
  EXPECT_FALSE(TColorValue::None().Resolve(palette).isValid());
}

} // namespace

} // namespace tessra
