#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

#include "display/ColorMenu.h"
#include "display/ColorMenuState.h"
#include "display/ColorPalette.h"
#include "display/ColorPalettes.h"
#include "display/RichTextTransforms.h"

namespace tessra {
namespace {

const QColor kWindowText(0, 0, 0);
const QColor kOrange(0xFF, 0x66, 0x00);     // default palette cell 9
const QColor kSystemOnly(0x0A, 0x0B, 0x0C); // system palette cell 2 in the state tests
const QColor kOther(0x12, 0x34, 0x56);

TEST(ColorMenuState, SetInputColorCheckMarks) {
  TColorMenuState state(kWindowText, {QColor(1, 1, 1), QColor(2, 2, 2), kSystemOnly, kOrange});
  state.SetCustomColor(QColor(0x65, 0x43, 0x21));

  struct TCase {
    const char* Name;
    QColor Color;
    bool Default;
    bool Custom;
    int DefaultCell;
    int SystemCell;
    QColor Bar;
  };
  const std::vector<TCase> cases = {
      {"palette colour", kOrange, false, false, 9, -1, kOrange},
      // Black is also palette cell 0, but the default colour wins.
      {"default colour", kWindowText, true, false, -1, -1, kWindowText},
      {"system colour", kSystemOnly, false, false, -1, 2, kSystemOnly},
      {"custom colour", QColor(0x65, 0x43, 0x21), false, true, -1, -1, QColor(0x65, 0x43, 0x21)},
      {"palette cell again clears Custom", QColor(0xFF, 0xFF, 0xFF), false, false, 39, -1,
       QColor(0xFF, 0xFF, 0xFF)},
      {"a colour found nowhere checks Default", kOther, true, false, -1, -1, kWindowText},
  };
  for (const TCase& c : cases) {
    state.SetInputColor(c.Color);
    EXPECT_EQ(state.DefaultChecked, c.Default) << c.Name;
    EXPECT_EQ(state.CustomChecked, c.Custom) << c.Name;
    EXPECT_EQ(state.DefaultPaletteSelection, c.DefaultCell) << c.Name;
    EXPECT_EQ(state.SystemPaletteSelection, c.SystemCell) << c.Name;
    EXPECT_EQ(state.ActiveColor(), c.Bar) << c.Name;
  }
}

class ColorMenuTest : public ::testing::Test {
protected:
  void SetUp() override {
    Input = std::make_unique<QTextEdit>();
    Menu = std::make_unique<TColorMenu>();
    Menu->SetDefaultColor(kWindowText);
    Menu->SetInput(Input.get());
  }

  QColor BarColor() const {
    const QImage picture = Menu->menuAction()->icon().pixmap(TColorMenu::kPictureSize).toImage();
    return picture.pixelColor(TColorMenu::kPictureSize / 2, TColorMenu::kPictureSize - 1);
  }

  void Click(TColorPalette* palette, int cell) {
    QTest::mouseClick(palette, Qt::LeftButton, {}, palette->CellRect(cell).center());
  }

  std::unique_ptr<QTextEdit> Input;
  std::unique_ptr<TColorMenu> Menu;
};

TEST_F(ColorMenuTest, LayoutOfTheMenu) {
  EXPECT_EQ(Menu->title(), "Font Color");
  EXPECT_EQ(Menu->DefaultAction()->text(), "Default");
  EXPECT_EQ(Menu->CustomAction()->text(), "Custom");
  EXPECT_EQ(Menu->DefaultPalette()->Count(), 40);
  EXPECT_EQ(Menu->SystemPalette()->Count(), 30);
  EXPECT_EQ(Menu->DefaultPalette()->size(),
            QSize(8 * TColorPalette::kCellSize, 5 * TColorPalette::kCellSize));
  EXPECT_EQ(Menu->SystemPalette()->size(),
            QSize(8 * TColorPalette::kCellSize, 4 * TColorPalette::kCellSize));
  EXPECT_TRUE(Menu->DefaultAction()->isChecked());
  EXPECT_EQ(BarColor(), kWindowText);
}

TEST_F(ColorMenuTest, PaletteCellSetsTypingColourAndBar) {
  Click(Menu->DefaultPalette(), 9);
  EXPECT_EQ(Input->textColor(), kOrange);
  EXPECT_EQ(Menu->DefaultPalette()->Selection(), 9);
  EXPECT_EQ(Menu->SystemPalette()->Selection(), -1);
  EXPECT_FALSE(Menu->DefaultAction()->isChecked());
  EXPECT_EQ(BarColor(), kOrange);

  Menu->DefaultAction()->trigger();
  EXPECT_EQ(Input->textColor(), kWindowText);
  EXPECT_TRUE(Menu->DefaultAction()->isChecked());
  EXPECT_EQ(Menu->DefaultPalette()->Selection(), -1);
  EXPECT_EQ(BarColor(), kWindowText);
}

TEST_F(ColorMenuTest, CustomAsksForAColour) {
  QColor offered;
  Menu->PickCustomColor = [&](TColorMenu&, const QColor& initial) {
    offered = initial;
    return kOther;
  };
  Menu->CustomAction()->trigger();
  EXPECT_FALSE(offered.isValid());
  EXPECT_TRUE(Menu->CustomAction()->isChecked());
  EXPECT_FALSE(Menu->DefaultAction()->isChecked());
  EXPECT_EQ(Input->textColor(), kOther);
  EXPECT_EQ(BarColor(), kOther);

  // Cancelling keeps everything, the check mark on Custom included.
  Menu->PickCustomColor = [&](TColorMenu&, const QColor& initial) {
    offered = initial;
    return QColor();
  };
  Menu->CustomAction()->trigger();
  EXPECT_EQ(offered, kOther);
  EXPECT_TRUE(Menu->CustomAction()->isChecked());
  EXPECT_EQ(Input->textColor(), kOther);
}

TEST_F(ColorMenuTest, FollowsTheCaretWithoutRecolouring) {
  QTextCursor cursor(Input->document());
  QTextCharFormat plain;
  QTextCharFormat orange;
  orange.setForeground(kOrange);
  cursor.insertText("ab", plain);
  cursor.insertText("cd", orange);
  cursor.insertText("ef", plain);

  cursor.setPosition(3);
  Input->setTextCursor(cursor);
  EXPECT_EQ(Menu->State().DefaultPaletteSelection, 9);
  EXPECT_EQ(BarColor(), kOrange);

  // Selecting across both colours by moving the caret only moves the menu.
  cursor.setPosition(1);
  cursor.setPosition(6, QTextCursor::KeepAnchor);
  Input->setTextCursor(cursor);
  EXPECT_TRUE(Menu->State().DefaultChecked);
  QTextCursor probe(Input->document());
  probe.setPosition(3);
  EXPECT_EQ(TextColorOf(probe.charFormat(), kWindowText), kOrange);
  probe.setPosition(6);
  EXPECT_EQ(TextColorOf(probe.charFormat(), kWindowText), kWindowText);
}

} // namespace
} // namespace tessra
