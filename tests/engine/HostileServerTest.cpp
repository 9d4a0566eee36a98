// A server that misbehaves in every way the protocol lets it: packets of every kind in every
// state, lengths at and past the limits, payloads torn at every byte, closes in the middle of
// the login, floods, and blobs that lie about their sizes. The client must stay up, keep its
// lists bounded, report each fault once and either go on or end with OnDisconnect.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "ScriptedServer.h"
#include "common/TickSource.h"
#include "engine/ChatConnection.h"
#include "engine/VeyraBlob.h"
#include "engine/VeyraChat.h"

using namespace tessra;

namespace {

const TGroupId kGroup = {0x03, 0x00, 0x00, 0x00, 0x01};

TBytes Int16(int v) {
  return TBytes{static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}
TBytes Int32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return TBytes{static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8),
                static_cast<char>(u)};
}
// A frame with a header written by hand: any type number, any length field, any payload.
TBytes RawFrame(int typeNumber, int lengthField, const TBytes& payload) {
  return Int16(typeNumber) + Int16(lengthField) + payload;
}
TBytes Frame(uint8_t kind, const std::vector<TPacketParam>& values) {
  return BuildIncomingFrame(kind, values);
}
TBytes SystemFrame(const TBytes& text) {
  return Frame(ipMessageSystem, {TPacketParam::String(text)});
}
QByteArray Q(const TBytes& b) {
  return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

// Plausible values for every parameter of a kind, so each kind can be sent whole.
std::vector<TPacketParam> SampleValues(uint8_t kind) {
  std::vector<TPacketParam> values;
  for (const char* p = IncomingPacketTable[kind].Params; *p != '\0'; ++p) {
    switch (*p) {
    case 'I':
      values.push_back(TPacketParam::Integer(7));
      break;
    case 'S':
      values.push_back(TPacketParam::String("x"));
      break;
    case 'D':
      values.push_back(TPacketParam::Data(TBytes(1, '\1')));
      break;
    case 'G':
      values.push_back(TPacketParam::GroupId(kGroup));
      break;
    case 'i':
      values.push_back(TPacketParam::IntegerArray({7}));
      break;
    case 's':
      values.push_back(TPacketParam::StringArray({"Ann"}));
      break;
    default:
      break;
    }
  }
  return values;
}
TBytes SampleFrame(uint8_t kind) {
  if (kind == ipForward) {
    // Its parameter string has a letter nobody can write or read.
    return RawFrame(IncomingPacketTable[kind].Number, 4, Int32(7));
  }
  return Frame(kind, SampleValues(kind));
}

// The whole login as the server sends it: seed, one-character list, "Login Result OK".
TBytes LoginStream() {
  return Frame(ipLoginSeed, {TPacketParam::String("seed")}) +
         Frame(ipLoginCharacterList,
               {TPacketParam::IntegerArray({101}), TPacketParam::StringArray({"Ann"}),
                TPacketParam::IntegerArray({60}), TPacketParam::IntegerArray({1})}) +
         Frame(ipLoginResultOK, {});
}

// An engine on an in-memory connection with every event recorded as text.
class HostileServerTest : public ::testing::Test {
protected:
  void SetUp() override { Reset(); }

  void Reset() {
    Chat.reset();
    auto connection = std::make_unique<TMemoryChatConnection>();
    Memory = connection.get();
    Chat = std::make_unique<TVeyraChat>(nullptr, &Ticks, std::move(connection));
    Dimension.Host = QStringLiteral("127.0.0.1");
    Dimension.Port = 7105;
    Chat->Dimension = &Dimension;
    Chat->UserName = "demo1";
    Chat->Password = "secret";
    Events.clear();
    Errors.clear();
    Disconnects = 0;
    Chat->OnConnect = [this](TVeyraChat& c) {
      Events.push_back("Connect");
      if (AutoSelect) {
        c.Login2("Ann");
      }
    };
    Chat->OnLogin = [this](TVeyraChat&) { Events.push_back("Login"); };
    Chat->OnLoginError = [this](TVeyraChat&, const TBytes& m) {
      Events.push_back("LoginError " + m);
    };
    Chat->OnDisconnect = [this](TVeyraChat& c) {
      ++Disconnects;
      Events.push_back("Disconnect " + ChatStateName(c.State()).toStdString());
    };
    Chat->OnException = [this](TVeyraChat&, const std::exception& e) {
      Errors.push_back(e.what());
    };
    Chat->OnSystemMessage = [this](TVeyraChat&, const TBytes& m) {
      Events.push_back("System " + m.substr(0, 40));
    };
    Chat->OnPrivateMessage = [this](TVeyraChat&, const TBytes& who, const TBytes& m,
                                    const TBlob* blob) {
      Events.push_back("Private " + who + ": " + m + (blob ? " +" + blob->ClassName() : ""));
      LastBlob = blob ? blob->ClassName() : std::string();
    };
    Chat->OnGroupMessage = [this](TVeyraChat&, int idx, const TBytes& who, const TBytes& m,
                                  const TBlob*) {
      ++GroupMessages;
      if (GroupMessages <= 3) {
        Events.push_back("Group " + std::to_string(idx) + " " + who + ": " + m);
      }
    };
    Chat->OnOfflinePrivMessage = [this](TVeyraChat&, const TBytes&, const TBytes&,
                                        const TStringsBlob* blob) {
      Events.push_back("Offline " + std::to_string(blob->Strings.size()));
    };
    GroupMessages = 0;
  }

  // Lets the follow-up passes the engine schedules for itself run, until none is left.
  void Pump() {
    for (int i = 0; i < 5 || (Chat->PassPending() && i < 100000); ++i) {
      QCoreApplication::processEvents();
    }
    ASSERT_FALSE(Chat->PassPending());
  }
  void Feed(const TBytes& bytes) {
    Memory->Feed(Q(bytes));
    Pump();
  }
  // The close is reported; the send timer then completes the disconnect.
  void PeerCloseAndFinish() {
    Memory->PeerClose();
    FinishDisconnect();
  }
  // Ends whatever is left of the connection.
  void EndConnection() {
    if (Memory->IsConnected()) {
      Memory->PeerClose();
    }
    FinishDisconnect();
  }
  void FinishDisconnect() {
    if (Chat->State() == TChatState::csDisconnecting) {
      Chat->TimerEvent();
    }
  }
  void LogIn() {
    Chat->Connect();
    Feed(LoginStream());
    ASSERT_EQ(Chat->State(), TChatState::csLoggedIn);
    ASSERT_TRUE(Errors.empty());
    Events.clear();
  }
  // Brings a fresh engine to the state.
  void Reach(TChatState state) {
    AutoSelect = false;
    if (state == TChatState::csDisconnected) {
      return;
    }
    Chat->Connect();
    if (state == TChatState::csConnecting) {
      return;
    }
    Feed(Frame(ipLoginSeed, {TPacketParam::String("seed")}));
    if (state == TChatState::csAwaitingAuthorization) {
      return;
    }
    Feed(Frame(ipLoginCharacterList,
               {TPacketParam::IntegerArray({101}), TPacketParam::StringArray({"Ann"}),
                TPacketParam::IntegerArray({60}), TPacketParam::IntegerArray({1})}));
    if (state == TChatState::csReadyForLogin) {
      return;
    }
    Chat->Login2("Ann");
    if (state == TChatState::csAwaitingLoginResult) {
      return;
    }
    Feed(Frame(ipLoginResultOK, {}));
    if (state == TChatState::csLoggedIn) {
      return;
    }
    Memory->PeerClose(); // Disconnecting, until the send timer fires
  }
  // The type numbers of the packets the client wrote, in order.
  std::vector<int> WrittenKinds() const {
    std::vector<int> kinds;
    const QByteArray& w = Memory->Written;
    const auto b = [&w](qsizetype i) { return static_cast<uint8_t>(w[i]); };
    for (qsizetype at = 0; at + 4 <= w.size(); at += 4 + ((b(at + 2) << 8) | b(at + 3))) {
      kinds.push_back((b(at) << 8) | b(at + 1));
    }
    return kinds;
  }

  TManualTickSource Ticks;
  TDimensionInfo Dimension;
  std::unique_ptr<TVeyraChat> Chat;
  TMemoryChatConnection* Memory = nullptr;
  bool AutoSelect = true;
  std::vector<std::string> Events;
  std::vector<std::string> Errors;
  std::string LastBlob;
  int Disconnects = 0;
  int GroupMessages = 0;
};

// ------------------------------------------------------------ every kind in every state

TEST_F(HostileServerTest, EveryKindInEveryStateIsHandledOrRefusedOnceAndTheConnectionGoesOn) {
  const TChatState states[] = {TChatState::csDisconnected,          TChatState::csConnecting,
                               TChatState::csAwaitingAuthorization, TChatState::csReadyForLogin,
                               TChatState::csAwaitingLoginResult,   TChatState::csLoggedIn,
                               TChatState::csDisconnecting};
  for (const TChatState state : states) {
    for (uint8_t kind = 0; kind < kIncomingPacketCount; ++kind) {
      const std::string where =
          ChatStateName(state).toStdString() + " / " + IncomingPacketTable[kind].Name;
      SCOPED_TRACE(where);
      Reset();
      Reach(state);
      ASSERT_EQ(Chat->State(), state);
      Events.clear();
      const bool reading = Memory->IsConnected();
      Feed(SampleFrame(kind));

      if (!reading) {
        // Nothing is read from a connection that is gone (the disconnect may complete).
        EXPECT_TRUE(Errors.empty());
        EXPECT_TRUE(Events.empty() ||
                    Events == std::vector<std::string>{"Disconnect Disconnected"});
      } else if (kind == ipForward) {
        // Its parameters cannot be read, whatever the state.
        ASSERT_EQ(Errors.size(), 1u);
        EXPECT_NE(Errors[0].find("bad param type M"), std::string::npos) << Errors[0];
        EXPECT_EQ(Chat->State(), state);
      } else if (!IncomingAllowed(state, kind)) {
        ASSERT_EQ(Errors.size(), 1u);
        EXPECT_NE(Errors[0].find("not allowed in state " + ChatStateName(state).toStdString()),
                  std::string::npos)
            << Errors[0];
        EXPECT_EQ(Chat->State(), state);
        EXPECT_TRUE(Memory->IsConnected());
      } else {
        EXPECT_TRUE(Errors.empty()) << Errors[0];
      }

      // The connection either goes on (a packet of the next step still works) or ends with
      // exactly one OnDisconnect and the Disconnected state.
      if (Memory->IsConnected()) {
        Errors.clear();
        Feed(state == TChatState::csLoggedIn
                 ? SystemFrame("still here")
                 : Frame(ipLoginResultError, {TPacketParam::String("bye")}));
        if (Chat->State() == TChatState::csLoggedIn) {
          EXPECT_EQ(Events.back(), "System still here");
        }
      }
      EndConnection();
      EXPECT_EQ(Chat->State(), TChatState::csDisconnected);
      EXPECT_EQ(Disconnects, state == TChatState::csDisconnected ? 0 : 1);
      EXPECT_EQ(Chat->QueuedPackets(), 0u);
      EXPECT_EQ(Chat->NameList().Count(), 0);
    }
  }
}

// ---------------------------------------------------------------- lengths at the limits

struct TLengthCase {
  const char* Name;
  TBytes Frame;
  const char* Error; // empty: handled without a fault
  std::string Event; // the event it gives, or empty
};

TEST_F(HostileServerTest, LengthsAndCountsAtAndPastTheLimits) {
  const TBytes longText(0x7FFD, 'a');
  const TLengthCase cases[] = {
      {"empty payload of a kind with parameters", RawFrame(36, 0, {}), "Stream read error", ""},
      {"empty string", SystemFrame(""), "", "System "},
      {"payload of 0x7FFF", SystemFrame(longText), "", "System " + std::string(40, 'a')},
      {"payload length 0x8000", RawFrame(36, 0x8000, TBytes(0x8000, 'b')),
       "payload length 32768 is 0x8000 or more", ""},
      {"payload length 0xFFFF", RawFrame(36, 0xFFFF, TBytes(0xFFFF, 'b')),
       "payload length 65535 is 0x8000 or more", ""},
      {"string length 0x8000", RawFrame(36, 4, Int16(0x8000) + "ab"), "length field 0x8000", ""},
      {"string length 0xFFFF", RawFrame(36, 4, Int16(0xFFFF) + "ab"), "length field 0xFFFF", ""},
      {"string longer than its payload", RawFrame(36, 4, Int16(100) + "ab"), "Stream read error",
       ""},
      {"data length 0x8000", RawFrame(30, 4 + 3 + 2, Int32(101) + Int16(1) + "h" + Int16(0x8000)),
       "length field 0x8000", ""},
      {"data length 0", RawFrame(30, 4 + 3 + 2, Int32(101) + Int16(1) + "h" + Int16(0)), "",
       "Private Ann: h"},
      {"integer array count 0x8000", RawFrame(1100, 2, Int16(0x8000)), "length field 0x8000", ""},
      {"integer array count past the payload", RawFrame(1100, 6, Int16(0x7FFF) + Int32(1)),
       "Stream read error", ""},
      {"unknown type numbers 0xFFFF and 0x8000 are skipped",
       RawFrame(0xFFFF, 3, "xyz") + RawFrame(0x8000, 0, {}), "", ""},
      {"surplus payload bytes are dropped", RawFrame(36, 5, Int16(1) + "abc"), "", "System a"},
  };
  for (const TLengthCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Reset();
    LogIn();
    Feed(c.Frame + SystemFrame("next"));
    if (*c.Error == '\0') {
      EXPECT_TRUE(Errors.empty()) << Errors[0];
    } else {
      ASSERT_EQ(Errors.size(), 1u);
      EXPECT_NE(Errors[0].find(c.Error), std::string::npos) << Errors[0];
    }
    // The fault is reported once and the stream stays in step: the next packet arrives.
    ASSERT_FALSE(Events.empty());
    EXPECT_EQ(Events.back(), "System next");
    if (!c.Event.empty()) {
      ASSERT_EQ(Events.size(), 2u);
      EXPECT_EQ(Events[0], c.Event);
    }
    EXPECT_EQ(Chat->State(), TChatState::csLoggedIn);
    EXPECT_EQ(Memory->Buffered(), 0);
  }
}

TEST_F(HostileServerTest, CharacterListThatClaimsTenThousandCharacters) {
  Reach(TChatState::csAwaitingAuthorization);
  // Ten thousand characters never fit in one packet: the count lies about the bytes present.
  const TBytes lying = Int16(10000) + Int32(1) + Int32(2);
  Feed(RawFrame(7, static_cast<int>(lying.size()), lying));
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("Stream read error"), std::string::npos) << Errors[0];
  EXPECT_EQ(Chat->CharList().Count(), 0);
  EXPECT_EQ(Chat->State(), TChatState::csAwaitingAuthorization);

  // Arrays of different lengths are refused whole.
  Errors.clear();
  Feed(Frame(ipLoginCharacterList,
             {TPacketParam::IntegerArray({1, 2}), TPacketParam::StringArray({"A"}),
              TPacketParam::IntegerArray({1, 2}), TPacketParam::IntegerArray({1, 2})}));
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("differ in length"), std::string::npos) << Errors[0];
  EXPECT_EQ(Chat->CharList().Count(), 0);

  // As many characters as one packet holds (one-letter names: 15 bytes each) all arrive.
  Errors.clear();
  const int count = (kMaxFieldLength - 8) / 15;
  std::vector<int32_t> ids, numbers, flags;
  std::vector<TBytes> names;
  for (int k = 0; k < count; ++k) {
    ids.push_back(1000 + k);
    names.push_back(TBytes(1, static_cast<char>('A' + k % 26)));
    numbers.push_back(k);
    flags.push_back(k % 2);
  }
  Feed(Frame(ipLoginCharacterList,
             {TPacketParam::IntegerArray(ids), TPacketParam::StringArray(names),
              TPacketParam::IntegerArray(numbers), TPacketParam::IntegerArray(flags)}));
  EXPECT_TRUE(Errors.empty());
  EXPECT_EQ(Chat->CharList().Count(), count);
  EXPECT_EQ(Chat->State(), TChatState::csReadyForLogin);
  EXPECT_EQ(std::count(Events.begin(), Events.end(), "Connect"), 1);
}

// ------------------------------------------------------------------ torn and closed streams

// The login and a few messages, whole.
TBytes SessionStream() {
  return LoginStream() +
         Frame(ipGroupJoin, {TPacketParam::GroupId(kGroup), TPacketParam::String("OOC"),
                             TPacketParam::Integer(0), TPacketParam::Data(TBytes(1, '\0'))}) +
         Frame(ipClientName, {TPacketParam::Integer(202), TPacketParam::String("Bob")}) +
         Frame(ipMessagePrivate, {TPacketParam::Integer(202), TPacketParam::String("hello"),
                                  TPacketParam::Data(TBytes(1, '\0'))}) +
         Frame(ipGroupMessage, {TPacketParam::GroupId(kGroup), TPacketParam::Integer(202),
                                TPacketParam::String("all"), TPacketParam::Data({})}) +
         SystemFrame("done");
}

TEST_F(HostileServerTest, AStreamTornAtEveryByteGivesTheSameEvents) {
  const TBytes stream = SessionStream();
  Chat->Connect();
  Feed(stream);
  ASSERT_TRUE(Errors.empty());
  const std::vector<std::string> whole = Events;
  const std::vector<int> written = WrittenKinds();
  ASSERT_EQ(whole.back(), "System done");

  for (size_t cut = 1; cut < stream.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    Reset();
    Chat->Connect();
    Feed(stream.substr(0, cut));
    Feed(stream.substr(cut));
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(Events, whole);
    EXPECT_EQ(WrittenKinds(), written);
  }

  // And one byte at a time.
  Reset();
  Chat->Connect();
  for (const char c : stream) {
    Feed(TBytes(1, c));
  }
  EXPECT_TRUE(Errors.empty());
  EXPECT_EQ(Events, whole);
}

TEST_F(HostileServerTest, ACloseAtEveryByteOfTheLoginEndsWithOneDisconnect) {
  const TBytes stream = LoginStream();
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    SCOPED_TRACE("close after " + std::to_string(cut) + " bytes");
    Reset();
    Chat->Connect();
    Feed(stream.substr(0, cut));
    PeerCloseAndFinish();
    EXPECT_TRUE(Errors.empty()) << Errors[0];
    EXPECT_EQ(Chat->State(), TChatState::csDisconnected);
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(Events.back(), "Disconnect Disconnected");
    EXPECT_EQ(Chat->CharList().Count(), 0);
    EXPECT_EQ(Chat->NameList().Count(), 0);
    EXPECT_FALSE(Chat->KeepAliveTimer().isActive());
    // The engine can connect again afterwards and log in whole.
    Events.clear();
    Disconnects = 0;
    Chat->Connect();
    Feed(stream);
    EXPECT_EQ(Chat->State(), TChatState::csLoggedIn);
    EXPECT_TRUE(Errors.empty());
  }
}

// ---------------------------------------------------------------------------- floods

TEST_F(HostileServerTest, FloodOfAHundredThousandGroupMessages) {
  LogIn();
  Feed(Frame(ipGroupJoin, {TPacketParam::GroupId(kGroup), TPacketParam::String("OOC"),
                           TPacketParam::Integer(0), TPacketParam::Data({})}) +
       Frame(ipClientName, {TPacketParam::Integer(202), TPacketParam::String("Bob")}));
  const TBytes one =
      Frame(ipGroupMessage,
            {TPacketParam::GroupId(kGroup), TPacketParam::Integer(202),
             TPacketParam::String("spam spam spam"), TPacketParam::Data(TBytes(1, '\0'))});
  constexpr int kCount = 100000;
  // Arrives the way a socket delivers it: in 64 KiB pieces that cut packets anywhere.
  TBytes chunk;
  int sent = 0;
  while (sent < kCount) {
    while (sent < kCount && chunk.size() < 65536) {
      chunk += one;
      ++sent;
    }
    const size_t piece = std::min<size_t>(chunk.size(), 65536);
    Feed(chunk.substr(0, piece));
    chunk.erase(0, piece);
  }
  Feed(chunk);
  EXPECT_TRUE(Errors.empty());
  EXPECT_EQ(GroupMessages, kCount);
  EXPECT_EQ(Events[0], "Group 0 Bob: spam spam spam");
  // Nothing piles up anywhere.
  EXPECT_EQ(Memory->Buffered(), 0);
  EXPECT_EQ(Chat->QueuedPackets(), 0u);
  EXPECT_EQ(Chat->GroupList().Count(), 1);
  EXPECT_EQ(Chat->NameList().Count(), 2);
  EXPECT_EQ(Chat->State(), TChatState::csLoggedIn);
}

TEST_F(HostileServerTest, ABurstInOnePieceLetsTheEventLoopRunBetweenSlices) {
  LogIn();
  Feed(Frame(ipClientName, {TPacketParam::Integer(202), TPacketParam::String("Bob")}));
  Events.clear();
  constexpr int kCount = 5000;
  TBytes burst;
  for (int i = 0; i < kCount; ++i) {
    burst += Frame(ipMessagePrivate,
                   {TPacketParam::Integer(202), TPacketParam::String("m" + std::to_string(i)),
                    TPacketParam::Data({})});
  }
  Memory->Feed(Q(burst));
  // The first slice is handled at once, the rest is left for later passes ...
  const size_t first = Events.size();
  EXPECT_GT(first, 0u);
  EXPECT_LT(first, static_cast<size_t>(kCount) / 2);
  EXPECT_TRUE(Chat->PassPending());
  // ... so something else waiting in the event loop (a repaint, a key press) runs before
  // the burst is done.
  size_t seenByTimer = 0;
  QTimer::singleShot(0, [&] { seenByTimer = Events.size(); });
  Pump();
  EXPECT_GT(seenByTimer, 0u);
  EXPECT_LT(seenByTimer, static_cast<size_t>(kCount));
  // Nothing lost, nothing out of order.
  ASSERT_EQ(Events.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; i += 997) {
    EXPECT_EQ(Events[static_cast<size_t>(i)], "Private Bob: m" + std::to_string(i));
  }
  EXPECT_EQ(Memory->Buffered(), 0);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(HostileServerTest, ATornPacketWaitsForItsRestWithoutPostingPasses) {
  LogIn();
  Feed(Frame(ipClientName, {TPacketParam::Integer(202), TPacketParam::String("Bob")}));
  const TBytes tell =
      Frame(ipMessagePrivate, {TPacketParam::Integer(202), TPacketParam::String(TBytes(20000, 'x')),
                               TPacketParam::Data({})});
  Events.clear();
  // A whole header and half the payload: nothing to handle until the rest comes, and no
  // pass is posted in the meantime (it would spin the event loop).
  Memory->Feed(Q(tell.substr(0, tell.size() / 2)));
  EXPECT_FALSE(Chat->PassPending());
  QCoreApplication::processEvents();
  EXPECT_FALSE(Chat->PassPending());
  EXPECT_TRUE(Events.empty());
  Feed(tell.substr(tell.size() / 2));
  ASSERT_EQ(Events.size(), 1u);
  EXPECT_EQ(Events[0].size(), std::string("Private Bob: ").size() + 20000);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(HostileServerTest, ClientNameThatReannouncesAnIdWithAnotherName) {
  LogIn();
  TBytes announcements;
  for (int i = 0; i < 10000; ++i) {
    announcements += Frame(ipClientName, {TPacketParam::Integer(202), TPacketParam::String("Bob")});
  }
  Feed(announcements);
  // Repeating an announcement does not grow the cache.
  EXPECT_EQ(Chat->NameList().Count(), 2);

  // The newest announcement of an id is the name shown for it.
  Feed(Frame(ipClientName, {TPacketParam::Integer(202), TPacketParam::String("Mallory")}) +
       Frame(ipMessagePrivate,
             {TPacketParam::Integer(202), TPacketParam::String("hi"), TPacketParam::Data({})}));
  ASSERT_FALSE(Events.empty());
  EXPECT_EQ(Events.back(), "Private Mallory: hi");
  EXPECT_EQ(Chat->NameList().Count(), 2);
  EXPECT_EQ(Chat->NameList().IndexOf("Bob"), -1);
  EXPECT_EQ(Chat->CharList().Count(), 1);
  EXPECT_TRUE(Errors.empty());
}

// ------------------------------------------------------------------------------ blobs

struct TBlobCase {
  const char* Name;
  TBytes Data;
  const char* Blob; // the class the message arrives with
};

TEST_F(HostileServerTest, BlobsWhoseDeclaredLengthsRunPastTheEnd) {
  const TBytes textHead = TBytes(2, '\0') + Int32(50000) + Int32(0) + Int32(0);
  const TBlobCase cases[] = {
      {"text blob, whole", textHead + Int32(3) + "abc", "TTextBlob"},
      {"text blob claiming 2 GiB of text", textHead + Int32(0x7FFFFFFF) + "abc", "TUnknownBlob"},
      {"text blob with a negative length", textHead + Int32(-5) + "abc", "TUnknownBlob"},
      {"text blob one byte short", textHead + Int32(4) + "abc", "TUnknownBlob"},
      {"text blob cut inside its header", TBytes(2, '\0') + Int32(50000) + Int32(0),
       "TUnknownBlob"},
      {"voice blob, whole", TBytes("\0\x01\x01\x01\0\x01q\0\x01s", 10), "TVoiceBlob"},
      {"voice blob with a 255-byte qualifier of 3", TBytes("\0\x01\x01\x01\0\xFF", 6) + "abc",
       "TUnknownBlob"},
      {"voice blob cut before its sound", TBytes("\0\x01\x01\x01\0\x01q", 7), "TUnknownBlob"},
      {"item-sized blob of zeros", TBytes(18, '\0'), "TItemBlob"},
      {"item blob one byte short", TBytes(17, '\0'), "TUnknownBlob"},
  };
  for (const TBlobCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Reset();
    LogIn();
    Feed(Frame(ipMessagePrivate, {TPacketParam::Integer(101), TPacketParam::String("m"),
                                  TPacketParam::Data(c.Data)}) +
         SystemFrame("next"));
    // The message is shown; extra content that does not add up is kept as raw data, never
    // read past its end.
    EXPECT_TRUE(Errors.empty()) << Errors[0];
    ASSERT_EQ(Events.size(), 2u);
    EXPECT_EQ(LastBlob, c.Blob);
    EXPECT_EQ(Events.back(), "System next");
  }

  // An offline list whose last string runs past the end is reported once (the messages are not
  // silently lost); the list after it arrives.
  Reset();
  LogIn();
  const TBytes strings = TBytes("S") + Int16(3) + "abc" + "S" + Int16(0xFFFF) + "de";
  Feed(Frame(ipOfflineMessage, {TPacketParam::Integer(1), TPacketParam::Integer(2),
                                TPacketParam::Integer(3), TPacketParam::Data(strings)}) +
       Frame(ipOfflineMessage,
             {TPacketParam::Integer(1), TPacketParam::Integer(2), TPacketParam::Integer(3),
              TPacketParam::Data(TBytes("S") + Int16(3) + "abc")}));
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("Offline Message"), std::string::npos) << Errors[0];
  ASSERT_EQ(Events.size(), 1u);
  EXPECT_EQ(Events[0], "Offline 1");
}

// ---------------------------------------------------------------- an unanswered lookup

TEST_F(HostileServerTest, UnansweredLookupEndsWhenTheHostClosesOrTheServerHangsUp) {
  for (const bool hostCloses : {true, false}) {
    SCOPED_TRACE(hostCloses ? "host closes" : "server hangs up");
    Reset();
    LogIn();
    const qsizetype writtenBefore = Memory->Written.size();
    bool returned = false;
    QTimer::singleShot(0, Chat.get(), [&] {
      // The server never answers; meanwhile the user closes the window (or the line drops).
      QTimer::singleShot(0, Chat.get(), [&] {
        // Messages still arrive during the wait.
        Memory->Feed(Q(SystemFrame("during the wait")));
        if (hostCloses) {
          Chat->Abort();
        } else {
          Memory->PeerClose();
        }
      });
      Chat->SendTell("Nobody", "hello?");
      returned = true;
    });
    ASSERT_TRUE(tessra::test::WaitUntil([&] { return returned; }, 5000));
    EXPECT_EQ(Events.front(), "System during the wait");
    // Only the lookup went out; the tell was dropped, not sent to a made-up id.
    EXPECT_EQ(Memory->Written.mid(writtenBefore), Q(RawFrame(21, 8, Int16(6) + "Nobody")));
    EXPECT_EQ(Chat->QueuedPackets(), 0u);
    EXPECT_TRUE(Errors.empty()) << Errors[0];
    FinishDisconnect();
    if (!hostCloses) {
      EXPECT_EQ(Chat->State(), TChatState::csDisconnected);
      EXPECT_EQ(Disconnects, 1);
    }
  }
}

// ------------------------------------------------------------------- over a real socket

TEST(HostileServerTcpTest, AFloodWithAMalformedPacketAndACloseMidPacket) {
  tessra::test::TScriptedServer server;
  TManualTickSource ticks;
  TVeyraChat chat(nullptr, &ticks);
  TDimensionInfo dimension;
  dimension.Host = QStringLiteral("127.0.0.1");
  dimension.Port = server.Port();
  chat.Dimension = &dimension;
  chat.UserName = "demo1";
  chat.Password = "secret";
  int groupMessages = 0;
  int disconnects = 0;
  std::vector<std::string> errors;
  chat.OnConnect = [](TVeyraChat& c) { c.Login2("Ann"); };
  chat.OnGroupMessage = [&](TVeyraChat&, int, const TBytes&, const TBytes&, const TBlob*) {
    ++groupMessages;
  };
  chat.OnDisconnect = [&](TVeyraChat&) { ++disconnects; };
  chat.OnException = [&](TVeyraChat&, const std::exception& e) { errors.push_back(e.what()); };

  chat.Connect();
  ASSERT_TRUE(server.WaitForClient());
  server.Send(ipLoginSeed, {TPacketParam::String("seed")});
  ASSERT_TRUE(server.Take(opLoginResponseGetCharList));
  server.Send(ipLoginCharacterList,
              {TPacketParam::IntegerArray({101}), TPacketParam::StringArray({"Ann"}),
               TPacketParam::IntegerArray({60}), TPacketParam::IntegerArray({1})});
  ASSERT_TRUE(server.Take(opLoginSelectCharacter));
  server.Send(ipLoginResultOK, {});
  ASSERT_TRUE(tessra::test::WaitUntil([&] { return chat.State() == TChatState::csLoggedIn; }));

  const TBytes one =
      Frame(ipGroupMessage, {TPacketParam::GroupId(kGroup), TPacketParam::Integer(101),
                             TPacketParam::String("x"), TPacketParam::Data({})});
  TBytes flood;
  for (int i = 0; i < 20000; ++i) {
    flood += one;
    if (i == 10000) {
      flood += RawFrame(36, 4, Int16(0x8000) + "ab"); // one malformed packet in the middle
    }
  }
  flood += one.substr(0, one.size() / 2); // and the last one cut off by the close
  server.SendRaw(flood);
  ASSERT_TRUE(tessra::test::WaitUntil([&] { return groupMessages == 20000; }, 30000))
      << groupMessages;
  server.Close();
  ASSERT_TRUE(tessra::test::WaitUntil([&] { return disconnects > 0; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(disconnects, 1);
  EXPECT_EQ(chat.State(), TChatState::csDisconnected);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("length field 0x8000"), std::string::npos) << errors[0];
  EXPECT_EQ(chat.QueuedPackets(), 0u);
  EXPECT_EQ(chat.NameList().Count(), 0);
}

} // namespace
