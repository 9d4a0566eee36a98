// The buddy tree against the reference chat server: branches, sorting, pictures, expansion and
// the mouse on the tree.

#include "PopupMenusTestFixture.h"

namespace tessra::testing {
namespace {

using FriendsTreeTest = TPanelsTest;

TEST_F(FriendsTreeTest, BuddiesMoveBetweenBranchesAndStaySortedByTheLocale) {
  EXPECT_EQ(Friends.Tree().topLevelItemCount(), 4);
  LogIn();
  // The locale's order, not the code points' (which would put "edda" after "Zed").
  const QStringList all{QStringLiteral("Bob"), QStringLiteral("Carl"), QStringLiteral("edda"),
                        QStringLiteral("Zed")};
  EXPECT_EQ(Texts(*Friends.OfflineNode()), all);
  EXPECT_EQ(ImageOf(Friends.OfflineNode()->child(0)), TTreeIcons::kOfflineIcon);
  EXPECT_FALSE(Friends.OfflineNode()->isExpanded()) << "Offline Friends never opens by itself";
  EXPECT_TRUE(Friends.OnlineExpandPending());

  AddPeer("bob", "Bob");
  ASSERT_TRUE(Pump([this] { return Friends.OnlineNode()->childCount() == 1; }));
  EXPECT_EQ(Texts(*Friends.OnlineNode()), QStringList{QStringLiteral("Bob")});
  EXPECT_EQ(ImageOf(Friends.OnlineNode()->child(0)), TTreeIcons::kOnlineIcon);
  EXPECT_TRUE(Friends.OnlineNode()->isExpanded()) << "Online Friends opens at its first child";
  EXPECT_FALSE(Friends.OnlineExpandPending());
  EXPECT_EQ(Texts(*Friends.OfflineNode()),
            (QStringList{QStringLiteral("Carl"), QStringLiteral("edda"), QStringLiteral("Zed")}));

  AddPeer("carl", "Carl");
  ASSERT_TRUE(Pump([this] { return Friends.OnlineNode()->childCount() == 2; }));
  EXPECT_EQ(Texts(*Friends.OnlineNode()),
            (QStringList{QStringLiteral("Bob"), QStringLiteral("Carl")}));

  // Bob goes away again and takes his sorted place among the offline buddies.
  Peers.front()->Chat.Disconnect();
  ASSERT_TRUE(Pump([this] { return Friends.OnlineNode()->childCount() == 1; }));
  EXPECT_EQ(Texts(*Friends.OfflineNode()),
            (QStringList{QStringLiteral("Bob"), QStringLiteral("edda"), QStringLiteral("Zed")}));
  EXPECT_FALSE(Friends.OfflineNode()->isExpanded());
}

TEST_F(FriendsTreeTest, UnacceptedBuddyIsUnknownWithItsOnlinePictureAndRemovalDeletesIt) {
  LogIn();
  Chat.AddFRiend("Carl", false);
  ASSERT_TRUE(Pump([this] { return Friends.UnknownNode()->childCount() == 1; }));
  EXPECT_EQ(Texts(*Friends.UnknownNode()), QStringList{QStringLiteral("Carl")});
  EXPECT_EQ(ImageOf(Friends.UnknownNode()->child(0)), TTreeIcons::kOfflineIcon);
  EXPECT_FALSE(Texts(*Friends.OfflineNode()).contains(QStringLiteral("Carl")));

  AddPeer("carl", "Carl");
  ASSERT_TRUE(
      Pump([this] { return ImageOf(Friends.UnknownNode()->child(0)) == TTreeIcons::kOnlineIcon; }));
  EXPECT_EQ(Friends.OnlineNode()->childCount(), 0);

  Menus.PopupChar = QStringLiteral("Carl");
  Actions.RemoveAction->trigger();
  ASSERT_TRUE(Pump([this] { return Friends.UnknownNode()->childCount() == 0; }));
  EXPECT_EQ(Chat.FriendList().IndexOf("Carl"), -1);
}

TEST_F(FriendsTreeTest, RemovalMatchesLetterCaseAndClearingKeepsTheIgnoreList) {
  Friends.AddFriend(QStringLiteral("Tyrin"), true, true);
  Friends.AddFriend(QStringLiteral("Orla"), false, true);
  Friends.IgnoringNode()->addChild(new QTreeWidgetItem(QStringList{QStringLiteral("Tyrin")}));

  Friends.RemoveBuddyNode(QStringLiteral("tyrin"));
  EXPECT_EQ(Friends.OnlineNode()->childCount(), 1) << "only the exact name is removed";
  Friends.RemoveBuddyNode(QStringLiteral("Tyrin"));
  EXPECT_EQ(Friends.OnlineNode()->childCount(), 0);
  EXPECT_EQ(Friends.IgnoringNode()->childCount(), 1) << "names under Ignoring stay";

  Friends.ClearBuddyNodes();
  EXPECT_EQ(Friends.OfflineNode()->childCount(), 0);
  EXPECT_EQ(Friends.IgnoringNode()->childCount(), 1);
  EXPECT_TRUE(Friends.OnlineExpandPending());
  EXPECT_FALSE(Friends.OfflineExpandPending());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ImageOf(Friends.Tree().topLevelItem(i)), TTreeIcons::kRootIcon);
  }
}

TEST_F(FriendsTreeTest, RightClickOpensTheBranchMenuAndDoubleClickQueriesOnlyBuddies) {
  Friends.AddFriend(QStringLiteral("Tyrin"), true, true);
  Friends.AddFriend(QStringLiteral("Orla"), false, true);
  Friends.AddFriend(QStringLiteral("Pim"), false, false);
  Friends.IgnoringNode()->addChild(new QTreeWidgetItem(QStringList{QStringLiteral("Vex")}));
  Friends.Tree().expandAll();

  ClickText(FriendsView, *Friends.OnlineNode()->child(0), Qt::RightButton);
  ClickText(FriendsView, *Friends.OfflineNode()->child(0), Qt::RightButton);
  EXPECT_EQ(FriendsView.currentItem(), Friends.OfflineNode()->child(0)) << "the node is selected";
  ClickText(FriendsView, *Friends.UnknownNode()->child(0), Qt::RightButton);
  ClickText(FriendsView, *Friends.IgnoringNode(), Qt::RightButton);
  ClickText(FriendsView, *Friends.OnlineNode(), Qt::RightButton);
  ClickText(FriendsView, *Friends.IgnoringNode()->child(0), Qt::RightButton);
  EXPECT_EQ(Opened, (QStringList{QStringLiteral("OnPopupMenu"), QStringLiteral("OffPopupMenu"),
                                 QStringLiteral("UnPopupMenu"), QStringLiteral("IgnorePopupMenu"),
                                 QStringLiteral("IgnorePopupMenu")}));
  EXPECT_EQ(Menus.PopupChar, QStringLiteral("Vex"));

  const auto doubleClick = [this](QTreeWidgetItem& node) {
    const QRect rect = FriendsView.visualItemRect(&node);
    QTest::mouseDClick(FriendsView.viewport(), Qt::LeftButton, {}, rect.center());
  };
  doubleClick(*Friends.IgnoringNode()->child(0));
  doubleClick(*Friends.UnknownNode());
  Friends.Tree().expandAll();
  EXPECT_EQ(TargetKind, QStringLiteral("None")) << "neither node is a buddy";
  doubleClick(*Friends.UnknownNode()->child(0));
  EXPECT_EQ(TargetKind, QStringLiteral("Char"));
  EXPECT_EQ(TargetName, QStringLiteral("Pim"));
}

TEST_F(FriendsTreeTest, TheIgnoreListWorksOnTheTreeAndUnignoredBuddiesReturnSorted) {
  LogIn();
  TIgnoreList::TEngineNames names(Chat);
  TIgnoreList ignoreList(Friends, names, [this](const QString& line) { Lines.append(line); });
  EXPECT_EQ(ignoreList.Ignore(QStringLiteral("cARL")), QStringLiteral("Carl"));
  EXPECT_EQ(ignoreList.Ignore(QStringLiteral("carl")), QStringLiteral("Carl"));
  EXPECT_EQ(Texts(*Friends.IgnoringNode()), QStringList{QStringLiteral("Carl")});
  EXPECT_EQ(ImageOf(Friends.IgnoringNode()->child(0)), TTreeIcons::kRootIcon);
  EXPECT_EQ(Texts(*Friends.OfflineNode()),
            (QStringList{QStringLiteral("Bob"), QStringLiteral("edda"), QStringLiteral("Zed")}));
  EXPECT_TRUE(ignoreList.IsIgnored(QStringLiteral("CARL")));

  ignoreList.Unignore(QStringLiteral("carl"));
  EXPECT_EQ(Friends.IgnoringNode()->childCount(), 0);
  EXPECT_EQ(Texts(*Friends.OfflineNode()),
            (QStringList{QStringLiteral("Bob"), QStringLiteral("Carl"), QStringLiteral("edda"),
                         QStringLiteral("Zed")}));
}

} // namespace
} // namespace tessra::testing
