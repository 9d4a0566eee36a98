#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "engine/Bytes.h"
#include "engine/PacketParam.h"

namespace tessra {

class TVeyraChat;

// The flags value the engine sends to mute a group; a group is muted when
// both of its bits are set.
inline constexpr uint32_t kGroupMuteFlags = 0x01010000;

struct TGroupInfo {
  TBytes Name;
  uint32_t Flags = 0;
  bool Muted = false;
};

// The chat groups of the character, keyed by the group id's text form.
class TGroupList {
public:
  explicit TGroupList(TVeyraChat& engine) : Engine(engine) {}

  static TBytes GIDToStr(const TGroupId& groupId);
  const TGroupInfo& GetGroup(int index) const;
  int Count() const { return static_cast<int>(Items.size()); }
  // The group id rebuilt from the entry's key.
  TGroupId GetGID(int index) const;
  int GetIndex(const TGroupId& groupId) const;
  // Exact, case-sensitive comparison of the group's name.
  int IndexOf(const TBytes& name) const;
  void Add(const TGroupId& groupId, const TBytes& name, uint32_t flags);
  void Clear() { Items.clear(); }

private:
  TVeyraChat& Engine;
  std::vector<std::pair<TBytes, std::unique_ptr<TGroupInfo>>> Items;
};

} // namespace tessra
