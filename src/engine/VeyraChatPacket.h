#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/Bytes.h"
#include "engine/PacketParam.h"

namespace tessra {

// One row of a packet kind table: the wire number, the name used in messages
// and traces, and the parameter string (one letter per parameter).
struct TPacketInfo {
  int32_t Number;
  const char* Name;
  const char* Params;
};

inline constexpr int kIncomingPacketCount = 29;
inline constexpr int kOutgoingPacketCount = 21;

extern const std::array<TPacketInfo, kIncomingPacketCount> IncomingPacketTable;
extern const std::array<TPacketInfo, kOutgoingPacketCount> OutgoingPacketTable;

// Indexes into IncomingPacketTable.
enum TIncomingKind : uint8_t {
  ipUnknown = 0,
  ipLoginSeed = 1,
  ipLoginResultOK = 2,
  ipLoginResultError = 3,
  ipLoginCharacterList = 4,
  ipClientUnknown = 5,
  ipClientName = 6,
  ipLookupResult = 7,
  ipMessagePrivate = 8,
  ipMessageVicinity = 9,
  ipMessageAnonVicinity = 10,
  ipMessageSystem = 11,
  ipOfflineMessage = 12,
  ipFriendAdded = 13,
  ipFriendRemoved = 14,
  ipPrivategroupInvited = 15,
  ipPrivategroupKicked = 16,
  ipPrivategroupPart = 17,
  ipPrivategroupClientJoin = 18,
  ipPrivategroupClientPart = 19,
  ipPrivategroupMessage = 20,
  ipPrivategroupDeclined = 21,
  ipGroupJoin = 22,
  ipGroupPart = 23,
  ipGroupMessage = 24,
  ipPong = 25,
  ipForward = 26,
  ipAdmMuxInfo = 27,
  ipLoginCanceled = 28,
};

// Indexes into OutgoingPacketTable.
enum TOutgoingKind : uint8_t {
  opLoginResponseGetCharList = 0,
  opLoginSelectCharacter = 1,
  opNameLookup = 2,
  opMessagePrivate = 3,
  opFriendAdd = 4,
  opFriendRemove = 5,
  opOnlinestatusSet = 6,
  opPrivategroupInvite = 7,
  opPrivategroupKick = 8,
  opPrivategroupJoin = 9,
  opPrivategroupPart = 10,
  opPrivategroupKickall = 11,
  opPrivategroupClientPart = 12,
  opPrivategroupMessage = 13,
  opGroupDataSet = 14,
  opGroupMessage = 15,
  opGroupClientmodeSet = 16,
  opClientmodeGet = 17,
  opClientmodeSet = 18,
  opPing = 19,
  opCc = 20,
};

// The largest value a length or count field may carry. The fields are
// signed 16-bit numbers on the wire; anything from 0x8000 up makes the packet
// malformed, and such a packet is refused whole rather than read as "empty"
// (which would misread the rest of its payload).
inline constexpr int kMaxFieldLength = 0x7FFF;

// The index of the first incoming row whose number equals the sign-extended
// 16-bit type number; 0 ("Unknown Packet Type") when none matches.
uint8_t IncomingTypeIndex(int32_t typeNumber);
// The same for the outgoing table (used by the server side); -1 when none.
int OutgoingTypeIndex(int32_t typeNumber);

// The text form of a group id: ten upper-case hexadecimal digits.
TBytes GroupIdToText(const TGroupId& id);

// A received packet, read from exactly the payload bytes its header announced.
class TVeyraChatIncomingPacket {
public:
  // Looks up the kind and reads every parameter. Fails with "Logic error, bad
  // param type %s." for a letter without a reading ("Forward"), with "Stream
  // read error" when the payload is shorter than its parameters, and with a
  // malformed-packet message for a length or count of 0x8000 or more.
  TVeyraChatIncomingPacket(int32_t typeNumber, const TBytes& payload);

  uint8_t TypeIndex() const { return Index; }
  const TPacketInfo& Info() const { return IncomingPacketTable[Index]; }
  const std::vector<TPacketParam>& Params() const { return Values; }
  const TPacketParam& Param(size_t index) const;

private:
  uint8_t Index = 0;
  std::vector<TPacketParam> Values;
};

// A packet to send: its kind and its values, in parameter order.
class TVeyraChatOutgoingPacket {
public:
  TVeyraChatOutgoingPacket(uint8_t typeIndex, std::vector<TPacketParam> values);

  uint8_t TypeIndex() const { return Index; }
  const TPacketInfo& Info() const { return OutgoingPacketTable[Index]; }
  const std::vector<TPacketParam>& Params() const { return Values; }

  // The payload. Fails with "Unknown param type %s" for a letter the writer
  // has no form for (i, s, M), and refuses a string or data value, or a whole
  // payload, longer than a length field can announce.
  TBytes BuildPayload() const;
  // Header (type number, payload size, both 2 bytes big-endian) + payload.
  TBytes BuildFrame() const;

private:
  uint8_t Index;
  std::vector<TPacketParam> Values;
};

// The server side of the protocol reads what a client sends and writes what a
// client receives; these build a frame from the incoming table and read a
// payload by the outgoing table, with the same bounds as above.
TBytes BuildIncomingFrame(uint8_t incomingTypeIndex, const std::vector<TPacketParam>& values);
std::vector<TPacketParam> ReadOutgoingPayload(uint8_t outgoingTypeIndex, const TBytes& payload);

} // namespace tessra
