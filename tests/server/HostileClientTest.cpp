#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "ServerTestSupport.h"
#include "common/TickSource.h"
#include "server/ChatServer.h"
#include "server/ServerConfig.h"

using namespace tessra;
using namespace tessra::test;

namespace {

TBytes Header(uint16_t number, uint16_t length) {
  return TBytes{static_cast<char>(number >> 8), static_cast<char>(number & 0xFF),
                static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)};
}

// A server with a byte-rate limit on a clock the test moves, one
// well-behaved engine logged in, and raw clients that misbehave.
class HostileClients : public ::testing::Test {
protected:
  void SetUp() override {
    TServerConfig config = ParseServerConfig(kTestConfig);
    config.MaxBytesPerSecond = Limit;
    config.LoginTimeoutMs = 10000;
    Server = std::make_unique<TChatServer>(std::move(config), TestSecret(), &Ticks);
    ASSERT_TRUE(Server->Listen(QHostAddress::LocalHost, 0));
    Bob = std::make_unique<TEngineClient>(Server->ServerPort(), Server->ServerKeyHex());
    ASSERT_TRUE(Bob->LogIn("b1", "pw2", "Bob"));
  }

  TRawClient& Raw() {
    Raws.push_back(std::make_unique<TRawClient>(Server->ServerPort()));
    return *Raws.back();
  }
  TRawClient& RawAnn() {
    TRawClient& ann = Raw();
    EXPECT_TRUE(ann.LogIn("a1", "pw1", Server->ServerKeyHex(), 101));
    return ann;
  }

  // The well-behaved client still gets its answers.
  void ExpectBobUnaffected() {
    EXPECT_EQ(Bob->Chat->NameList().GetID("Cat"), 301);
    EXPECT_TRUE(Server->IsOnline("Bob"));
  }

  int64_t Limit = 4096;
  TManualTickSource Ticks;
  std::unique_ptr<TChatServer> Server;
  std::unique_ptr<TEngineClient> Bob;
  std::vector<std::unique_ptr<TRawClient>> Raws;
};

TEST_F(HostileClients, BadFramesCloseTheSenderWithAReason) {
  struct TCase {
    const char* Name;
    TBytes Bytes;
    std::string Reason;
  };
  const std::vector<TCase> cases = {
      {"tell before login",
       TVeyraChatOutgoingPacket(
           opMessagePrivate,
           {TPacketParam::Integer(201), TPacketParam::String("hi"), TPacketParam::Data("\x00")})
           .BuildFrame(),
       "Packet type Message Private not allowed in state Awaiting Login; disconnected"},
      {"payload length over 32767", Header(2, 0x8000) + TBytes(16, 'x'),
       "Malformed packet: payload length 32768 is more than 32767; disconnected"},
      {"length 0xFFFF", Header(2, 0xFFFF),
       "Malformed packet: payload length 65535 is more than 32767; disconnected"},
      {"string longer than its payload", Header(2, 8) + TBytes{0, 0, 0, 0, 0x7F, 0x00, 'a', 'b'},
       "Malformed packet \"Login Response GetCharList\": Stream read error; disconnected"},
      {"length field with the top bit", Header(2, 6) + TBytes{0, 0, 0, 0, '\x80', 0},
       "Malformed packet \"Login Response GetCharList\""},
      {"unknown type", Header(0x1234, 0), "Unknown packet type 4660; disconnected"},
      {"garbage login key",
       TVeyraChatOutgoingPacket(opLoginResponseGetCharList,
                                {TPacketParam::Integer(0), TPacketParam::String("a1"),
                                 TPacketParam::String("zz-not-a-key")})
           .BuildFrame(),
       ""},
  };
  for (const auto& c : cases) {
    TRawClient& raw = Raw();
    ASSERT_TRUE(raw.Take(ipLoginSeed)) << c.Name;
    raw.SendRaw(c.Bytes);
    if (c.Reason.empty()) {
      const auto refusal = raw.Take(ipLoginResultError);
      ASSERT_TRUE(refusal) << c.Name;
      EXPECT_EQ(refusal->Params[0].AsString(), "Malformed login key");
    } else {
      EXPECT_EQ(raw.SystemText().substr(0, c.Reason.size()), c.Reason) << c.Name;
    }
    EXPECT_TRUE(raw.WaitClosed()) << c.Name;
  }
  ExpectBobUnaffected();
  EXPECT_TRUE(WaitUntil([&] { return Server->ConnectionCount() == 1; }));
}

TEST_F(HostileClients, RandomBytesNeverHurtTheServer) {
  QRandomGenerator random(42);
  for (int round = 0; round < 20; ++round) {
    TRawClient& raw = Raw();
    TBytes noise(static_cast<size_t>(random.bounded(1, 3000)), '\0');
    for (char& b : noise) {
      b = static_cast<char>(random.bounded(256));
    }
    raw.SendRaw(noise);
  }
  // Truncated frames simply wait for the rest; every other one ends its
  // connection. Either way the well-behaved client carries on.
  ExpectBobUnaffected();
  Raws.clear();
  EXPECT_TRUE(WaitUntil([&] { return Server->ConnectionCount() == 1; }));
}

TEST_F(HostileClients, KindsOutOfOrderAfterTheLogin) {
  TRawClient& ann = RawAnn();
  ann.Send(opLoginSelectCharacter, {TPacketParam::Integer(101)});
  EXPECT_EQ(ann.SystemText(), "Packet type Login Select Character not allowed in state Logged In; "
                              "disconnected");
  EXPECT_TRUE(ann.WaitClosed());
  // Ann's logout is seen by the others at once.
  EXPECT_TRUE(WaitUntil([&] { return !Server->IsOnline("Ann"); }));
  ExpectBobUnaffected();
}

TEST_F(HostileClients, ASelectionOfAnotherAccountsCharacterIsRefused) {
  TRawClient& raw = Raw();
  const auto seed = raw.Take(ipLoginSeed);
  ASSERT_TRUE(seed);
  raw.Send(opLoginResponseGetCharList,
           {TPacketParam::Integer(0), TPacketParam::String("a1"),
            TPacketParam::String(GenLoginKey("a1", seed->Params[0].AsString(), "pw1",
                                             Server->ServerKeyHex(), SystemRandomByte))});
  const auto list = raw.Take(ipLoginCharacterList);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->Params[0].AsIntegerArray(), (std::vector<int32_t>{101, 102}));
  EXPECT_EQ(list->Params[1].AsStringArray(), (std::vector<TBytes>{"Ann", "Abe"}));
  raw.Send(opLoginSelectCharacter, {TPacketParam::Integer(201)});
  const auto refusal = raw.Take(ipLoginResultError);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->Params[0].AsString(), "That character is not on this account");
  EXPECT_TRUE(raw.WaitClosed());
}

TEST_F(HostileClients, AKeyForAnotherSeedIsRefused) {
  TRawClient& raw = Raw();
  ASSERT_TRUE(raw.Take(ipLoginSeed));
  raw.Send(opLoginResponseGetCharList,
           {TPacketParam::Integer(0), TPacketParam::String("a1"),
            TPacketParam::String(GenLoginKey("a1", "an old seed", "pw1", Server->ServerKeyHex(),
                                             SystemRandomByte))});
  const auto refusal = raw.Take(ipLoginResultError);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->Params[0].AsString(), "Malformed login key");
}

TEST_F(HostileClients, AFloodIsCutOffAndTheLimitRefillsWithTime) {
  TRawClient& ann = RawAnn();
  // Well under the limit, with time passing between bursts: fine.
  const TBytes ping =
      TVeyraChatOutgoingPacket(opPing, {TPacketParam::Data(TBytes(96, 'p'))}).BuildFrame();
  for (int second = 0; second < 3; ++second) {
    Ticks.Advance(1000);
    TBytes burst;
    for (int i = 0; i < 30; ++i) {
      burst += ping;
    }
    ann.SendRaw(burst);
    for (int i = 0; i < 30; ++i) {
      ASSERT_TRUE(ann.Take(ipPong)) << second << "/" << i;
    }
  }
  // Far more than the limit at once.
  TBytes flood;
  while (flood.size() < 20000) {
    flood += ping;
  }
  ann.SendRaw(flood);
  EXPECT_EQ(ann.SystemText(), "Flood protection: more than 4096 bytes per second; disconnected");
  EXPECT_TRUE(ann.WaitClosed());
  ExpectBobUnaffected();
}

TEST_F(HostileClients, ALoginThatTakesTooLongIsClosed) {
  TRawClient& idle = Raw();
  ASSERT_TRUE(idle.Take(ipLoginSeed));
  Ticks.Advance(9000);
  Server->Housekeeping();
  EXPECT_TRUE(Server->SessionCount() == 2);
  Ticks.Advance(2000);
  Server->Housekeeping();
  EXPECT_EQ(idle.SystemText(), "Login timed out; disconnected");
  EXPECT_TRUE(idle.WaitClosed());
  // A logged-in client has no such limit.
  ExpectBobUnaffected();
}

// Large packets from a client with no byte-rate limit.
class UnlimitedClients : public HostileClients {
protected:
  UnlimitedClients() { Limit = 0; }
};

TEST_F(UnlimitedClients, OversizedAndMisaddressedMessagesAreRefusedPolitely) {
  TRawClient& ann = RawAnn();
  // The largest group message a client can send does not fit the packet
  // everyone would receive (the sender's id makes it 4 bytes longer).
  const TGroupId general{0x0A, 0, 0, 0, 0x01};
  ann.Send(opGroupMessage, {TPacketParam::GroupId(general),
                            TPacketParam::String(TBytes(32755, 'x')), TPacketParam::Data("\x00")});
  EXPECT_EQ(ann.SystemText(), "Your message is too long");
  ann.Send(opGroupMessage, {TPacketParam::GroupId({1, 2, 3, 4, 5}), TPacketParam::String("hi"),
                            TPacketParam::Data("\x00")});
  EXPECT_EQ(ann.SystemText(), "You are not in that group");
  ann.Send(opMessagePrivate,
           {TPacketParam::Integer(555), TPacketParam::String("hi"), TPacketParam::Data("\x00")});
  EXPECT_EQ(ann.SystemText(), "No such character");
  ann.Send(opFriendAdd, {TPacketParam::Integer(101), TPacketParam::Data("\x01")});
  EXPECT_EQ(ann.SystemText(), "No such character");
  ann.Send(opPrivategroupJoin, {TPacketParam::Integer(201)});
  EXPECT_EQ(ann.SystemText(), "You have not been invited to that private group");
  ann.Send(opNameLookup, {TPacketParam::String(TBytes(32765, 'n'))});
  EXPECT_EQ(ann.SystemText(), "Name too long");
  // Still connected: a ping is answered with its own data.
  ann.Send(opPing, {TPacketParam::Data("\x2A")});
  const auto pong = ann.Take(ipPong);
  ASSERT_TRUE(pong);
  EXPECT_EQ(pong->Params[0].AsData(), "\x2A");
}

TEST_F(HostileClients, EveryIdIsAnnouncedBeforeItIsUsed) {
  TRawClient& ann = RawAnn();
  ann.Send(opFriendAdd, {TPacketParam::Integer(201), TPacketParam::Data("\x01")});
  Bob->Group("General", "hello");
  ann.Send(opNameLookup, {TPacketParam::String("cat")});
  ASSERT_TRUE(ann.Take(ipLookupResult));
  std::set<int32_t> named{101, 102};
  for (const auto& p : ann.Packets) {
    int32_t id = -1;
    if (p.Kind == ipClientName) {
      named.insert(p.Params[0].AsInteger());
      continue;
    }
    if (p.Kind == ipFriendAdded || p.Kind == ipMessagePrivate) {
      id = p.Params[0].AsInteger();
    } else if (p.Kind == ipGroupMessage) {
      id = p.Params[1].AsInteger();
    } else if (p.Kind == ipLookupResult) {
      id = p.Params[0].AsInteger();
      EXPECT_EQ(p.Params[1].AsString(), "Cat");
    }
    if (id != -1) {
      EXPECT_TRUE(named.count(id)) << "id " << id << " used before its name";
    }
  }
  EXPECT_TRUE(named.count(201));
}

} // namespace

namespace {

TEST_F(UnlimitedClients, AClientThatStopsReadingIsDroppedAndOthersCarryOn) {
  TRawClient& ann = RawAnn();
  // Ann stops reading: what the server writes to her piles up.
  QObject::disconnect(&ann.Socket, &QTcpSocket::readyRead, nullptr, nullptr);
  ann.Socket.setReadBufferSize(1);
  ann.Socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);

  auto sender = std::make_unique<TRawClient>(Server->ServerPort());
  ASSERT_TRUE(sender->LogIn("c1", "pw3", Server->ServerKeyHex(), 301));
  const TGroupId general{0x0A, 0, 0, 0, 0x01};
  const TBytes frame =
      TVeyraChatOutgoingPacket(opGroupMessage, {TPacketParam::GroupId(general),
                                                TPacketParam::String(TBytes(30000, 'x')),
                                                TPacketParam::Data("\x00")})
          .BuildFrame();
  int sent = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        if (sent < 2000) {
          sender->SendRaw(frame);
          ++sent;
        }
        return !Server->IsOnline("Ann");
      },
      60000))
      << sent << " messages sent";
  EXPECT_TRUE(Server->IsOnline("Cat"));
  ExpectBobUnaffected();
}

} // namespace
