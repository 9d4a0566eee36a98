// The popup menus' captions and visibility rules against the engine's lists as the reference
// chat server fills them, the console link menus and the console's wheel step.

#include <QWheelEvent>

#include "PopupMenusTestFixture.h"
#include "display/ChatConsole.h"

namespace tessra::testing {
namespace {

using PopupMenusTest = TPanelsTest;

TEST_F(PopupMenusTest, CharacterMenuFollowsTheBuddyListAndHidesBuddyEntriesForTheOwnName) {
  LogIn();
  Chat.AddFRiend("Carl", false);
  ASSERT_TRUE(Pump([this] { return Friends.UnknownNode()->childCount() == 1; }));
  struct TCase {
    const char* Name;
    QStringList Entries;
  };
  const TCase cases[] = {
      // The user's own name, in other letter case.
      {"aLDA", {"Query aLDA", "Whois aLDA", "Ignore aLDA"}},
      {"Tyrin", {"Query Tyrin", "Invite Tyrin", "Whois Tyrin", "Add Tyrin", "Ignore Tyrin"}},
      {"Bob", {"Query Bob", "Invite Bob", "Whois Bob", "Remove Bob", "Ignore Bob"}},
      {"Carl", {"Query Carl", "Invite Carl", "Whois Carl", "Accept Carl", "Ignore Carl"}},
  };
  for (const TCase& c : cases) {
    Opened.clear();
    Menus.ShowCharPopup(QString::fromLatin1(c.Name), QPoint(10, 10));
    EXPECT_EQ(Opened, (QStringList{QStringLiteral("CharPopupMenu"), QStringLiteral("mouse-leave")}))
        << c.Name;
    EXPECT_EQ(OpenedEntries, c.Entries) << c.Name;
  }

  // A member of the user's own private group can be kicked, one of another group invited.
  Menus.PopupCharGroup = QStringLiteral("alda");
  Menus.ShowPrivCharPopup(QStringLiteral("Bob"), QPoint(10, 10));
  EXPECT_EQ(OpenedEntries,
            (QStringList{"Query Bob", "Kick Player", "Whois Bob", "Remove Bob", "Ignore Bob"}));
  Menus.PopupCharGroup = QStringLiteral("Zed");
  Menus.ShowPrivCharPopup(QStringLiteral("Bob"), QPoint(10, 10));
  EXPECT_EQ(OpenedEntries,
            (QStringList{"Query Bob", "Invite Bob", "Whois Bob", "Remove Bob", "Ignore Bob"}));
  EXPECT_EQ(Menus.PopupChar, QStringLiteral("Bob"));
}

TEST_F(PopupMenusTest, BuddyMenusAndTheIgnoringMenu) {
  LogIn();
  Chat.AddFRiend("Carl", false);
  ASSERT_TRUE(Pump([this] { return Friends.UnknownNode()->childCount() == 1; }));
  Friends.IgnoringNode()->addChild(new QTreeWidgetItem(QStringList{QStringLiteral("Vex")}));
  Friends.Tree().expandAll();

  ClickText(FriendsView, *Friends.OfflineNode()->child(0), Qt::RightButton);
  EXPECT_EQ(OpenedEntries, (QStringList{"Whois Bob", "Remove Bob", "Ignore Bob"}));
  // Not online: neither query nor invitation.
  ClickText(FriendsView, *Friends.UnknownNode()->child(0), Qt::RightButton);
  EXPECT_EQ(OpenedEntries,
            (QStringList{"Whois Carl", "Accept Carl", "Remove Carl", "Ignore Carl"}));
  ClickText(FriendsView, *Friends.IgnoringNode(), Qt::RightButton);
  EXPECT_EQ(OpenedEntries, (QStringList{"Merge ignorelist.bin ..", "Export ignorelist.bin"}));
  EXPECT_TRUE(Menus.PopupChar.isEmpty());
  ClickText(FriendsView, *Friends.IgnoringNode()->child(0), Qt::RightButton);
  EXPECT_EQ(OpenedEntries, QStringList{QStringLiteral("UnIgnore Vex")});

  AddPeer("carl", "Carl");
  ASSERT_TRUE(
      Pump([this] { return ImageOf(Friends.UnknownNode()->child(0)) == TTreeIcons::kOnlineIcon; }));
  AddPeer("bob", "Bob");
  ASSERT_TRUE(Pump([this] { return Friends.OnlineNode()->childCount() == 1; }));
  Friends.Tree().expandAll();
  ClickText(FriendsView, *Friends.UnknownNode()->child(0), Qt::RightButton);
  EXPECT_EQ(OpenedEntries, (QStringList{"Query Carl", "Invite Carl", "Whois Carl", "Accept Carl",
                                        "Remove Carl", "Ignore Carl"}));

  // The online menu's entries run their actions on the buddy.
  MenuChoice = Choose(QStringLiteral("Whois Bob"));
  ClickText(FriendsView, *Friends.OnlineNode()->child(0), Qt::RightButton);
  EXPECT_EQ(OpenedEntries,
            (QStringList{"Query Bob", "Invite Bob", "Whois Bob", "Remove Bob", "Ignore Bob"}));
  EXPECT_EQ(Whois, QStringList{QStringLiteral("Bob")});
  MenuChoice = Choose(QStringLiteral("Query Bob"));
  ClickText(FriendsView, *Friends.OnlineNode()->child(0), Qt::RightButton);
  EXPECT_EQ(TargetKind, QStringLiteral("Char"));
  EXPECT_EQ(TargetName, QStringLiteral("Bob"));

  // Accepting Carl moves him to the online buddies.
  Menus.PopupChar = QStringLiteral("Carl");
  Actions.AcceptAction->trigger();
  ASSERT_TRUE(Pump([this] { return Friends.OnlineNode()->childCount() == 2; }));
  EXPECT_EQ(Friends.UnknownNode()->childCount(), 0);
}

TEST_F(PopupMenusTest, GroupMenusByTheEngineListThePrivateNodesAndTheOwnGroup) {
  LogIn();
  Menus.ShowPublicPopup(QStringLiteral("General"), QPoint(5, 5));
  EXPECT_EQ(OpenedEntries, (QStringList{"Query General", "Mute General"}));
  EXPECT_EQ(Opened.last(), QStringLiteral("mouse-leave"));
  // The engine's list is exact about letter case; a name it does not hold mutes nothing.
  Menus.ShowPublicPopup(QStringLiteral("general"), QPoint(5, 5));
  EXPECT_EQ(OpenedEntries, QStringList{QStringLiteral("Query general")});
  Actions.MuteAction->trigger();
  EXPECT_FALSE(GroupMuted("General"));

  Groups.GetPrivateNode(QStringLiteral("Bob"));
  Menus.ShowPrivatePopup(QStringLiteral("Bob"), QPoint(5, 5));
  EXPECT_EQ(OpenedEntries, (QStringList{"Query Bob", "Leave Bob", "Mute Bob"}));
  Actions.MuteAction->trigger();
  EXPECT_TRUE(Groups.IsPrivateGroupMuted(QStringLiteral("Bob")));
  Menus.ShowPrivatePopup(QStringLiteral("Bob"), QPoint(5, 5));
  EXPECT_EQ(OpenedEntries, (QStringList{"Query Bob", "Leave Bob", "Listen to Bob"}));
  Actions.UnMuteAction->trigger();
  EXPECT_FALSE(Groups.IsPrivateGroupMuted(QStringLiteral("Bob")));

  // A group that is neither in the engine's list nor in the tree.
  Menus.ShowPrivatePopup(QStringLiteral("ALDA"), QPoint(5, 5));
  EXPECT_EQ(OpenedEntries, (QStringList{"Query ALDA", "Leave ALDA", "Kick All Players"}));
  Actions.QueryGroupAction->trigger();
  EXPECT_EQ(TargetKind, QStringLiteral("Query"));
  EXPECT_EQ(TargetName, QStringLiteral("ALDA"));

  // Kick All does nothing while the own group is not shown; the node is made by an invitation.
  Actions.KickAllAction->trigger();
  EXPECT_EQ(Groups.FindPrivateNode(QStringLiteral("Alda")), nullptr);
}

TEST_F(PopupMenusTest, MemberMenuOfTheOwnGroupKicksTheMember) {
  LogIn();
  TPeer& bob = AddPeer("bob", "Bob");
  Menus.PopupChar = QStringLiteral("Bob");
  Actions.InviteAction->trigger();
  ASSERT_TRUE(Pump(
      [this] { return CountLines(QStringLiteral("Bob joined the private group Alda.")) == 1; }));
  Menus.PopupCharGroup = QStringLiteral("Alda");
  MenuChoice = Choose(QStringLiteral("Kick Player"));
  Menus.ShowPrivCharPopup(QStringLiteral("Bob"), QPoint());
  ASSERT_TRUE(Pump([&bob] { return !bob.Kicks.empty(); }));
  EXPECT_EQ(bob.Kicks.back(), TBytes("Alda"));
  ASSERT_TRUE(
      Pump([this] { return CountLines(QStringLiteral("Bob left the private group Alda.")) == 1; }));
  EXPECT_NE(Groups.FindPrivateNode(QStringLiteral("Alda")), nullptr) << "the own group stays";
}

TEST_F(PopupMenusTest, AnAmpersandInANameIsShownAsItIs) {
  Menus.ShowCharPopup(QStringLiteral("R&D"), QPoint());
  EXPECT_EQ(Menus.Entry(TPopupMenuKind::CharPopupMenu, TMenuEntry::Whois)->text(),
            QStringLiteral("Whois R&&D"));
  EXPECT_EQ(Menus.Entry(TPopupMenuKind::OffPopupMenu, TMenuEntry::Mute), nullptr);
}

TEST_F(PopupMenusTest, WheelScrollsTheConsoleOnlyWithThePointerInsideIt) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(8);
  EXPECT_EQ(ConsoleWheelDistance(font), 38);
  font.setPointSize(10);
  EXPECT_EQ(ConsoleWheelDistance(font), 44);

  TChatConsole console;
  console.resize(300, 120);
  console.show();
  console.SetFont(TChatFont{font, Qt::black});
  for (int i = 0; i < 200; ++i) {
    console.AddLine(QStringLiteral("line %1").arg(i));
  }
  QCoreApplication::processEvents();
  const QPoint inside = console.viewport()->mapToGlobal(QPoint(20, 20));
  const QPoint outside = console.viewport()->mapToGlobal(QPoint(-20, 20));
  FormMouseWheelUp(console, outside);
  EXPECT_EQ(console.ScrollPosition(), 0);
  FormMouseWheelUp(console, inside);
  EXPECT_EQ(console.ScrollPosition(), 44) << "towards older lines";
  FormMouseWheelDown(console, inside);
  EXPECT_EQ(console.ScrollPosition(), 0);
}

} // namespace
} // namespace tessra::testing
