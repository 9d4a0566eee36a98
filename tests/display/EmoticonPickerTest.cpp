#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTextEdit>

#include "display/EmoticonPicker.h"

namespace tessra {
namespace {

TEST(EmoticonPicker, CellsInsertTheFirstCodeAtTheCaret) {
  QTextEdit input;
  input.setPlainText("ab");
  QTextCursor caret = input.textCursor();
  caret.setPosition(1);
  input.setTextCursor(caret);

  TEmoticonPicker picker;
  picker.SetInput(&input);
  EXPECT_EQ(picker.size(), QSize(4 * 19, 3 * 19));
  std::vector<std::pair<int, QString>> chosen;
  picker.OnEmoticonChosen = [&](TEmoticonPicker&, int picture, const QString& code) {
    chosen.emplace_back(picture, code);
  };

  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(9, 9)); // cell (0, 0)
  EXPECT_EQ(input.toPlainText(), "a:-)b");
  // Cell (1, 1) is picture 5, cell (3, 2) picture 11.
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(19 + 5, 19 + 5));
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(3 * 19 + 18, 2 * 19 + 18));
  EXPECT_EQ(input.toPlainText(), "a:-):-O:-@b");
  EXPECT_EQ(chosen, (std::vector<std::pair<int, QString>>{{0, ":-)"}, {5, ":-O"}, {11, ":-@"}}));

  EXPECT_EQ(picker.CellAt(QPoint(4 * 19, 0)), -1);
  EXPECT_EQ(picker.CellAt(QPoint(0, 3 * 19)), -1);
  EXPECT_EQ(picker.CellAt(QPoint(-1, 0)), -1);
  picker.Choose(12);
  EXPECT_EQ(chosen.size(), 3u);
}

} // namespace
} // namespace tessra
