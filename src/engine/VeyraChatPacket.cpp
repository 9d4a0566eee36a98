#include "engine/VeyraChatPacket.h"

#include <cstdio>

#include "common/ChatException.h"
#include "engine/ArrStrm.h"

namespace tessra {

const std::array<TPacketInfo, kIncomingPacketCount> IncomingPacketTable = {{
    {-1, "Unknown Packet Type", ""},
    {0, "Login Seed", "S"},
    {5, "Login Result OK", ""},
    {6, "Login Result Error", "S"},
    {7, "Login CharacterList", "isii"},
    {10, "Client Unknown", "I"},
    {20, "Client Name", "IS"},
    {21, "Lookup Result", "IS"},
    {30, "Message Private", "ISD"},
    {34, "Message Vicinity", "ISD"},
    {35, "Message Anon Vicinity", "SSD"},
    {36, "Message System", "S"},
    {37, "Offline Message", "IIID"},
    {40, "Friend Added", "IID"},
    {41, "Friend Removed", "I"},
    {50, "Privategroup Invited", "I"},
    {51, "Privategroup Kicked", "I"},
    {53, "Privategroup Part", "I"},
    {55, "Privategroup Client Join", "II"},
    {56, "Privategroup Client Part", "II"},
    {57, "Privategroup Message", "IISD"},
    {58, "Privategroup Declined", "II"},
    {60, "Group Join", "GSID"},
    {61, "Group Part", "G"},
    {65, "Group Message", "GISD"},
    {100, "Pong", "D"},
    {110, "Forward", "IM"},
    {1100, "Adm Mux Info", "iii"},
    {21760, "Login canceled", ""},
}};

const std::array<TPacketInfo, kOutgoingPacketCount> OutgoingPacketTable = {{
    {2, "Login Response GetCharList", "ISS"},
    {3, "Login Select Character", "I"},
    {21, "Name Lookup", "S"},
    {30, "Message Private", "ISD"},
    {40, "Friend Add", "ID"},
    {41, "Friend Remove", "I"},
    {42, "Onlinestatus Set", "I"},
    {50, "Privategroup Invite", "I"},
    {51, "Privategroup Kick", "I"},
    {52, "Privategroup Join", "I"},
    {53, "Privategroup Part", "I"},
    {54, "Privategroup Kickall", ""},
    {56, "Privategroup Client Part", "II"},
    {57, "Privategroup Message", "ISD"},
    {64, "Group Data Set", "GID"},
    {65, "Group Message", "GSD"},
    {66, "Group Clientmode Set", "GIIII"},
    {70, "Clientmode Get", "IG"},
    {71, "Clientmode Set", "IIII"},
    {100, "Ping", "D"},
    {120, "cc", "s"},
}};

namespace {

// Sign-extends a header type number the way the wire's signed 16-bit field
// reads: 0xFFFF is -1.
int32_t SignExtend16(int32_t number) {
  return static_cast<int16_t>(static_cast<uint16_t>(number & 0xFFFF));
}

// A length or count field; 0x8000 and above is refused.
int ReadLength(TArrayStream& in, const char* kindName) {
  const uint16_t raw = in.ReadUInt16BE();
  if (raw > kMaxFieldLength) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", raw);
    throw TChatException(FormatMessage("Malformed packet \"%s\": length field %s is 0x8000 or more",
                                       {kindName, hex}));
  }
  return raw;
}

std::vector<TPacketParam> ReadParams(const TPacketInfo& info, const TBytes& payload) {
  TArrayStream in(payload);
  std::vector<TPacketParam> values;
  values.reserve(std::char_traits<char>::length(info.Params));
  for (const char* p = info.Params; *p != '\0'; ++p) {
    switch (*p) {
    case 'D': {
      const int n = ReadLength(in, info.Name);
      values.push_back(n == 0 ? TPacketParam() : TPacketParam::Data(in.ReadBytes(n)));
      break;
    }
    case 'G': {
      TGroupId id{};
      in.ReadBuffer(id.data(), 5);
      values.push_back(TPacketParam::GroupId(id));
      break;
    }
    case 'I':
      values.push_back(TPacketParam::Integer(in.ReadInt32BE()));
      break;
    case 'S':
      values.push_back(TPacketParam::String(in.ReadBytes(ReadLength(in, info.Name))));
      break;
    case 'i': {
      const int n = ReadLength(in, info.Name);
      if (int64_t{n} * 4 > in.Remaining()) {
        throw TChatException("Stream read error");
      }
      std::vector<int32_t> items(static_cast<size_t>(n));
      for (auto& item : items) {
        item = in.ReadInt32BE();
      }
      values.push_back(TPacketParam::IntegerArray(std::move(items)));
      break;
    }
    case 's': {
      const int n = ReadLength(in, info.Name);
      // Every element needs at least its 2-byte length.
      if (int64_t{n} * 2 > in.Remaining()) {
        throw TChatException("Stream read error");
      }
      std::vector<TBytes> items;
      items.reserve(static_cast<size_t>(n));
      for (int k = 0; k < n; ++k) {
        items.push_back(in.ReadBytes(ReadLength(in, info.Name)));
      }
      values.push_back(TPacketParam::StringArray(std::move(items)));
      break;
    }
    default:
      throw TChatException(FormatMessage("Logic error, bad param type %s.", {std::string(1, *p)}));
    }
  }
  // Bytes left after the last parameter are ignored.
  return values;
}

void CheckLength(size_t length, const char* kindName) {
  if (length > static_cast<size_t>(kMaxFieldLength)) {
    throw TChatException(FormatMessage("Packet \"%s\" parameter too long: %s bytes (at most 32767)",
                                       {kindName, std::to_string(length)}));
  }
}

const TPacketParam& ValueAt(const std::vector<TPacketParam>& values, size_t i,
                            const char* kindName) {
  if (i >= values.size()) {
    throw TChatException(
        FormatMessage("Packet \"%s\" is missing parameter %s", {kindName, std::to_string(i + 1)}));
  }
  return values[i];
}

// Writes the parameters in order. The client's writer has no form for the
// array letters; the server side writes them too.
TBytes WriteParams(const TPacketInfo& info, const std::vector<TPacketParam>& values,
                   bool withArrays) {
  TArrayStream out;
  out.SetSize(0);
  size_t i = 0;
  for (const char* p = info.Params; *p != '\0'; ++p, ++i) {
    const char letter = *p;
    const bool known = letter == 'D' || letter == 'G' || letter == 'I' || letter == 'S' ||
                       (withArrays && (letter == 'i' || letter == 's'));
    if (!known) {
      throw TChatException(FormatMessage("Unknown param type %s", {std::string(1, letter)}));
    }
  }
  i = 0;
  for (const char* p = info.Params; *p != '\0'; ++p, ++i) {
    const TPacketParam& v = ValueAt(values, i, info.Name);
    switch (*p) {
    case 'D': {
      const TBytes& data = v.AsData();
      CheckLength(data.size(), info.Name);
      out.WriteInt16BE(static_cast<int16_t>(data.size()));
      out.WriteBytes(data);
      break;
    }
    case 'G':
      out.Write(v.AsGroupId().data(), 5);
      break;
    case 'I':
      out.WriteInt32BE(v.AsInteger());
      break;
    case 'S': {
      const TBytes& s = v.AsString();
      CheckLength(s.size(), info.Name);
      out.WriteInt16BE(static_cast<int16_t>(s.size()));
      out.WriteBytes(s);
      break;
    }
    case 'i': {
      const auto& items = v.AsIntegerArray();
      CheckLength(items.size(), info.Name);
      out.WriteInt16BE(static_cast<int16_t>(items.size()));
      for (int32_t item : items) {
        out.WriteInt32BE(item);
      }
      break;
    }
    case 's': {
      const auto& items = v.AsStringArray();
      CheckLength(items.size(), info.Name);
      out.WriteInt16BE(static_cast<int16_t>(items.size()));
      for (const auto& item : items) {
        CheckLength(item.size(), info.Name);
        out.WriteInt16BE(static_cast<int16_t>(item.size()));
        out.WriteBytes(item);
      }
      break;
    }
    }
  }
  CheckLength(out.Data().size(), info.Name);
  return out.Data();
}

TBytes Frame(int32_t number, const TBytes& payload) {
  TArrayStream out;
  out.SetSize(0);
  out.WriteInt16BE(static_cast<int16_t>(number));
  out.WriteInt16BE(static_cast<int16_t>(payload.size()));
  out.WriteBytes(payload);
  return out.Data();
}

} // namespace

uint8_t IncomingTypeIndex(int32_t typeNumber) {
  const int32_t number = SignExtend16(typeNumber);
  for (size_t i = 0; i < IncomingPacketTable.size(); ++i) {
    if (IncomingPacketTable[i].Number == number) {
      return static_cast<uint8_t>(i);
    }
  }
  return ipUnknown;
}

int OutgoingTypeIndex(int32_t typeNumber) {
  const int32_t number = SignExtend16(typeNumber);
  for (size_t i = 0; i < OutgoingPacketTable.size(); ++i) {
    if (OutgoingPacketTable[i].Number == number) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

TBytes GroupIdToText(const TGroupId& id) {
  static const char kDigits[] = "0123456789ABCDEF";
  TBytes text;
  text.reserve(10);
  for (uint8_t b : id) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

TVeyraChatIncomingPacket::TVeyraChatIncomingPacket(int32_t typeNumber, const TBytes& payload)
    : Index(IncomingTypeIndex(typeNumber)) {
  Values = ReadParams(IncomingPacketTable[Index], payload);
}

const TPacketParam& TVeyraChatIncomingPacket::Param(size_t index) const {
  return ValueAt(Values, index, Info().Name);
}

TVeyraChatOutgoingPacket::TVeyraChatOutgoingPacket(uint8_t typeIndex,
                                                   std::vector<TPacketParam> values)
    : Index(typeIndex < kOutgoingPacketCount ? typeIndex : uint8_t{opPing}),
      Values(std::move(values)) {
  if (typeIndex >= kOutgoingPacketCount) {
    throw TChatException(
        FormatMessage("Unknown outgoing packet kind %s", {std::to_string(typeIndex)}));
  }
}

TBytes TVeyraChatOutgoingPacket::BuildPayload() const {
  return WriteParams(Info(), Values, false);
}

TBytes TVeyraChatOutgoingPacket::BuildFrame() const {
  return Frame(Info().Number, BuildPayload());
}

TBytes BuildIncomingFrame(uint8_t incomingTypeIndex, const std::vector<TPacketParam>& values) {
  if (incomingTypeIndex >= kIncomingPacketCount) {
    throw TChatException(
        FormatMessage("Unknown incoming packet kind %s", {std::to_string(incomingTypeIndex)}));
  }
  const TPacketInfo& info = IncomingPacketTable[incomingTypeIndex];
  return Frame(info.Number, WriteParams(info, values, true));
}

std::vector<TPacketParam> ReadOutgoingPayload(uint8_t outgoingTypeIndex, const TBytes& payload) {
  if (outgoingTypeIndex >= kOutgoingPacketCount) {
    throw TChatException(
        FormatMessage("Unknown outgoing packet kind %s", {std::to_string(outgoingTypeIndex)}));
  }
  return ReadParams(OutgoingPacketTable[outgoingTypeIndex], payload);
}

} // namespace tessra
