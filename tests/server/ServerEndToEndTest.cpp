#include <gtest/gtest.h>

#include "ServerTestSupport.h"
#include "server/ChatServer.h"
#include "server/ServerConfig.h"
#include "transport/Microsocks.h"

using namespace tessra;
using namespace tessra::test;

namespace {

// A server from the shared test configuration on a free loopback port, and
// engines logged in to it.
class ServerEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    Server = std::make_unique<TChatServer>(ParseServerConfig(kTestConfig), TestSecret());
    ASSERT_TRUE(Server->Listen(QHostAddress::LocalHost, 0));
  }
  void TearDown() override {
    Clients.clear();
    Server.reset();
  }

  TEngineClient& NewClient() {
    Clients.push_back(
        std::make_unique<TEngineClient>(Server->ServerPort(), Server->ServerKeyHex()));
    return *Clients.back();
  }
  TEngineClient& LoggedIn(const TBytes& user, const TBytes& password, const TBytes& character) {
    TEngineClient& c = NewClient();
    EXPECT_TRUE(c.LogIn(user, password, character)) << character;
    return c;
  }
  TEngineClient& Ann() { return LoggedIn("a1", "pw1", "Ann"); }
  TEngineClient& Bob() { return LoggedIn("b1", "pw2", "Bob"); }
  TEngineClient& Cat() { return LoggedIn("c1", "pw3", "Cat"); }

  void LogOut(TEngineClient& c) {
    c.Chat->Disconnect();
    ASSERT_TRUE(c.WaitFor("Disconnect"));
  }

  std::unique_ptr<TChatServer> Server;
  std::vector<std::unique_ptr<TEngineClient>> Clients;
};

TEST_F(ServerEndToEnd, LoginSendsGroupsAndTheCharacterListOfTheAccount) {
  TEngineClient& ann = Ann();
  ASSERT_EQ(ann.Chat->CharList().Count(), 2);
  EXPECT_EQ(ann.Chat->CharList().GetChar(0).Name, "Ann");
  EXPECT_EQ(ann.Chat->CharList().GetChar(1).Name, "Abe");
  ASSERT_EQ(ann.Chat->GroupList().Count(), 2);
  EXPECT_EQ(ann.Chat->GroupList().GetGroup(0).Name, "General");
  EXPECT_EQ(ann.Chat->GroupList().GetGroup(1).Name, "Team");
  EXPECT_EQ(Server->SessionCount(), 1);
  EXPECT_TRUE(Server->IsOnline("ann"));
}

TEST_F(ServerEndToEnd, TellsGoBothWaysWithATextBlob) {
  TEngineClient& ann = Ann();
  TEngineClient& bob = Bob();
  const TTextBlob blob("attached <b>text</b>", 7);
  ann.Tell("Bob", "hi Bob", &blob);
  ASSERT_TRUE(bob.WaitFor("Private Ann: hi Bob [attached <b>text</b>]"));
  bob.Tell("ann", "hi Ann");
  EXPECT_TRUE(ann.WaitFor("Private Bob: hi Ann"));
}

TEST_F(ServerEndToEnd, GroupMessagesReachEveryMemberAndNobodyElse) {
  TEngineClient& ann = Ann();
  TEngineClient& bob = Bob();
  TEngineClient& cat = Cat();
  ann.Group("General", "hello all");
  for (TEngineClient* c : {&ann, &bob, &cat}) {
    EXPECT_TRUE(c->WaitFor("Group General Ann: hello all"));
  }
  bob.Group("Team", "team only");
  EXPECT_TRUE(ann.WaitFor("Group Team Bob: team only"));
  EXPECT_TRUE(bob.WaitFor("Group Team Bob: team only"));
  cat.Barrier();
  EXPECT_FALSE(cat.Has("Group ? Bob: team only"));
  EXPECT_EQ(cat.GroupIndex("Team"), -1);
}

TEST_F(ServerEndToEnd, MuteAndUnmuteGoThroughTheFlags) {
  TEngineClient& ann = Ann();
  TEngineClient& bob = Bob();
  const int general = ann.GroupIndex("General");
  ASSERT_GE(general, 0);

  ann.Events.clear();
  ann.Chat->IgnoreGroup(general);
  ASSERT_TRUE(ann.WaitFor("GroupListChange"));
  EXPECT_TRUE(ann.Chat->GroupList().GetGroup(general).Muted);
  EXPECT_EQ(ann.Chat->GroupList().GetGroup(general).Flags, 0x01010000u);

  // A muted group is not delivered, except for the muted member's own words.
  bob.Group("General", "while muted");
  ASSERT_TRUE(bob.WaitFor("Group General Bob: while muted"));
  ann.Group("General", "my own");
  ASSERT_TRUE(ann.WaitFor("Group General Ann: my own"));
  EXPECT_FALSE(ann.Has("Group General Bob: while muted"));

  ann.Events.clear();
  ann.Chat->UnignoreGroup(general);
  ASSERT_TRUE(ann.WaitFor("GroupListChange"));
  EXPECT_FALSE(ann.Chat->GroupList().GetGroup(general).Muted);
  bob.Group("General", "after");
  EXPECT_TRUE(ann.WaitFor("Group General Bob: after"));
}

TEST_F(ServerEndToEnd, MutedFlagsLastUntilTheNextLogin) {
  TEngineClient& ann = Ann();
  ann.Chat->IgnoreGroup(ann.GroupIndex("Team"));
  ASSERT_TRUE(ann.WaitFor("GroupListChange"));
  LogOut(ann);
  TEngineClient& again = Ann();
  EXPECT_TRUE(again.Chat->GroupList().GetGroup(again.GroupIndex("Team")).Muted);
  EXPECT_FALSE(again.Chat->GroupList().GetGroup(again.GroupIndex("General")).Muted);
}

TEST_F(ServerEndToEnd, PrivateGroupRound) {
  TEngineClient& ann = Ann();
  TEngineClient& bob = Bob();
  TEngineClient& cat = Cat();

  ann.Chat->PrivateGroupInvite("Bob");
  ASSERT_TRUE(bob.WaitFor("Invite Ann"));
  bob.Chat->PrivateGroupJoin("Ann");
  EXPECT_TRUE(ann.WaitFor("Join Ann Bob"));
  EXPECT_TRUE(bob.WaitFor("Join Ann Bob"));

  bob.PrivateGroup("Ann", "hello group");
  EXPECT_TRUE(ann.WaitFor("PGroup Ann Bob: hello group"));
  EXPECT_TRUE(bob.WaitFor("PGroup Ann Bob: hello group"));

  // An invitation turned down is a "Privategroup Part" from the invitee.
  ann.Chat->PrivateGroupInvite("Cat");
  ASSERT_TRUE(cat.WaitFor("Invite Ann"));
  cat.Chat->PrivateGroupLeave("Ann");
  EXPECT_TRUE(ann.WaitFor("Leave Ann Cat"));
  // Someone outside the group cannot talk in it.
  cat.PrivateGroup("Ann", "let me in");
  EXPECT_TRUE(cat.WaitFor("System You are not in that private group"));

  bob.Chat->PrivateGroupLeave("Ann");
  EXPECT_TRUE(ann.WaitFor("Leave Ann Bob"));
  EXPECT_TRUE(bob.WaitFor("Leave Ann Bob"));

  ann.Events.clear();
  bob.Events.clear();
  ann.Chat->PrivateGroupInvite("Bob");
  ASSERT_TRUE(bob.WaitFor("Invite Ann"));
  bob.Chat->PrivateGroupJoin("Ann");
  ASSERT_TRUE(ann.WaitFor("Join Ann Bob"));
  ann.Chat->PrivateGroupKickAll();
  EXPECT_TRUE(bob.WaitFor("Kick Ann"));
  EXPECT_TRUE(ann.WaitFor("Leave Ann Bob"));
  ann.PrivateGroup("Ann", "alone now");
  ASSERT_TRUE(ann.WaitFor("PGroup Ann Ann: alone now"));
  bob.Barrier();
  EXPECT_FALSE(bob.Has("PGroup Ann Ann: alone now"));
}

TEST_F(ServerEndToEnd, KickAndLogoutEndMembership) {
  TEngineClient& ann = Ann();
  TEngineClient& bob = Bob();
  TEngineClient& cat = Cat();
  for (TEngineClient* c : {&bob, &cat}) {
    ann.Chat->PrivateGroupInvite(c == &bob ? "Bob" : "Cat");
    ASSERT_TRUE(c->WaitFor("Invite Ann"));
    c->Chat->PrivateGroupJoin("Ann");
  }
  // The later joiner hears of who was there before.
  ASSERT_TRUE(cat.WaitFor("Join Ann Bob"));
  ASSERT_TRUE(cat.WaitFor("Join Ann Cat"));
  ann.Chat->PrivateGroupKick("Cat");
  EXPECT_TRUE(cat.WaitFor("Kick Ann"));
  EXPECT_TRUE(bob.WaitFor("Leave Ann Cat"));
  // The host's logout ends the group for everyone in it.
  LogOut(ann);
  EXPECT_TRUE(bob.WaitFor("Kick Ann"));
}

TEST_F(ServerEndToEnd, BuddyStatusFollowsLogoutAndLogin) {
  TEngineClient& ann = Ann();
  auto bob = std::make_unique<TEngineClient>(Server->ServerPort(), Server->ServerKeyHex());
  ASSERT_TRUE(bob->LogIn("b1", "pw2", "Bob"));

  ann.Chat->AddFRiend("Bob", true);
  ASSERT_TRUE(ann.WaitFor("FriendAdd Bob on acc"));
  LogOut(*bob);
  EXPECT_TRUE(ann.WaitFor("FriendStatus Bob off"));
  bob = std::make_unique<TEngineClient>(Server->ServerPort(), Server->ServerKeyHex());
  ASSERT_TRUE(bob->LogIn("b1", "pw2", "Bob"));
  EXPECT_TRUE(ann.WaitFor("FriendStatus Bob on"));

  // The list comes back with the next login, then the buddy can go.
  LogOut(ann);
  TEngineClient& again = Ann();
  EXPECT_TRUE(again.WaitFor("FriendAdd Bob on acc"));
  again.Chat->RemoveFriend("Bob");
  EXPECT_TRUE(again.WaitFor("FriendRemove Bob"));
  LogOut(*bob);
  again.Barrier();
  EXPECT_FALSE(again.Has("FriendStatus Bob off"));
}

TEST_F(ServerEndToEnd, LookupsAnswerTheIdOrMinusOne) {
  TEngineClient& ann = Ann();
  EXPECT_EQ(ann.Chat->NameList().GetID("Nobody"), -1);
  EXPECT_EQ(ann.Chat->NameList().GetID("ghost"), 901);
  EXPECT_EQ(ann.Chat->NameList().GetID("Cat"), 301);
  // Nothing goes out for a name that does not exist.
  ann.Tell("Nobody", "hello?");
  ann.Barrier();
  EXPECT_FALSE(ann.Has("System No such character"));
}

TEST_F(ServerEndToEnd, OfflineTellIsDeliveredAtTheNextLogin) {
  TEngineClient& ann = Ann();
  const TTextBlob blob("kept", 3);
  ann.Tell("Bob", "see you later", &blob);
  ASSERT_TRUE(ann.WaitFor("Offline [] Bob"));

  TEngineClient& bob = Bob();
  ASSERT_TRUE(bob.WaitFor("Private Ann: see you later [kept]"));
  const int notice = [&] {
    for (size_t i = 0; i < bob.Events.size(); ++i) {
      if (bob.Events[i].rfind("Offline [] Ann 2", 0) == 0) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }();
  ASSERT_GE(notice, 0) << "the notice names the sender and the date";
  EXPECT_LT(notice, bob.IndexOf("Private Ann: see you later [kept]"));

  // Delivered once only.
  LogOut(bob);
  TEngineClient& again = Bob();
  again.Barrier();
  EXPECT_FALSE(again.Has("Private Ann: see you later [kept]"));
}

TEST_F(ServerEndToEnd, RefusedLoginsGiveLoginErrorAndADisconnect) {
  struct TCase {
    TBytes User, Password;
    std::string Key, Error;
  };
  const std::vector<TCase> cases = {
      {"a1", "wrong", Server->ServerKeyHex(), "Invalid user name or password"},
      {"nobody", "pw1", Server->ServerKeyHex(), "Invalid user name or password"},
      // A key made for another server cannot be read by this one.
      {"a1", "pw1", kVeyraServerValueHex, "Malformed login key"},
  };
  for (const auto& c : cases) {
    TEngineClient client(Server->ServerPort(), c.Key);
    EXPECT_FALSE(client.Connect(c.User, c.Password));
    EXPECT_TRUE(client.WaitFor("Disconnect")) << c.User;
    EXPECT_TRUE(client.Has("LoginError " + c.Error)) << c.User << "/" << c.Password;
  }
  EXPECT_TRUE(WaitUntil([&] { return Server->ConnectionCount() == 0; }));
}

TEST_F(ServerEndToEnd, ACharacterAlreadyOnlineIsRefused) {
  Ann();
  TEngineClient& second = NewClient();
  EXPECT_FALSE(second.LogIn("a1", "pw1", "Ann"));
  EXPECT_TRUE(second.Has("LoginError That character is already logged in"));
  EXPECT_TRUE(second.WaitFor("Disconnect"));
  // The account's other character may come in.
  TEngineClient& abe = NewClient();
  EXPECT_TRUE(abe.LogIn("a1", "pw1", "Abe"));
}

TEST_F(ServerEndToEnd, AStoppedServerDisconnectsItsClients) {
  TEngineClient& ann = Ann();
  TEngineClient& bob = Bob();
  Server->Close();
  EXPECT_TRUE(ann.WaitFor("Disconnect"));
  EXPECT_TRUE(ann.Has("System The server is shutting down"));
  Server.reset();
  EXPECT_TRUE(bob.WaitFor("Disconnect"));
}

TEST_F(ServerEndToEnd, LoginAndTellsThroughMicrosocksWithAuthentication) {
  if (!TMicrosocks::Installed()) {
    GTEST_SKIP() << "microsocks is not installed";
  }
  TMicrosocks proxy;
  ASSERT_TRUE(proxy.Start(QStringLiteral("proxyuser"), QStringLiteral("proxypass")));
  TEngineClient& ann = NewClient();
  ann.Chat->SetProxy(true, true, QStringLiteral("127.0.0.1"), proxy.PortText(),
                     QStringLiteral("proxyuser"), QStringLiteral("proxypass"));
  ASSERT_TRUE(ann.LogIn("a1", "pw1", "Ann"));
  TEngineClient& bob = Bob();
  ann.Tell("Bob", "via the proxy");
  EXPECT_TRUE(bob.WaitFor("Private Ann: via the proxy"));
  bob.Tell("Ann", "and back");
  EXPECT_TRUE(ann.WaitFor("Private Bob: and back"));

  // Wrong proxy credentials never reach the server.
  TEngineClient& refused = NewClient();
  refused.Chat->SetProxy(true, true, QStringLiteral("127.0.0.1"), proxy.PortText(),
                         QStringLiteral("proxyuser"), QStringLiteral("nope"));
  EXPECT_FALSE(refused.LogIn("c1", "pw3", "Cat"));
  EXPECT_TRUE(refused.WaitFor("Disconnect"));
  EXPECT_FALSE(Server->IsOnline("Cat"));
}

} // namespace
