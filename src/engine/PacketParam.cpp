#include "engine/PacketParam.h"

#include "common/ChatException.h"

namespace tessra {

namespace {

const char* KindName(TPacketParam::TKind kind) {
  switch (kind) {
  case TPacketParam::TKind::Null:
    return "null";
  case TPacketParam::TKind::Integer:
    return "integer";
  case TPacketParam::TKind::String:
    return "string";
  case TPacketParam::TKind::Data:
    return "data";
  case TPacketParam::TKind::GroupId:
    return "group id";
  case TPacketParam::TKind::IntegerArray:
    return "integer array";
  case TPacketParam::TKind::StringArray:
    return "string array";
  }
  return "?";
}

[[noreturn]] void WrongKind(TPacketParam::TKind have, const char* want) {
  throw TChatException(FormatMessage("Packet parameter is %s, not %s", {KindName(have), want}));
}

const TBytes kNoBytes;

} // namespace

TPacketParam TPacketParam::Integer(int32_t value) {
  TPacketParam p;
  p.Value = value;
  return p;
}

TPacketParam TPacketParam::String(TBytes value) {
  TPacketParam p;
  p.Value = std::move(value);
  return p;
}

TPacketParam TPacketParam::Data(TBytes value) {
  TPacketParam p;
  p.Value = TData{std::move(value)};
  return p;
}

TPacketParam TPacketParam::GroupId(const TGroupId& value) {
  TPacketParam p;
  p.Value = value;
  return p;
}

TPacketParam TPacketParam::IntegerArray(std::vector<int32_t> values) {
  TPacketParam p;
  p.Value = std::move(values);
  return p;
}

TPacketParam TPacketParam::StringArray(std::vector<TBytes> values) {
  TPacketParam p;
  p.Value = std::move(values);
  return p;
}

int32_t TPacketParam::AsInteger() const {
  if (const auto* v = std::get_if<int32_t>(&Value)) {
    return *v;
  }
  WrongKind(Kind(), "integer");
}

const TBytes& TPacketParam::AsString() const {
  if (const auto* v = std::get_if<TBytes>(&Value)) {
    return *v;
  }
  WrongKind(Kind(), "string");
}

const TBytes& TPacketParam::AsData() const {
  if (const auto* v = std::get_if<TData>(&Value)) {
    return v->Bytes;
  }
  if (IsNull()) {
    return kNoBytes;
  }
  WrongKind(Kind(), "data");
}

const TGroupId& TPacketParam::AsGroupId() const {
  if (const auto* v = std::get_if<TGroupId>(&Value)) {
    return *v;
  }
  WrongKind(Kind(), "group id");
}

const std::vector<int32_t>& TPacketParam::AsIntegerArray() const {
  if (const auto* v = std::get_if<std::vector<int32_t>>(&Value)) {
    return *v;
  }
  WrongKind(Kind(), "integer array");
}

const std::vector<TBytes>& TPacketParam::AsStringArray() const {
  if (const auto* v = std::get_if<std::vector<TBytes>>(&Value)) {
    return *v;
  }
  WrongKind(Kind(), "string array");
}

int TPacketParam::LowBound() const {
  switch (Kind()) {
  case TKind::IntegerArray:
  case TKind::StringArray:
    return 1;
  default:
    return 0;
  }
}

int TPacketParam::HighBound() const {
  switch (Kind()) {
  case TKind::Data:
    return static_cast<int>(AsData().size()) - 1;
  case TKind::GroupId:
    return 4;
  case TKind::IntegerArray:
    return static_cast<int>(AsIntegerArray().size());
  case TKind::StringArray:
    return static_cast<int>(AsStringArray().size());
  default:
    return -1;
  }
}

int32_t TPacketParam::IntegerAt(int index) const {
  const auto& values = AsIntegerArray();
  if (index < 1 || index > static_cast<int>(values.size())) {
    throw TChatException(FormatMessage("List index out of bounds (%s)", {std::to_string(index)}));
  }
  return values[static_cast<size_t>(index - 1)];
}

const TBytes& TPacketParam::StringAt(int index) const {
  const auto& values = AsStringArray();
  if (index < 1 || index > static_cast<int>(values.size())) {
    throw TChatException(FormatMessage("List index out of bounds (%s)", {std::to_string(index)}));
  }
  return values[static_cast<size_t>(index - 1)];
}

} // namespace tessra
