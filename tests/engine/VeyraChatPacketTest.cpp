#include <gtest/gtest.h>

#include "common/ChatException.h"
#include "engine/ArrStrm.h"
#include "engine/VeyraChatPacket.h"

using namespace tessra;

namespace {

TBytes Hex(const char* hex) {
  TBytes out;
  auto value = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (const char* p = hex; p[0] && p[1];) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    out += static_cast<char>(value(p[0]) * 16 + value(p[1]));
    p += 2;
  }
  return out;
}

std::string ToHex(const TBytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned char c : bytes) {
    if (!s.empty()) {
      s += ' ';
    }
    s += kDigits[c >> 4];
    s += kDigits[c & 15];
  }
  return s;
}

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const TChatException& e) {
    return e.what();
  }
  return "(no exception)";
}

TBytes Str16(const TBytes& s) {
  TBytes out;
  out += static_cast<char>(s.size() >> 8);
  out += static_cast<char>(s.size() & 0xFF);
  return out + s;
}

TBytes Int32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return TBytes{static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8),
                static_cast<char>(u)};
}

} // namespace

TEST(PacketTables, HaveTheirRowsInOrder) {
  ASSERT_EQ(IncomingPacketTable.size(), 29u);
  ASSERT_EQ(OutgoingPacketTable.size(), 21u);
  EXPECT_STREQ(IncomingPacketTable[0].Name, "Unknown Packet Type");
  EXPECT_EQ(IncomingPacketTable[28].Number, 0x5500);
  EXPECT_STREQ(IncomingPacketTable[28].Name, "Login canceled");
  EXPECT_STREQ(IncomingPacketTable[4].Params, "isii");
  EXPECT_STREQ(OutgoingPacketTable[20].Name, "cc");
  EXPECT_STREQ(OutgoingPacketTable[14].Params, "GID");
  EXPECT_EQ(IncomingTypeIndex(0xFFFF), ipUnknown);
  EXPECT_EQ(IncomingTypeIndex(12345), ipUnknown);
  EXPECT_EQ(IncomingTypeIndex(65), ipGroupMessage);
  EXPECT_EQ(IncomingTypeIndex(0x5500), ipLoginCanceled);
}

TEST(ArrayStream, StartsWithOneZeroByteAndGrowsOnWrite) {
  TArrayStream s;
  EXPECT_EQ(s.Data(), TBytes(1, '\0'));
  s.Seek(3);
  s.WriteUInt8(7);
  EXPECT_EQ(s.Data(), Hex("00 00 00 07"));
  s.Seek(1);
  s.WriteInt16BE(0x0102);
  EXPECT_EQ(s.Data(), Hex("00 01 02 07"));
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 2);
  s.Seek(0);
  uint8_t buf[3];
  EXPECT_EQ(s.Read(buf, 3), 2);
  EXPECT_EQ(MessageOf([&] { s.ReadBuffer(buf, 1); }), "Stream read error");
}

TEST(IncomingPacket, ReadsEveryParameterKind) {
  // Group Message: G I S D
  const TBytes payload = Hex("0A 00 00 00 FF") + Int32(-1) + Str16("hi") + Str16("\x01\x02");
  TVeyraChatIncomingPacket p(65, payload);
  ASSERT_EQ(p.TypeIndex(), ipGroupMessage);
  EXPECT_EQ(GroupIdToText(p.Param(0).AsGroupId()), "0A000000FF");
  EXPECT_EQ(p.Param(1).AsInteger(), -1);
  EXPECT_EQ(p.Param(2).AsString(), "hi");
  EXPECT_EQ(p.Param(3).AsData(), "\x01\x02");
  EXPECT_EQ(p.Param(3).LowBound(), 0);
  EXPECT_EQ(p.Param(3).HighBound(), 1);

  // Login CharacterList: i s i i, here with two characters.
  const TBytes list = Hex("00 02") + Int32(11) + Int32(12) + Hex("00 02") + Str16("Ann") +
                      Str16("Bob") + Hex("00 02") + Int32(60) + Int32(61) + Hex("00 02") +
                      Int32(0) + Int32(1);
  TVeyraChatIncomingPacket chars(7, list);
  EXPECT_EQ(chars.Param(0).LowBound(), 1);
  EXPECT_EQ(chars.Param(0).HighBound(), 2);
  EXPECT_EQ(chars.Param(0).IntegerAt(2), 12);
  EXPECT_EQ(chars.Param(1).StringAt(1), "Ann");
  EXPECT_EQ(chars.Param(3).IntegerAt(2), 1);
}

TEST(IncomingPacket, EdgeCasesOfLengthsAndKinds) {
  // Kind 0xFFFF and unknown numbers give kind 0, whose payload is skipped.
  EXPECT_EQ(TVeyraChatIncomingPacket(0xFFFF, "garbage").TypeIndex(), ipUnknown);
  EXPECT_TRUE(TVeyraChatIncomingPacket(999, "").Params().empty());
  // Empty payloads.
  EXPECT_TRUE(TVeyraChatIncomingPacket(5, "").Params().empty());
  EXPECT_TRUE(TVeyraChatIncomingPacket(0x5500, "").Params().empty());
  // D of length 0 is null; S of length 0 is the empty string.
  TVeyraChatIncomingPacket pong(100, Hex("00 00"));
  EXPECT_TRUE(pong.Param(0).IsNull());
  TVeyraChatIncomingPacket system(36, Hex("00 00"));
  EXPECT_EQ(system.Param(0).AsString(), "");
  // Arrays of count 0 have the bounds 1..0.
  TVeyraChatIncomingPacket mux(1100, Hex("00 00 00 00 00 00"));
  EXPECT_EQ(mux.Param(2).LowBound(), 1);
  EXPECT_EQ(mux.Param(2).HighBound(), 0);
  // A string of 8193 bytes is read whole.
  const TBytes big(8193, 'x');
  EXPECT_EQ(TVeyraChatIncomingPacket(36, Str16(big)).Param(0).AsString(), big);
  // Four FF bytes are the id -1.
  EXPECT_EQ(TVeyraChatIncomingPacket(10, Hex("FF FF FF FF")).Param(0).AsInteger(), -1);
  // Surplus bytes are ignored.
  EXPECT_EQ(TVeyraChatIncomingPacket(10, Int32(5) + "extra").Param(0).AsInteger(), 5);
}

struct TBadPayload {
  const char* Name;
  int32_t Type;
  TBytes Payload;
  const char* Message;
};

class IncomingPacketRefuses : public ::testing::TestWithParam<TBadPayload> {};

TEST_P(IncomingPacketRefuses, WithAClearMessage) {
  const TBadPayload& c = GetParam();
  EXPECT_EQ(MessageOf([&] { TVeyraChatIncomingPacket(c.Type, c.Payload); }), c.Message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IncomingPacketRefuses,
    ::testing::Values(
        TBadPayload{"ShortInteger", 10, Hex("00 00 01"), "Stream read error"},
        TBadPayload{"ShortString", 36, Hex("00 05") + "abc", "Stream read error"},
        TBadPayload{"MissingParameter", 30, Int32(1), "Stream read error"},
        TBadPayload{"ShortIntArray", 1100, Hex("00 03 00 00 00 01"), "Stream read error"},
        TBadPayload{"StringLength8000", 36, Hex("80 00") + TBytes(10, 'a'),
                    "Malformed packet \"Message System\": length field 0x8000 is 0x8000 or more"},
        TBadPayload{"DataLengthFFFF", 100, Hex("FF FF"),
                    "Malformed packet \"Pong\": length field 0xFFFF is 0x8000 or more"},
        TBadPayload{"ArrayCount8000", 1100, Hex("80 00"),
                    "Malformed packet \"Adm Mux Info\": length field 0x8000 is 0x8000 or more"},
        TBadPayload{"HugeCountShortData", 7, Hex("7F FF 00 00 00 01"), "Stream read error"},
        TBadPayload{"ForwardHasNoReading", 110, Int32(1) + "rest",
                    "Logic error, bad param type M."}),
    [](const ::testing::TestParamInfo<TBadPayload>& row) { return row.param.Name; });

TEST(OutgoingPacket, BuildsEveryKindTheEngineSends) {
  struct TCase {
    uint8_t Kind;
    std::vector<TPacketParam> Values;
    const char* Frame;
  };
  const TGroupId gid = {0x0A, 0, 0, 0, 0xFF};
  const std::vector<TCase> cases = {
      {opLoginResponseGetCharList,
       {TPacketParam::Integer(0), TPacketParam::String("u"), TPacketParam::String("k")},
       "00 02 00 0A 00 00 00 00 00 01 75 00 01 6B"},
      {opLoginSelectCharacter, {TPacketParam::Integer(7)}, "00 03 00 04 00 00 00 07"},
      {opNameLookup, {TPacketParam::String("Tyrin")}, "00 15 00 07 00 05 54 79 72 69 6E"},
      {opMessagePrivate,
       {TPacketParam::Integer(-1), TPacketParam::String("hi"), TPacketParam::Data(TBytes(1, '\0'))},
       "00 1E 00 0B FF FF FF FF 00 02 68 69 00 01 00"},
      {opFriendAdd,
       {TPacketParam::Integer(2), TPacketParam::Data(TBytes(1, '\1'))},
       "00 28 00 07 00 00 00 02 00 01 01"},
      {opFriendRemove, {TPacketParam::Integer(2)}, "00 29 00 04 00 00 00 02"},
      {opPrivategroupInvite, {TPacketParam::Integer(3)}, "00 32 00 04 00 00 00 03"},
      {opPrivategroupKick, {TPacketParam::Integer(3)}, "00 33 00 04 00 00 00 03"},
      {opPrivategroupJoin, {TPacketParam::Integer(3)}, "00 34 00 04 00 00 00 03"},
      {opPrivategroupPart, {TPacketParam::Integer(3)}, "00 35 00 04 00 00 00 03"},
      {opPrivategroupKickall, {}, "00 36 00 00"},
      {opPrivategroupMessage,
       {TPacketParam::Integer(3), TPacketParam::String(""), TPacketParam()},
       "00 39 00 08 00 00 00 03 00 00 00 00"},
      {opGroupDataSet,
       {TPacketParam::GroupId(gid), TPacketParam::Integer(0x01010000),
        TPacketParam::Data(TBytes(1, '\0'))},
       "00 40 00 0C 0A 00 00 00 FF 01 01 00 00 00 01 00"},
      {opGroupMessage,
       {TPacketParam::GroupId(gid), TPacketParam::String("x"), TPacketParam::Data(TBytes(1, '\0'))},
       "00 41 00 0B 0A 00 00 00 FF 00 01 78 00 01 00"},
      {opPing, {TPacketParam::Data(TBytes(1, '\x2A'))}, "00 64 00 03 00 01 2A"},
  };
  for (const auto& c : cases) {
    TVeyraChatOutgoingPacket p(c.Kind, c.Values);
    const TBytes frame = p.BuildFrame();
    EXPECT_EQ(ToHex(frame), c.Frame) << p.Info().Name;
    // The server side reads back exactly what was written.
    EXPECT_EQ(ReadOutgoingPayload(c.Kind, frame.substr(4)), p.Params()) << p.Info().Name;
  }
}

TEST(OutgoingPacket, RefusesWhatItCannotWrite) {
  EXPECT_EQ(MessageOf([] {
              TVeyraChatOutgoingPacket(opCc, {TPacketParam::StringArray({"a"})}).BuildPayload();
            }),
            "Unknown param type s");
  EXPECT_EQ(MessageOf([] {
              TVeyraChatOutgoingPacket(opNameLookup, {TPacketParam::String(TBytes(40000, 'a'))})
                  .BuildPayload();
            }),
            "Packet \"Name Lookup\" parameter too long: 40000 bytes (at most 32767)");
  EXPECT_EQ(MessageOf([] { TVeyraChatOutgoingPacket(opNameLookup, {}).BuildPayload(); }),
            "Packet \"Name Lookup\" is missing parameter 1");
}

TEST(IncomingFrame, ServerSideWritesArraysTheClientReads) {
  const TBytes frame =
      BuildIncomingFrame(ipLoginCharacterList,
                         {TPacketParam::IntegerArray({1, 2}), TPacketParam::StringArray({"A", "B"}),
                          TPacketParam::IntegerArray({3, 4}), TPacketParam::IntegerArray({0, 1})});
  EXPECT_EQ(ToHex(frame.substr(0, 4)), "00 07 00 26");
  TVeyraChatIncomingPacket p(7, frame.substr(4));
  EXPECT_EQ(p.Param(1).StringAt(2), "B");
  EXPECT_EQ(p.Param(2).IntegerAt(1), 3);
}
