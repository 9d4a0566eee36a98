#include <QApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QTest>
#include <QTextCursor>
#include <gtest/gtest.h>

#include "app/InputLine.h"
#include "common/ChatException.h"

namespace tessra {
namespace {

const QColor kRed(0xFF, 0x00, 0x00);
const QColor kDefault(0x10, 0x20, 0x30);

class TInputLineTest : public ::testing::Test {
protected:
  TInputLineTest() {
    Edit.DefaultColor = kDefault;
    Edit.ResetTypingColor();
    Edit.OnCommand = [this](TInputEdit&, const QString& m) { Commands << m; };
    Edit.OnMessage = [this](TInputEdit&, const QString& m) { Messages << m; };
    Edit.OnTypingColorReset = [this](TInputEdit&, const QColor& c) { Resets.push_back(c); };
    Resets.clear();
  }

  // Sends a key as the keyboard would; returns whether the edit took it.
  bool Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&Edit, &press);
    return press.isAccepted();
  }
  void Type(const QString& text, const QColor& color) {
    Edit.setTextColor(color);
    Edit.insertPlainText(text);
  }
  QColor ColorAt(int position) {
    QTextCursor cursor(Edit.document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().foreground().color();
  }

  TInputEdit Edit;
  QStringList Commands;
  QStringList Messages;
  std::vector<QColor> Resets;
};

TEST_F(TInputLineTest, EnterSendsTheLineKeepsItAndStartsAfreshInTheDefaultColour) {
  Type(QStringLiteral("hi "), kRed);
  Type(QStringLiteral("there"), kDefault);
  EXPECT_TRUE(Key(Qt::Key_Return));

  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(QStringLiteral("FF0000"))) << Messages[0].toStdString();
  EXPECT_TRUE(Messages[0].endsWith(QStringLiteral("there")));
  EXPECT_TRUE(Commands.isEmpty());
  EXPECT_EQ(Edit.History().Lines(), QStringList{QStringLiteral("hi there")});
  EXPECT_TRUE(Edit.toPlainText().isEmpty());
  EXPECT_EQ(Edit.textColor(), kDefault);
  EXPECT_EQ(Resets, std::vector<QColor>{kDefault});
}

TEST_F(TInputLineTest, OnlyALineStartingWithSlashIsACommand) {
  Type(QStringLiteral("/tell Tyrin hi"), kDefault);
  Key(Qt::Key_Enter, Qt::KeypadModifier);
  Type(QStringLiteral(" /tell Tyrin hi"), kDefault);
  Key(Qt::Key_Return);
  EXPECT_EQ(Commands, QStringList{QStringLiteral("/tell Tyrin hi")});
  EXPECT_EQ(Messages, QStringList{QStringLiteral(" /tell Tyrin hi")});
}

TEST_F(TInputLineTest, AnEmptyLineSendsNothingButResetsTheColour) {
  Edit.setTextColor(kRed);
  EXPECT_TRUE(Key(Qt::Key_Return));
  EXPECT_TRUE(Messages.isEmpty());
  EXPECT_EQ(Edit.History().Count(), 0);
  EXPECT_EQ(Edit.textColor(), kDefault);
}

TEST_F(TInputLineTest, OnlyShiftEnterBreaksTheLine) {
  Type(QStringLiteral("a"), kDefault);
  Key(Qt::Key_Return, Qt::ShiftModifier, QStringLiteral("\r"));
  Type(QStringLiteral("b"), kDefault);
  // A carriage return typed some other way is discarded.
  Key(Qt::Key_M, Qt::ControlModifier, QStringLiteral("\r"));
  EXPECT_EQ(Edit.toPlainText(), QStringLiteral("a\nb"));
  Key(Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(Edit.History().Lines(), QStringList{QStringLiteral("a\nb")});
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0], QStringLiteral("a\nb"));

  EXPECT_TRUE(TInputEdit::InputEditKeyPress(QStringLiteral("\r"), Qt::NoModifier));
  EXPECT_FALSE(TInputEdit::InputEditKeyPress(QStringLiteral("\r"), Qt::ShiftModifier));
  EXPECT_FALSE(TInputEdit::InputEditKeyPress(QStringLiteral("x"), Qt::NoModifier));
}

TEST_F(TInputLineTest, ShiftUpAndDownRecallTheHistoryWithTheCaretAtTheEnd) {
  Key(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_TRUE(Edit.toPlainText().isEmpty());
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_TRUE(Edit.toPlainText().isEmpty());

  for (const char* line : {"first", "second"}) {
    Type(QString::fromLatin1(line), kDefault);
    Key(Qt::Key_Return);
  }
  EXPECT_TRUE(Key(Qt::Key_Up, Qt::ShiftModifier));
  EXPECT_EQ(Edit.toPlainText(), QStringLiteral("second"));
  EXPECT_EQ(Edit.textCursor().position(), 6);
  EXPECT_FALSE(Edit.textCursor().hasSelection());
  Key(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(Edit.toPlainText(), QStringLiteral("first"));
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Edit.toPlainText(), QStringLiteral("second"));
}

TEST_F(TInputLineTest, ASlashTypedAtTheStartIsInTheDefaultColourOnAnyLayout) {
  // The US slash key, and shift+7 as the German layout types it.
  for (const int key : {int(Qt::Key_Slash), int(Qt::Key_7)}) {
    SCOPED_TRACE(key);
    Edit.clear();
    Edit.setTextColor(kRed);
    Resets.clear();
    Key(key, key == Qt::Key_7 ? Qt::ShiftModifier : Qt::NoModifier, QStringLiteral("/"));
    EXPECT_EQ(Edit.toPlainText(), QStringLiteral("/"));
    EXPECT_EQ(ColorAt(0), kDefault);
    EXPECT_EQ(Resets, std::vector<QColor>{kDefault});
  }

  // Further on, a slash keeps the typing colour.
  Edit.clear();
  Type(QStringLiteral("a"), kRed);
  Key(Qt::Key_Slash, Qt::NoModifier, QStringLiteral("/"));
  EXPECT_EQ(ColorAt(1), kRed);
}

TEST_F(TInputLineTest, EscapeEmptiesTheLineAndPassesTheKeyOn) {
  Type(QStringLiteral("draft"), kDefault);
  EXPECT_FALSE(Key(Qt::Key_Escape));
  EXPECT_TRUE(Edit.toPlainText().isEmpty());
}

TEST_F(TInputLineTest, AFailedSendKeepsTheTextAndLeavesTheHistoryAlone) {
  Edit.OnMessage = [](TInputEdit&, const QString&) {
    throw TChatException("Group General not found");
  };
  Type(QStringLiteral("hello"), kDefault);
  EXPECT_THROW(Edit.InputEditKeyDown(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")),
               TChatException);
  EXPECT_EQ(Edit.toPlainText(), QStringLiteral("hello"));
  EXPECT_EQ(Edit.History().Count(), 0);
}

} // namespace
} // namespace tessra
