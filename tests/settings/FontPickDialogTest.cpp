#include <QFontDialog>
#include <QToolButton>
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include "settings/FontPickDialog.h"

namespace tessra {
namespace {

TEST(FontPickDialogTest, ChoosesFaceSizeStylesAndTextColourKeepingTheCharacterSet) {
  TFontSettings initial;
  initial.CharSet = 0xA1;
  initial.Name = QStringLiteral("Tahoma"); // not installed here
  initial.Size = 11;
  const QPalette colors;
  TFontPickDialog dialog(nullptr, initial, colors);
  EXPECT_EQ(dialog.Color(), colors.color(QPalette::WindowText))
      << "the default colour is the system window text";
  EXPECT_EQ(dialog.Chosen().Color, kColorWindowText) << "an untouched colour keeps its code";
  EXPECT_EQ(dialog.Chosen().Name, QStringLiteral("Tahoma"));
  EXPECT_EQ(dialog.Chosen().Size, 11);

  QFont other(QStringLiteral("DejaVu Serif"));
  other.setPointSize(14);
  other.setItalic(true);
  dialog.FontChooser()->setCurrentFont(other);
  std::vector<QColor> starts;
  dialog.PickColor = [&](QWidget*, const QColor& start) {
    starts.push_back(start);
    return starts.size() == 1 ? QColor(0xFF, 0xFF, 0xFF) : QColor();
  };
  dialog.ColorButton()->click();
  dialog.ColorButton()->click(); // cancelled
  const TFontSettings chosen = dialog.Chosen();
  EXPECT_EQ(chosen.Name, QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(chosen.Size, 14);
  EXPECT_TRUE(chosen.Italic);
  EXPECT_FALSE(chosen.Bold);
  EXPECT_EQ(chosen.Color, RgbColorCode(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(chosen.CharSet, 0xA1);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1], QColor(0xFF, 0xFF, 0xFF));
}

} // namespace
} // namespace tessra
