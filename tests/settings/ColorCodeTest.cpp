#include <QPalette>
#include <gtest/gtest.h>

#include "settings/ColorCode.h"

namespace tessra {
namespace {

TEST(ColorCodeTest, CodesMapToLiteralSystemAndNoColour) {
  QPalette palette;
  palette.setColor(QPalette::Active, QPalette::Base, QColor(1, 2, 3));
  palette.setColor(QPalette::Active, QPalette::Text, QColor(4, 5, 6));
  struct TCase {
    TColorCode Code;
    QColor Expected;
  } const cases[] = {
      {0x00FF0000, QColor(0, 0, 255)}, // BBGGRR: blue
      {0x00000080, QColor(128, 0, 0)},
      {0x00808080, QColor(128, 128, 128)},
      {kColorWindow, QColor(1, 2, 3)},     // system colour 5, the window background
      {kColorWindowText, QColor(4, 5, 6)}, // system colour 8, the window text
      {0xFF0000FF, QColor(0, 0, 0)},       // no such system colour
      {kColorNone, QColor()},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ColorFromCode(c.Code, palette), c.Expected) << std::hex << c.Code;
  }
  EXPECT_EQ(ColorToCode(QColor(0, 0, 255)), 0x00FF0000U);
  EXPECT_EQ(ColorToCode(QColor(0x12, 0x34, 0x56)), 0x00563412U);
  EXPECT_EQ(ColorToCode(QColor()), kColorNone);
}

} // namespace
} // namespace tessra
