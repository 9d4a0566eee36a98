#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "engine/Bytes.h"

class QEventLoop;

namespace tessra {

class TVeyraChat;

// The cache of character names and ids. Names are compared without case;
// one name may be held under several ids (the first match wins), while an id
// holds one name, the one announced last.
class TNameList {
public:
  explicit TNameList(TVeyraChat& engine) : Engine(engine) {}

  // The id of a name. When the name is not cached, asks the server at once
  // and waits in a nested event loop for the answer; the wait ends with -1
  // when the connection is lost or the program is closing. The server answers
  // a lookup of an unknown name with id -1.
  int32_t GetID(const TBytes& name);
  // The name of the first entry with that id, or empty.
  TBytes GetName(int32_t id) const;
  void Add(const TBytes& name, int32_t id);
  void Clear();
  int Count() const { return static_cast<int>(Items.size()); }
  int IndexOf(const TBytes& name) const;

  // Ends every wait in progress (the engine calls it when the connection is
  // gone or the host is closing).
  void WakeWaiters(int reason);

private:
  TVeyraChat& Engine;
  std::vector<std::pair<TBytes, int32_t>> Items;
  std::vector<QEventLoop*> Waiters;
};

// ASCII letter case is ignored; other bytes compare as they are.
bool SameTextIgnoringCase(const TBytes& a, const TBytes& b);

} // namespace tessra
