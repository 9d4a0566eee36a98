#include <gtest/gtest.h>

#include "app/BufferList.h"

namespace tessra {
namespace {

TEST(BufferList, AnEmptyHistoryRecallsNothing) {
  TBufferList history;
  EXPECT_EQ(history.Previous(), QString());
  EXPECT_EQ(history.Next(), QString());
}

TEST(BufferList, OnlyARepeatOfTheNewestLineIsDropped) {
  TBufferList history;
  for (const char* line : {"A", "A", "a", "B", "A"}) {
    history.Add(QString::fromLatin1(line));
  }
  EXPECT_EQ(history.Lines(), (QStringList{QStringLiteral("A"), QStringLiteral("a"),
                                          QStringLiteral("B"), QStringLiteral("A")}));
}

TEST(BufferList, TheOldestLineMakesRoomAtCapacity) {
  TBufferList history;
  for (int i = 1; i <= 101; ++i) {
    history.Add(QString::number(i));
  }
  ASSERT_EQ(history.Count(), 100);
  EXPECT_EQ(history.Lines().front(), QStringLiteral("2"));
  EXPECT_EQ(history.Lines().back(), QStringLiteral("101"));
}

TEST(BufferList, BothDirectionsStartAfreshAfterAddAndWrap) {
  TBufferList history;
  for (const char* line : {"one", "two", "three"}) {
    history.Add(QString::fromLatin1(line));
  }
  EXPECT_EQ(history.Previous(), QStringLiteral("three"));
  EXPECT_EQ(history.Previous(), QStringLiteral("two"));
  EXPECT_EQ(history.Previous(), QStringLiteral("one"));
  EXPECT_EQ(history.Previous(), QStringLiteral("three"));
  EXPECT_EQ(history.Next(), QStringLiteral("one"));

  history.Add(QStringLiteral("three")); // a repeat, yet the walk starts again
  EXPECT_EQ(history.Next(), QStringLiteral("one"));
  EXPECT_EQ(history.Next(), QStringLiteral("two"));
  EXPECT_EQ(history.Next(), QStringLiteral("three"));
  EXPECT_EQ(history.Next(), QStringLiteral("one"));
}

TEST(BufferList, ACapacityBelowOneKeepsTheNewestLine) {
  TBufferList history;
  history.Capacity = 0;
  history.Add(QStringLiteral("x"));
  history.Add(QStringLiteral("y"));
  EXPECT_EQ(history.Lines(), QStringList{QStringLiteral("y")});
  EXPECT_EQ(history.Previous(), QStringLiteral("y"));
}

} // namespace
} // namespace tessra
