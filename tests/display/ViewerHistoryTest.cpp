#include <gtest/gtest.h>

#include "display/ViewerHistory.h"

namespace tessra {
namespace {

TEST(ViewerHistory, AddingAfterGoingBackDropsTheForwardPages) {
  TViewerHistory history;
  EXPECT_EQ(history.CurrentIndex(), -1);
  EXPECT_EQ(history.Current(), nullptr);
  EXPECT_FALSE(history.CanGoBack());
  EXPECT_FALSE(history.CanGoForward());

  history.Add(QStringLiteral("file:///a.html"), {QStringLiteral("/macro a")});
  history.Add(QStringLiteral("file:///b.html"), {});
  history.Add(QStringLiteral("file:///c.html"), {});
  EXPECT_EQ(history.CurrentIndex(), 2);
  EXPECT_TRUE(history.CanGoBack());
  EXPECT_FALSE(history.CanGoForward());
  ASSERT_NE(history.Previous(), nullptr);
  EXPECT_EQ(history.Previous()->Address, QStringLiteral("file:///b.html"));

  // Back twice: the first page is current again, with its own actions.
  history.SetCurrent(history.IndexOf(QStringLiteral("FILE:///A.HTML")));
  EXPECT_EQ(history.CurrentIndex(), 0);
  EXPECT_EQ(history.Current()->Actions, QStringList{QStringLiteral("/macro a")});
  EXPECT_FALSE(history.CanGoBack());
  EXPECT_TRUE(history.CanGoForward());
  EXPECT_EQ(history.Next()->Address, QStringLiteral("file:///b.html"));

  history.Add(QStringLiteral("file:///d.html"), {});
  EXPECT_EQ(history.Count(), 2);
  EXPECT_EQ(history.Item(1).Address, QStringLiteral("file:///d.html"));
  EXPECT_EQ(history.IndexOf(QStringLiteral("file:///b.html")), -1);
  EXPECT_FALSE(history.CanGoForward());

  history.SetCurrent(5); // outside the list: ignored
  EXPECT_EQ(history.CurrentIndex(), 1);
}

} // namespace
} // namespace tessra
