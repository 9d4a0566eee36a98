// The group tree against the reference chat server: public groups muted through the server by
// the icon and by the menu, private groups joined, muted locally, left and kicked from, and the
// muted channel list across a reconnect.

#include "PopupMenusTestFixture.h"

namespace tessra::testing {
namespace {

using GroupsTreeTest = TPanelsTest;

const QString kServerMuted = QStringLiteral("Server muted group \"General\"!");
const QString kServerUnmuted = QStringLiteral("Server unmuted group \"General\"!");

TEST_F(GroupsTreeTest, IconClickMutesAtOnceWithoutALineAndTheMenuMuteWritesOne) {
  LogIn();
  EXPECT_EQ(Texts(*Groups.PublicNode()),
            (QStringList{QStringLiteral("General"), QStringLiteral("Trade Shopping 1")}));
  EXPECT_TRUE(Groups.PublicNode()->isExpanded());
  QTreeWidgetItem* general = PublicGroup(QStringLiteral("General"));
  ASSERT_NE(general, nullptr);
  ASSERT_EQ(ImageOf(general), TTreeIcons::kListeningIcon);

  // A click on the text is no click on the icon.
  ClickText(GroupsView, *general, Qt::LeftButton);
  EXPECT_EQ(ImageOf(general), TTreeIcons::kListeningIcon);

  ClickIcon(*general);
  EXPECT_EQ(ImageOf(general), TTreeIcons::kMutedIcon) << "the picture changes before the answer";
  ASSERT_TRUE(Pump([this] { return GroupMuted("General"); }));
  ClickIcon(*general);
  EXPECT_EQ(ImageOf(general), TTreeIcons::kListeningIcon);
  ASSERT_TRUE(Pump([this] { return !GroupMuted("General"); }));
  EXPECT_EQ(CountLines(kServerMuted), 0);
  EXPECT_EQ(CountLines(kServerUnmuted), 0);

  MenuChoice = Choose(QStringLiteral("Mute General"));
  ClickText(GroupsView, *general, Qt::RightButton);
  EXPECT_EQ(Opened, QStringList{QStringLiteral("PubPopupMenu")});
  EXPECT_EQ(OpenedEntries,
            (QStringList{QStringLiteral("Query General"), QStringLiteral("Mute General")}));
  ASSERT_TRUE(Pump([this] { return GroupMuted("General"); }));
  EXPECT_EQ(CountLines(kServerMuted), 1);
  EXPECT_EQ(ImageOf(general), TTreeIcons::kMutedIcon);

  MenuChoice = Choose(QStringLiteral("Listen to General"));
  ClickText(GroupsView, *general, Qt::RightButton);
  ASSERT_TRUE(Pump([this] { return !GroupMuted("General"); }));
  EXPECT_EQ(CountLines(kServerUnmuted), 1);

  // A double click makes the group the message target.
  QTest::mouseDClick(GroupsView.viewport(), Qt::LeftButton, {},
                     GroupsView.visualItemRect(general).center());
  EXPECT_EQ(TargetKind, QStringLiteral("Public"));
  EXPECT_EQ(TargetName, QStringLiteral("General"));
}

TEST_F(GroupsTreeTest, AcceptedInvitationAddsAListeningNodeAndADeclinedOneSendsALeave) {
  LogIn();
  TPeer& bob = AddPeer("bob", "Bob");
  Prompt.Answers.push_back(true);
  bob.Chat.PrivateGroupInvite("Alda");
  ASSERT_TRUE(Pump([this] { return Groups.FindPrivateNode(QStringLiteral("Bob")) != nullptr; }));
  EXPECT_EQ(Prompt.Messages, QStringList{QStringLiteral(
                                 "Question: You have been invited to join the private chat group "
                                 "\r\nBob.  Would you like to join?")});
  EXPECT_EQ(ImageOf(Groups.FindPrivateNode(QStringLiteral("bob"))), TTreeIcons::kListeningIcon);
  EXPECT_TRUE(Groups.PrivateNode()->isExpanded());
  ASSERT_TRUE(Pump([&bob] {
    return !bob.Joins.empty() && bob.Joins.back() == std::pair<TBytes, TBytes>("Bob", "Alda");
  }));

  TPeer& carl = AddPeer("carl", "Carl");
  carl.Chat.PrivateGroupInvite("Alda");
  ASSERT_TRUE(Pump([&carl] { return !carl.Leaves.empty(); }));
  EXPECT_EQ(carl.Leaves.back(), (std::pair<TBytes, TBytes>("Carl", "Alda")))
      << "the host hears the invitation turned down";
  EXPECT_EQ(Groups.FindPrivateNode(QStringLiteral("Carl")), nullptr);
  EXPECT_EQ(Texts(*Groups.PrivateNode()), QStringList{QStringLiteral("Bob")});
}

TEST_F(GroupsTreeTest, PrivateGroupMutedByItsIconShowsNoMessagesButTheKick) {
  LogIn();
  TPeer& bob = AddPeer("bob", "Bob");
  Prompt.Answers.push_back(true);
  bob.Chat.PrivateGroupInvite("Alda");
  ASSERT_TRUE(Pump([&bob] { return !bob.Joins.empty(); }));
  bob.Chat.PrivateGroupMessage("Bob", "first words");
  ASSERT_TRUE(Pump([this] { return CountLines(QStringLiteral("first words")) == 1; }));

  QTreeWidgetItem* node = Groups.FindPrivateNode(QStringLiteral("Bob"));
  ASSERT_NE(node, nullptr);
  ClickIcon(*node);
  EXPECT_EQ(ImageOf(node), TTreeIcons::kMutedIcon);
  EXPECT_TRUE(Groups.IsPrivateGroupMuted(QStringLiteral("Bob")));
  bob.Chat.PrivateGroupMessage("Bob", "second words");
  bob.Chat.PrivateGroupKick("Alda");
  ASSERT_TRUE(Pump([this] {
    return CountLines(QStringLiteral("You have been kicked from the private group Bob.")) == 1;
  }));
  EXPECT_EQ(CountLines(QStringLiteral("second words")), 0);
  EXPECT_EQ(Groups.FindPrivateNode(QStringLiteral("Bob")), nullptr);
}

TEST_F(GroupsTreeTest, LeavingTheOwnPrivateGroupKicksEveryoneAndDropsTheTarget) {
  LogIn();
  TPeer& bob = AddPeer("bob", "Bob");
  Menus.PopupChar = QStringLiteral("Bob");
  Actions.InviteAction->trigger();
  QTreeWidgetItem* own = Groups.FindPrivateNode(QStringLiteral("Alda"));
  ASSERT_NE(own, nullptr) << "the own group is shown from the invitation on";
  ASSERT_TRUE(Pump(
      [this] { return CountLines(QStringLiteral("Bob joined the private group Alda.")) == 1; }));

  QTest::mouseDClick(GroupsView.viewport(), Qt::LeftButton, {},
                     GroupsView.visualItemRect(own).center());
  ASSERT_EQ(TargetKind, QStringLiteral("Private"));

  MenuChoice = Choose(QStringLiteral("Leave Alda"));
  ClickText(GroupsView, *own, Qt::RightButton);
  EXPECT_EQ(OpenedEntries,
            (QStringList{QStringLiteral("Query Alda"), QStringLiteral("Leave Alda"),
                         QStringLiteral("Kick All Players"), QStringLiteral("Mute Alda")}));
  EXPECT_EQ(Groups.FindPrivateNode(QStringLiteral("Alda")), nullptr);
  EXPECT_EQ(TargetKind, QStringLiteral("None"));
  EXPECT_EQ(CountLines(QStringLiteral("Alda left the private group Alda.")), 1);
  ASSERT_TRUE(Pump([&bob] { return !bob.Kicks.empty(); }));
  EXPECT_EQ(bob.Kicks.back(), TBytes("Alda"));
}

TEST_F(GroupsTreeTest, MutedGroupIsMutedAgainWhenItsNodeIsMadeAfterReconnecting) {
  LogIn();
  Menus.PopupGroup = QStringLiteral("General");
  Actions.MuteAction->trigger();
  ASSERT_TRUE(Pump([this] { return GroupMuted("General"); }));
  ASSERT_EQ(ImageOf(PublicGroup(QStringLiteral("General"))), TTreeIcons::kMutedIcon);

  Chat.Disconnect();
  ASSERT_TRUE(Pump([this] { return !LoggedIn; }));
  EXPECT_EQ(MutedChannels, QStringList{QStringLiteral("General")});
  EXPECT_EQ(Groups.PublicNode()->childCount(), 0);
  EXPECT_TRUE(Groups.PublicExpandPending());
  // Emptying the emptied tree again (as closing the window does) keeps the saved list.
  Groups.ClearGroupNodes();
  EXPECT_EQ(MutedChannels, QStringList{QStringLiteral("General")});
  EXPECT_EQ(Saves, 1);

  // A server that has forgotten the mute.
  const quint16 port = static_cast<quint16>(Local.Port);
  Server.reset();
  StartServer(port);
  LogIn();
  ASSERT_TRUE(Pump([this] { return GroupMuted("General"); }));
  EXPECT_EQ(ImageOf(PublicGroup(QStringLiteral("General"))), TTreeIcons::kMutedIcon);
  EXPECT_FALSE(GroupMuted("Trade Shopping 1"));
}

} // namespace
} // namespace tessra::testing
