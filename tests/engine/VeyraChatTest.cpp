#include <gtest/gtest.h>

#include <QProcess>
#include <QTcpServer>

#include "ScriptedServer.h"
#include "common/ChatException.h"
#include "engine/LoginKey.h"
#include "engine/VeyraBlob.h"
#include "engine/VeyraChat.h"
#include "transport/Microsocks.h"
#include "transport/TcpClient.h"

using namespace tessra;
using tessra::test::TScriptedServer;
using tessra::test::WaitUntil;

namespace {

TBytes Int32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return TBytes{static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8),
                static_cast<char>(u)};
}

const TGroupId kGeneral = {0x0A, 0x00, 0x00, 0x00, 0xFF};

// An engine wired to a scripted server, with every event recorded as text.
class EngineTest : public ::testing::Test {
protected:
  using TClientPacketOpt = std::optional<tessra::test::TClientPacket>;

  void SetUp() override {
    Chat = std::make_unique<TVeyraChat>(nullptr, &Ticks);
    Dimension.Host = QStringLiteral("127.0.0.1");
    Dimension.Port = Server.Port();
    Chat->Dimension = &Dimension;
    Chat->UserName = "demo1";
    Chat->Password = "secret";
    Chat->ServerValueHex = ServerValueFor(Secret);
    Chat->OnConnect = [this](TVeyraChat&) { Events.push_back("Connect"); };
    Chat->OnLogin = [this](TVeyraChat&) { Events.push_back("Login"); };
    Chat->OnLoginError = [this](TVeyraChat&, const TBytes& m) {
      Events.push_back("LoginError " + m);
    };
    Chat->OnDisconnect = [this](TVeyraChat& c) {
      Events.push_back("Disconnect " + ChatStateName(c.State()).toStdString());
    };
    Chat->OnError = [this](TVeyraChat&, int& code) {
      Events.push_back("Error " + std::to_string(code));
    };
    Chat->OnException = [this](TVeyraChat&, const std::exception& e) {
      Errors.push_back(e.what());
    };
    Chat->OnSystemMessage = [this](TVeyraChat&, const TBytes& m) {
      Events.push_back("System " + m);
    };
    Chat->OnPrivateMessage = [this](TVeyraChat&, const TBytes& who, const TBytes& m,
                                    const TBlob* blob) {
      Events.push_back("Private " + who + ": " + m + (blob ? " +" + blob->ClassName() : ""));
    };
    Chat->OnOfflinePrivMessage = [this](TVeyraChat&, const TBytes& who, const TBytes& m,
                                        const TStringsBlob* blob) {
      std::string s = "Offline [" + who + m + "]";
      for (const auto& str : blob->Strings) {
        s += " " + str;
      }
      Events.push_back(s);
    };
    Chat->OnGroupMessage = [this](TVeyraChat&, int idx, const TBytes& who, const TBytes& m,
                                  const TBlob*) {
      Events.push_back("Group " + std::to_string(idx) + " " + who + ": " + m);
    };
    Chat->OnGroupListChange = [this](TVeyraChat&) { Events.push_back("GroupListChange"); };
    Chat->OnFriendAdd = [this](TVeyraChat&, const TFriendInfo& f) {
      Events.push_back("FriendAdd " + f.Name + (f.Online ? " on" : " off") +
                       (f.Accepted ? " acc" : " unacc"));
    };
    Chat->OnFriendStatusChange = [this](TVeyraChat&, const TFriendInfo& f) {
      Events.push_back("FriendStatus " + f.Name + (f.Online ? " on" : " off"));
    };
    Chat->OnFriendRemove = [this](TVeyraChat&, const TFriendInfo& f) {
      Events.push_back("FriendRemove " + f.Name);
    };
    Chat->OnPrivateGroupInvite = [this](TVeyraChat&, const TBytes& g) {
      Events.push_back("Invite " + g);
    };
    Chat->OnPrivateGroupKick = [this](TVeyraChat&, const TBytes& g) {
      Events.push_back("Kick " + g);
    };
    Chat->OnPrivateGroupJoin = [this](TVeyraChat&, const TBytes& g, const TBytes& c) {
      Events.push_back("Join " + g + " " + c);
    };
    Chat->OnPrivateGroupLeave = [this](TVeyraChat&, const TBytes& g, const TBytes& c) {
      Events.push_back("Leave " + g + " " + c);
    };
    Chat->OnPrivateGroupMessage = [this](TVeyraChat&, const TBytes& g, const TBytes& c,
                                         const TBytes& m, const TBlob*) {
      Events.push_back("PGroup " + g + " " + c + ": " + m);
    };
  }

  void TearDown() override { Chat.reset(); }

  // Connects and answers with a seed; returns the login response.
  TClientPacketOpt Seed() {
    Chat->Connect();
    EXPECT_EQ(Chat->State(), TChatState::csConnecting);
    EXPECT_TRUE(Server.WaitForClient());
    Server.Send(ipLoginSeed, {TPacketParam::String("seed42")});
    return Server.Take(opLoginResponseGetCharList);
  }

  // The whole login: seed, key checked on the server's side, character list,
  // selection, "Login Result OK".
  void LogIn() {
    const auto response = Seed();
    ASSERT_TRUE(response);
    EXPECT_EQ(response->Params[0].AsInteger(), 0);
    EXPECT_EQ(response->Params[1].AsString(), "demo1");
    const TLoginKeyContents key = DecodeLoginKey(response->Params[2].AsString(), Secret);
    EXPECT_EQ(key.User, "demo1");
    EXPECT_EQ(key.Seed, "seed42");
    EXPECT_EQ(key.Password, "secret");
    EXPECT_EQ(Chat->State(), TChatState::csAwaitingAuthorization);
    Server.Send(ipLoginCharacterList,
                {TPacketParam::IntegerArray({101, 102, 103}),
                 TPacketParam::StringArray({"Ann", "Bob", "Cyd"}),
                 TPacketParam::IntegerArray({60, 61, 62}), TPacketParam::IntegerArray({0, 1, 0})});
    ASSERT_TRUE(WaitUntil([&] { return Chat->State() == TChatState::csReadyForLogin; }));
    Chat->Login2("ann");
    const auto select = Server.Take(opLoginSelectCharacter);
    ASSERT_TRUE(select);
    EXPECT_EQ(select->Params[0].AsInteger(), 101);
    EXPECT_EQ(Chat->State(), TChatState::csAwaitingLoginResult);
    Server.Send(ipLoginResultOK, {});
    ASSERT_TRUE(WaitUntil([&] { return Chat->State() == TChatState::csLoggedIn; }));
    EXPECT_TRUE(Chat->KeepAliveTimer().isActive());
    Events.clear();
  }

  bool WaitForEvent(const std::string& event) {
    return WaitUntil(
        [&] { return std::find(Events.begin(), Events.end(), event) != Events.end(); });
  }

  TBigInt Secret = TBigInt::FromHex("1234567890abcdef1234567890abcdef");
  TManualTickSource Ticks;
  TScriptedServer Server;
  TDimensionInfo Dimension;
  std::unique_ptr<TVeyraChat> Chat;
  std::vector<std::string> Events;
  std::vector<std::string> Errors;
  bool Answered = false;
  bool AnsweredUnknown = false;
};

} // namespace

TEST(ChatStateTable, NamesAndAllowedKinds) {
  EXPECT_EQ(ChatStateName(TChatState::csAwaitingAuthorization), "Awaiting Authoriziation");
  EXPECT_EQ(ChatStateName(TChatState::csReadyForLogin), "Ready for Login");
  EXPECT_TRUE(IncomingAllowed(TChatState::csConnecting, ipLoginSeed));
  EXPECT_FALSE(IncomingAllowed(TChatState::csConnecting, ipMessageSystem));
  EXPECT_TRUE(IncomingAllowed(TChatState::csLoggedIn, ipLoginCanceled));
  EXPECT_FALSE(OutgoingAllowed(TChatState::csLoggedIn, opPrivategroupClientPart));
  EXPECT_TRUE(OutgoingAllowed(TChatState::csLoggedIn, opCc));
  EXPECT_TRUE(IncomingAllowed(TChatState::csDisconnecting, ipLoginCanceled));
  EXPECT_FALSE(IncomingAllowed(TChatState::csLoggedIn, 40));
}

TEST_F(EngineTest, FullLoginAgainstTheScriptedServer) {
  LogIn();
  EXPECT_EQ(Chat->CharList().Count(), 3);
  EXPECT_EQ(Chat->CharList().GetChar(1).Name, "Bob");
  EXPECT_EQ(Chat->CharList().GetChar(1).Number, 61);
  EXPECT_TRUE(Chat->CharList().GetChar(1).Flag);
  // Characters of the account are cached: no lookup goes out for them.
  EXPECT_EQ(Chat->NameList().GetID("CYD"), 103);
  EXPECT_EQ(Server.CountOf(opNameLookup), 0u);
}

TEST_F(EngineTest, FullLoginThroughASocks5ProxyWithAuthentication) {
  if (!TMicrosocks::Installed()) {
    GTEST_SKIP() << "microsocks is not installed (scripts/setup-deps installs it)";
  }
  TMicrosocks proxy;
  ASSERT_TRUE(proxy.Start(QStringLiteral("u"), QStringLiteral("p")));
  Chat->SetProxy(true, true, QStringLiteral("127.0.0.1"), proxy.PortText(), QStringLiteral("u"),
                 QStringLiteral("p"));
  LogIn();
  // Switching the proxy off makes the next connection direct.
  Chat->Disconnect();
  ASSERT_TRUE(WaitForEvent("Disconnect Disconnected"));
  Chat->SetProxy(false, true, QStringLiteral("127.0.0.1"), proxy.PortText(), QStringLiteral("u"),
                 QStringLiteral("p"));
  proxy.Stop();
  Chat->Connect();
  EXPECT_TRUE(WaitUntil([&] { return Chat->Connection().IsConnected(); }));
}

TEST_F(EngineTest, EmptyPasswordStopsInAuthorizing) {
  Chat->Password.clear();
  Chat->Connect();
  ASSERT_TRUE(Server.WaitForClient());
  Server.Send(ipLoginSeed, {TPacketParam::String("s")});
  ASSERT_TRUE(WaitUntil([&] { return !Errors.empty(); }));
  EXPECT_EQ(Errors[0], "Error in packet handler, packet type: Login Seed, error No password!");
  EXPECT_EQ(Chat->State(), TChatState::csAuthorizing);
  EXPECT_EQ(Chat->LoginSeed(), "s");
  Chat->UserName.clear();
  EXPECT_THROW(Chat->Authorize(), TChatException);
}

TEST_F(EngineTest, PacedSendsGoOut3300MsApartInQueueOrder) {
  LogIn();
  Ticks.Set(50000);
  Chat->SendTell("Bob", "one");
  Chat->SendTell("Bob", "two");
  Chat->SendTell("Bob", "three");
  const auto first = Server.Take(opMessagePrivate);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Params[1].AsString(), "one");
  EXPECT_EQ(first->Params[2].AsData(), TBytes(1, '\0'));
  EXPECT_EQ(Chat->LastSendTick(), 50000u);
  EXPECT_EQ(Chat->QueuedPackets(), 2u);
  EXPECT_TRUE(Chat->SendTimer().isActive());
  EXPECT_EQ(Chat->SendTimer().interval(), 3300);

  Ticks.Advance(3300);
  Chat->TimerEvent();
  const auto second = Server.Take(opMessagePrivate);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Params[1].AsString(), "two");
  EXPECT_EQ(Chat->LastSendTick() - 50000u, 3300u);
  Chat->TimerEvent();
  Chat->TimerEvent(); // queue empty: the timer stops
  EXPECT_FALSE(Chat->SendTimer().isActive());
  EXPECT_EQ(Server.Take(opMessagePrivate)->Params[1].AsString(), "three");
}

TEST_F(EngineTest, KeepAlivePingsAfterAMinuteOfSilence) {
  LogIn();
  Ticks.Set(Chat->LastSendTick() + 60000);
  Chat->KeepAliveEvent();
  EXPECT_EQ(Chat->QueuedPackets(), 0u);
  Chat->SendTimer().stop();
  Ticks.Advance(1);
  Chat->KeepAliveEvent();
  const auto ping = Server.Take(opPing);
  ASSERT_TRUE(ping);
  EXPECT_EQ(ping->Params[0].AsData().size(), 1u);
}

TEST_F(EngineTest, CloseWhileLoggedInReleasesQueueAndEndsDisconnected) {
  LogIn();
  Chat->SendTell("Bob", "a");
  Chat->SendTell("Bob", "b");
  Chat->SendTell("Bob", "c");
  ASSERT_EQ(Chat->QueuedPackets(), 2u);
  ASSERT_TRUE(Server.Take(opMessagePrivate));
  Server.Close();
  ASSERT_TRUE(WaitForEvent("Disconnect Disconnected"));
  EXPECT_EQ(Chat->QueuedPackets(), 0u);
  EXPECT_EQ(Chat->CharList().Count(), 0);
  EXPECT_EQ(Chat->NameList().Count(), 0);
  EXPECT_EQ(Chat->LastSendTick(), 0u);
  EXPECT_EQ(Chat->SendTimer().interval(), 5);
  EXPECT_FALSE(Chat->KeepAliveTimer().isActive());
  EXPECT_EQ(Server.CountOf(opMessagePrivate), 1u);
  // Disconnect when already disconnected raises nothing.
  Events.clear();
  Chat->Disconnect();
  QCoreApplication::processEvents();
  EXPECT_TRUE(Events.empty());
  // An operation while disconnected names its first packet kind and the state.
  try {
    Chat->SendTell("Zed", "x");
    FAIL() << "no exception";
  } catch (const TChatException& e) {
    EXPECT_STREQ(e.what(), "Packet type Name Lookup not allowed in state Disconnected");
  }
}

TEST_F(EngineTest, ConnectionRefusedReportsErrorThenDisconnects) {
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  Dimension.Port = probe.serverPort();
  probe.close();
  Chat->Connect();
  ASSERT_TRUE(WaitForEvent("Disconnect Disconnected"));
  ASSERT_GE(Events.size(), 2u);
  EXPECT_EQ(Events[0].rfind("Error ", 0), 0u) << Events[0];
  EXPECT_EQ(Events.back(), "Disconnect Disconnected");
}

TEST_F(EngineTest, PacketFedOneByteAtATimeIsHandledOnceWhole) {
  LogIn();
  Server.Send(ipClientName, {TPacketParam::Integer(7), TPacketParam::String("Tyrin")});
  const TBytes frame =
      BuildIncomingFrame(ipMessagePrivate, {TPacketParam::Integer(7), TPacketParam::String("hello"),
                                            TPacketParam::Data(TBytes(1, '\0'))});
  for (char c : frame) {
    Server.SendRaw(TBytes(1, c));
    WaitUntil([] { return false; }, 2);
  }
  ASSERT_TRUE(WaitForEvent("Private Tyrin: hello"));
  WaitUntil([] { return false; }, 50);
  EXPECT_EQ(std::count(Events.begin(), Events.end(), "Private Tyrin: hello"), 1);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(EngineTest, EveryIncomingKindRaisesItsEvent) {
  LogIn();
  Server.Send(ipClientName, {TPacketParam::Integer(7), TPacketParam::String("Tyrin")});
  Server.Send(ipClientName, {TPacketParam::Integer(8), TPacketParam::String("Korrin")});
  Server.Send(ipMessagePrivate, {TPacketParam::Integer(7), TPacketParam::String("hi"),
                                 TPacketParam::Data(TBytes(1, '\0'))});
  Server.Send(ipMessagePrivate, {TPacketParam::Integer(99), TPacketParam::String("nobody"),
                                 TPacketParam::Data(TBytes(1, '\0'))});
  Server.Send(ipMessageVicinity,
              {TPacketParam::Integer(7), TPacketParam::String("near"), TPacketParam::Data("x")});
  Server.Send(ipMessageAnonVicinity,
              {TPacketParam::String("a"), TPacketParam::String("anon"), TPacketParam::Data("x")});
  Server.Send(ipMessageSystem, {TPacketParam::String("sys")});
  Server.Send(ipOfflineMessage,
              {TPacketParam::Integer(7), TPacketParam::Integer(0), TPacketParam::Integer(0),
               TPacketParam::Data(TBytes("S\0\5Tyrin", 8) + TBytes("S\0\1x", 4))});
  Server.Send(ipOfflineMessage, {TPacketParam::Integer(7), TPacketParam::Integer(0),
                                 TPacketParam::Integer(0), TPacketParam::Data("not strings")});
  Server.Send(ipFriendAdded,
              {TPacketParam::Integer(7), TPacketParam::Integer(1), TPacketParam::Data("\1")});
  Server.Send(ipFriendAdded,
              {TPacketParam::Integer(7), TPacketParam::Integer(0), TPacketParam::Data("\1")});
  Server.Send(ipFriendAdded, {TPacketParam::Integer(8), TPacketParam::Integer(1), TPacketParam()});
  Server.Send(ipFriendRemoved, {TPacketParam::Integer(8)});
  Server.Send(ipFriendAdded, {TPacketParam::Integer(99), TPacketParam::Integer(1), TPacketParam()});
  Server.Send(ipPrivategroupInvited, {TPacketParam::Integer(7)});
  Server.Send(ipPrivategroupKicked, {TPacketParam::Integer(7)});
  Server.Send(ipPrivategroupClientJoin, {TPacketParam::Integer(7), TPacketParam::Integer(8)});
  Server.Send(ipPrivategroupClientPart, {TPacketParam::Integer(7), TPacketParam::Integer(8)});
  Server.Send(ipPrivategroupDeclined, {TPacketParam::Integer(7), TPacketParam::Integer(102)});
  Server.Send(ipPrivategroupMessage, {TPacketParam::Integer(7), TPacketParam::Integer(8),
                                      TPacketParam::String("pg"), TPacketParam::Data("\0")});
  Server.Send(ipGroupJoin, {TPacketParam::GroupId(kGeneral), TPacketParam::String("General"),
                            TPacketParam::Integer(0), TPacketParam()});
  Server.Send(ipGroupJoin, {TPacketParam::GroupId(kGeneral), TPacketParam::String("General"),
                            TPacketParam::Integer(0x01010000), TPacketParam()});
  Server.Send(ipGroupMessage, {TPacketParam::GroupId(kGeneral), TPacketParam::Integer(7),
                               TPacketParam::String("g1"), TPacketParam::Data("\0")});
  Server.Send(ipGroupMessage, {TPacketParam::GroupId({1, 2, 3, 4, 5}), TPacketParam::Integer(99),
                               TPacketParam::String("g2"), TPacketParam::Data("\0")});
  Server.Send(ipPong, {TPacketParam::Data("x")});
  Server.Send(ipLoginCanceled, {});
  Server.Send(ipMessageSystem, {TPacketParam::String("end")});
  ASSERT_TRUE(WaitForEvent("System end"));
  const std::vector<std::string> expected = {
      "Private Tyrin: hi",
      "System near",
      "System anon",
      "System sys",
      "Offline [] Tyrin x",
      "FriendAdd Tyrin on acc",
      "FriendStatus Tyrin off",
      "FriendAdd Korrin on unacc",
      "FriendRemove Korrin",
      "Invite Tyrin",
      "Kick Tyrin",
      "Join Tyrin Korrin",
      "Leave Tyrin Korrin",
      "Leave Tyrin Bob",
      "PGroup Tyrin Korrin: pg",
      "GroupListChange",
      "GroupListChange",
      "Group 0 Tyrin: g1",
      "Group -1 : g2",
      "System end",
  };
  EXPECT_EQ(Events, expected);
  EXPECT_TRUE(Errors.empty()) << Errors[0];
  ASSERT_EQ(Chat->GroupList().Count(), 1);
  EXPECT_TRUE(Chat->GroupList().GetGroup(0).Muted);
  EXPECT_EQ(Chat->FriendList().Count(), 1);
}

TEST_F(EngineTest, KindNotAllowedInStateIsReportedAndNothingElseHappens) {
  Chat->Connect();
  ASSERT_TRUE(Server.WaitForClient());
  Server.Send(ipMessageSystem, {TPacketParam::String("too early")});
  ASSERT_TRUE(WaitUntil([&] { return !Errors.empty(); }));
  EXPECT_EQ(Errors[0], "Error in packet handler, packet type: Message System, error Packet type "
                       "Message System not allowed in state Connecting");
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(Chat->State(), TChatState::csConnecting);
  // The connection stays usable: the seed still logs in.
  Server.Send(ipLoginSeed, {TPacketParam::String("s")});
  EXPECT_TRUE(Server.Take(opLoginResponseGetCharList));
}

TEST_F(EngineTest, MalformedPacketIsReportedAndSkipped) {
  LogIn();
  // A string length of 0x8000 inside a whole payload, then a good packet.
  TBytes bad = TBytes("\0\x24\0\x04", 4) + TBytes("\x80\0ab", 4);
  Server.SendRaw(bad + BuildIncomingFrame(ipMessageSystem, {TPacketParam::String("after")}));
  ASSERT_TRUE(WaitForEvent("System after"));
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0],
            "Malformed packet \"Message System\": length field 0x8000 is 0x8000 or more");
  // A header announcing 0x8000 payload bytes is skipped whole.
  Errors.clear();
  Server.SendRaw(TBytes("\0\x24\x80\0", 4) + TBytes(0x8000, 'z') +
                 BuildIncomingFrame(ipMessageSystem, {TPacketParam::String("again")}));
  ASSERT_TRUE(WaitForEvent("System again"));
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0],
            "Malformed packet \"Message System\": payload length 32768 is 0x8000 or more");
  EXPECT_EQ(Chat->State(), TChatState::csLoggedIn);
}

TEST_F(EngineTest, LoginResultErrorReportsAndDisconnects) {
  Chat->OnLoginError = nullptr; // disconnects even without a handler
  ASSERT_TRUE(Seed());
  Server.Send(ipLoginResultError, {TPacketParam::String("Invalid user name or password")});
  ASSERT_TRUE(WaitForEvent("Disconnect Disconnected"));
  EXPECT_EQ(Chat->State(), TChatState::csDisconnected);
}

TEST_F(EngineTest, SendTellToUncachedNameLooksItUpThenPaces) {
  LogIn();
  // The server answers the lookup after a while; the call waits for it.
  QObject::connect(Server.Socket(), &QTcpSocket::readyRead, Server.Socket(), [this] {
    QTimer::singleShot(20, Server.Socket(), [this] {
      for (const auto& p : Server.Received) {
        if (p.Kind == opNameLookup && p.Params[0].AsString() == "Tyrin" && !Answered) {
          Answered = true;
          Server.Send(ipLookupResult, {TPacketParam::Integer(7), TPacketParam::String("Tyrin")});
        }
        if (p.Kind == opNameLookup && p.Params[0].AsString() == "Nobody" && !AnsweredUnknown) {
          AnsweredUnknown = true;
          Server.Send(ipLookupResult, {TPacketParam::Integer(-1), TPacketParam::String("Nobody")});
        }
      }
    });
  });
  Chat->SendTell("Tyrin", "hello");
  EXPECT_EQ(Server.CountOf(opNameLookup), 1u);
  const auto tell = Server.Take(opMessagePrivate);
  ASSERT_TRUE(tell);
  EXPECT_EQ(tell->Params[0].AsInteger(), 7);

  // Unknown name: the lookup is answered with -1 and nothing more is sent.
  Chat->SendTimer().stop();
  Chat->SendTell("Nobody", "hello");
  EXPECT_EQ(Server.CountOf(opNameLookup), 2u);
  WaitUntil([] { return false; }, 50);
  EXPECT_EQ(Server.CountOf(opMessagePrivate), 1u);
  // The -1 is cached: asking again sends nothing.
  EXPECT_EQ(Chat->NameList().GetID("nobody"), -1);
  EXPECT_EQ(Server.CountOf(opNameLookup), 2u);
}

TEST_F(EngineTest, NameWaitEndsWhenTheConnectionDrops) {
  LogIn();
  QTimer::singleShot(30, Server.Socket(), [this] { Server.Close(); });
  EXPECT_EQ(Chat->NameList().GetID("Ghost"), -1);
  EXPECT_EQ(Server.CountOf(opNameLookup), 1u);
}

TEST_F(EngineTest, NestedNameWaitsBothEnd) {
  LogIn();
  int32_t inner = 0;
  QTimer::singleShot(10, Chat.get(), [&] {
    QTimer::singleShot(30, Chat.get(), [this] {
      Server.Send(ipLookupResult, {TPacketParam::Integer(21), TPacketParam::String("Outer")});
      Server.Send(ipLookupResult, {TPacketParam::Integer(22), TPacketParam::String("Inner")});
    });
    inner = Chat->NameList().GetID("Inner");
  });
  EXPECT_EQ(Chat->NameList().GetID("Outer"), 21);
  EXPECT_TRUE(WaitUntil([&] { return inner == 22; }));
}

TEST_F(EngineTest, NameWaitEndsWhenTheHostAborts) {
  LogIn();
  QTimer::singleShot(20, Chat.get(), [this] { Chat->Abort(); });
  EXPECT_EQ(Chat->NameList().GetID("Ghost"), -1);
}

TEST_F(EngineTest, OutgoingOperationsWriteTheirBytes) {
  LogIn();
  Server.Send(ipClientName, {TPacketParam::Integer(7), TPacketParam::String("Tyrin")});
  Server.Send(ipGroupJoin, {TPacketParam::GroupId(kGeneral), TPacketParam::String("General"),
                            TPacketParam::Integer(0), TPacketParam()});
  ASSERT_TRUE(WaitForEvent("GroupListChange"));
  Chat->IgnoreGroup(0);
  EXPECT_EQ(Server.Take(opGroupDataSet)->Payload, TBytes("\x0A\0\0\0\xFF\x01\x01\0\0\0\x01\0", 12));
  Chat->UnignoreGroup(0);
  EXPECT_EQ(Server.Take(opGroupDataSet)->Payload, TBytes("\x0A\0\0\0\xFF\0\0\0\0\0\x01\0", 12));
  Chat->AddFRiend("Tyrin", false);
  EXPECT_EQ(Server.Take(opFriendAdd)->Payload, Int32(7) + TBytes("\0\x01\0", 3));
  Chat->RemoveFriend("Tyrin");
  EXPECT_EQ(Server.Take(opFriendRemove)->Payload, Int32(7));
  Chat->PrivateGroupInvite("Tyrin");
  Chat->PrivateGroupKick("Tyrin");
  Chat->PrivateGroupJoin("Tyrin");
  Chat->PrivateGroupLeave("Tyrin");
  Chat->PrivateGroupKickAll();
  EXPECT_EQ(Server.Take(opPrivategroupInvite)->Payload, Int32(7));
  EXPECT_EQ(Server.Take(opPrivategroupKick)->Payload, Int32(7));
  EXPECT_EQ(Server.Take(opPrivategroupJoin)->Payload, Int32(7));
  EXPECT_EQ(Server.Take(opPrivategroupPart)->Payload, Int32(7));
  EXPECT_EQ(Server.Take(opPrivategroupKickall)->Payload, "");

  TTextBlob blob;
  blob.Text = "ref";
  Chat->SendTell("Tyrin", "t", &blob);
  const TBytes tellData = Server.Take(opMessagePrivate)->Params[2].AsData();
  EXPECT_EQ(tellData.substr(0, 6), TBytes("\0\0\0\0\xC3\x50", 6));
  Chat->SendTimer().stop();
  Chat->SendGroup2("General", "g", &blob);
  const TBytes groupData = Server.Take(opGroupMessage)->Params[2].AsData();
  EXPECT_EQ(groupData.substr(0, 5), TBytes("\0\0\0\xC3\x50", 5));
  Chat->SendTimer().stop();
  Chat->PrivateGroupMessage("Tyrin", "pg");
  EXPECT_EQ(Server.Take(opPrivategroupMessage)->Params[1].AsString(), "pg");
  // A group name not in the list fails with the list's index error.
  EXPECT_THROW(Chat->SendGroup2("general", "g"), TChatException);
}

TEST(EngineProxy, SetProxyAndGetProxyKeepTheSixValues) {
  TVeyraChat chat;
  chat.SetProxy(true, true, QStringLiteral("127.0.0.1"), QStringLiteral("1080"),
                QStringLiteral("u"), QStringLiteral("p"));
  const TProxySettings expected{true,
                                true,
                                QStringLiteral("127.0.0.1"),
                                QStringLiteral("1080"),
                                QStringLiteral("u"),
                                QStringLiteral("p")};
  EXPECT_EQ(chat.GetProxy(), expected);
}
