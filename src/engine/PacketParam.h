#pragma once

#include <array>
#include <cstdint>
#include <variant>
#include <vector>

#include "engine/Bytes.h"

namespace tessra {

using TGroupId = std::array<uint8_t, 5>;

// One typed packet parameter. Data and group ids are indexed from 0; the
// integer and string arrays from 1, so consumers ask LowBound()/HighBound()
// instead of assuming 0. A data parameter of length 0 on the wire is Null.
class TPacketParam {
public:
  enum class TKind { Null, Integer, String, Data, GroupId, IntegerArray, StringArray };

  TPacketParam() = default;
  static TPacketParam Integer(int32_t value);
  static TPacketParam String(TBytes value);
  static TPacketParam Data(TBytes value);
  static TPacketParam GroupId(const TGroupId& value);
  static TPacketParam IntegerArray(std::vector<int32_t> values);
  static TPacketParam StringArray(std::vector<TBytes> values);

  TKind Kind() const { return static_cast<TKind>(Value.index()); }
  bool IsNull() const { return Kind() == TKind::Null; }

  // Typed access; asking for the wrong kind fails with a clear message.
  int32_t AsInteger() const;
  const TBytes& AsString() const;
  // The data bytes; Null reads as no bytes.
  const TBytes& AsData() const;
  const TGroupId& AsGroupId() const;
  const std::vector<int32_t>& AsIntegerArray() const;
  const std::vector<TBytes>& AsStringArray() const;

  // Bounds of the array kinds: 0..n-1 for data and group ids, 1..n for the
  // integer and string arrays (an empty array has the bounds 1..0).
  int LowBound() const;
  int HighBound() const;
  int32_t IntegerAt(int index) const;
  const TBytes& StringAt(int index) const;

  bool operator==(const TPacketParam& other) const = default;

private:
  struct TData {
    TBytes Bytes;
    bool operator==(const TData&) const = default;
  };
  std::variant<std::monostate, int32_t, TBytes, TData, TGroupId, std::vector<int32_t>,
               std::vector<TBytes>>
      Value;
};

} // namespace tessra
