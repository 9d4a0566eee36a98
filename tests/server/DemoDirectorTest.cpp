// The demo's cast, stepped by hand against the reference server on loopback:
// who comes online, what they say, an answered tell, the invitation and the
// offline messages waiting at the next login.

#include <gtest/gtest.h>

#include "ServerTestSupport.h"
#include "server/ChatServer.h"
#include "server/DemoDirector.h"

using namespace tessra;
using namespace tessra::test;

namespace {

class DemoDirectorTest : public ::testing::Test {
protected:
  void SetUp() override {
    Server = std::make_unique<TChatServer>(TDemoDirector::DemoConfig(), TestSecret());
    ASSERT_TRUE(Server->Listen(QHostAddress::LocalHost, 0));
    Director = std::make_unique<TDemoDirector>(*Server);
  }
  void TearDown() override {
    Clients.clear();
    Director.reset();
    Server.reset();
  }

  TEngineClient& LogIn(const TBytes& user, const TBytes& character) {
    Clients.push_back(
        std::make_unique<TEngineClient>(Server->ServerPort(), Server->ServerKeyHex()));
    EXPECT_TRUE(Clients.back()->LogIn(user, "demo", character)) << character;
    return *Clients.back();
  }
  void LogOut(TEngineClient& client, const TBytes& character) {
    client.Chat->Disconnect();
    ASSERT_TRUE(WaitUntil([&] { return !Server->IsOnline(character); }));
  }

  // Steps until a beat whose description starts with what, and lets the
  // client hear the result.
  std::string StepTo(TEngineClient& client, const std::string& what) {
    for (int i = 0; i < 2 * Director->ScriptLength(); ++i) {
      const std::string done = Director->Step();
      if (done.rfind(what, 0) == 0) {
        client.Barrier();
        return done;
      }
    }
    ADD_FAILURE() << "no beat " << what;
    return {};
  }
  void StepAll(TEngineClient& client, int beats) {
    for (int i = 0; i < beats; ++i) {
      Director->Step();
    }
    client.Barrier();
  }

  std::vector<std::string> Matching(const TEngineClient& client, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& e : client.Events) {
      if (e.rfind(prefix, 0) == 0) {
        found.push_back(e);
      }
    }
    return found;
  }

  std::unique_ptr<TChatServer> Server;
  std::unique_ptr<TDemoDirector> Director;
  std::vector<std::unique_ptr<TEngineClient>> Clients;
};

TEST_F(DemoDirectorTest, OneCycleOfTheScriptBringsTheChatToLife) {
  TEngineClient& alira = LogIn("demo1", "Alira");
  EXPECT_EQ(Director->Audience(), "Alira");
  // The cast's buddies start offline; the groups are there.
  EXPECT_TRUE(alira.Has("FriendAdd Mirelle off", true));
  EXPECT_GE(alira.GroupIndex("Trade Shopping 1"), 0);
  EXPECT_GE(alira.GroupIndex("Seeking Team"), 0);

  StepAll(alira, Director->ScriptLength());

  EXPECT_TRUE(alira.Has("FriendStatus Mirelle on"));
  EXPECT_TRUE(alira.Has("FriendStatus Thorvald on"));
  EXPECT_TRUE(alira.Has("FriendStatus Thorvald off"));
  EXPECT_LT(alira.IndexOf("FriendStatus Mirelle on"),
            alira.IndexOf("Group General Mirelle: Good evening, everyone! Anyone up for the "
                          "Ashen Caves tonight?"));
  EXPECT_TRUE(alira.Has("Group Seeking Team Quillon: LFT", true));
  // The item reference: its label between the two marker characters, and
  // the item as the blob.
  EXPECT_TRUE(alira.Has("Group Trade Shopping 1 Thorvald: WTS \x11Ring of the Seventh Moon\x12"
                        " QL 200, 2.5M or best offer. Send me a tell! +TItemBlob"));
  // Tells name the player; the text reference is info-window mark-up with
  // colours and a chat command link.
  EXPECT_TRUE(alira.Has("Private Mirelle: Hi Alira! Are you coming", true));
  const auto notes =
      Matching(alira, "Private Thorvald: Here are the raid notes: \x11Raid notes\x12");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("<font color=#FFFF00>"), std::string::npos);
  EXPECT_NE(notes[0].find("<a href=\"chatcmd:///tell Thorvald count me in\">"), std::string::npos);
  EXPECT_EQ(Matching(alira, "Invite Mirelle").size(), 1u);
  // Nobody joined Mirelle's group, so nobody hears it.
  EXPECT_TRUE(Matching(alira, "PGroup").empty());
}

TEST_F(DemoDirectorTest, ATellToTheCastIsAnsweredBeforeTheNextBeat) {
  TEngineClient& alira = LogIn("demo1", "Alira");
  StepTo(alira, "Thorvald comes online");
  alira.Tell("Mirelle", "Count me in!");
  alira.Tell("Thorvald", "How much for the ring?");
  ASSERT_TRUE(WaitUntil([&] { return Director->PendingReplies() == 2; }));
  EXPECT_EQ(Director->Step(), "answers Alira");
  EXPECT_EQ(Director->Step(), "answers Alira");
  alira.Barrier();
  EXPECT_TRUE(alira.Has("Private Mirelle: Sounds good to me!"));
  EXPECT_TRUE(alira.Has("Private Thorvald: Thorvald here. Sure, meet me at the North Gate."));
  // Then the script goes on where it was.
  EXPECT_EQ(Director->Step(), "Thorvald talks in Trade Shopping 1");
}

TEST_F(DemoDirectorTest, TheInvitedPlayerHearsThePrivateGroup) {
  TEngineClient& alira = LogIn("demo1", "Alira");
  StepTo(alira, "Mirelle invites the player");
  ASSERT_TRUE(alira.Has("Invite Mirelle"));
  alira.Chat->PrivateGroupJoin("Mirelle");
  ASSERT_TRUE(alira.WaitFor("Join Mirelle Alira"));
  StepTo(alira, "Mirelle talks in her private group");
  EXPECT_TRUE(alira.Has("PGroup Mirelle Mirelle: Welcome to the team! We gather at the North "
                        "Gate at 20:00."));
}

TEST_F(DemoDirectorTest, OfflineMessagesWaitForTheNextLogin) {
  // One from the start, for every player.
  TEngineClient& first = LogIn("demo1", "Alira");
  const auto welcome = Matching(first, "Offline [] Sabeth ");
  ASSERT_EQ(welcome.size(), 1u);
  EXPECT_TRUE(first.Has("Private Sabeth: Hi Alira, I left the spare tower key with the bank. "
                        "Don't lose it this time!"));
  LogOut(first, "Alira");
  EXPECT_EQ(Director->Audience(), "");

  // And one left after a player goes.
  TEngineClient& again = LogIn("demo1", "Alira");
  EXPECT_TRUE(again.Has("Private Mirelle: Sorry I missed you, Alira. Raid is tomorrow, 20:00!"));
  EXPECT_TRUE(Matching(again, "Private Sabeth").empty());
}

TEST_F(DemoDirectorTest, TheCastTalksToWhoeverLoggedInLastAndStartsOverForANewAudience) {
  TEngineClient& alira = LogIn("demo1", "Alira");
  StepTo(alira, "Mirelle talks in General");
  TEngineClient& corwen = LogIn("demo2", "Corwen");
  EXPECT_EQ(Director->Audience(), "Corwen");
  StepTo(corwen, "Mirelle tells the player");
  EXPECT_TRUE(corwen.Has("Private Mirelle: Hi Corwen!", true));
  alira.Barrier();
  EXPECT_TRUE(Matching(alira, "Private Mirelle").empty());

  LogOut(corwen, "Corwen");
  EXPECT_EQ(Director->Audience(), "Alira");
  LogOut(alira, "Alira");
  LogIn("demo1", "Brannic");
  EXPECT_EQ(Director->Step(), "Mirelle comes online");
}

} // namespace
