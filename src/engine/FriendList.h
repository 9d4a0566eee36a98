#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "engine/Bytes.h"

namespace tessra {

class TVeyraChat;

struct TFriendInfo {
  TBytes Name;
  bool Online = false;
  bool Accepted = false;
};

// The buddy list: at most one entry per name, names compared without case.
// Adding and removing raise the engine's buddy events.
class TFriendList {
public:
  explicit TFriendList(TVeyraChat& engine) : Engine(engine) {}

  const TFriendInfo& GetFriend(int index) const;
  int Count() const { return static_cast<int>(Items.size()); }
  int IndexOf(const TBytes& name) const;
  void Add(const TBytes& name, bool online, bool accepted);
  void Remove(const TBytes& name);
  void Clear() { Items.clear(); }

private:
  int Find(const TBytes& name) const;

  TVeyraChat& Engine;
  // The key keeps the letters of the first insertion.
  std::vector<std::pair<TBytes, std::unique_ptr<TFriendInfo>>> Items;
};

} // namespace tessra
