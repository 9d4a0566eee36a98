#pragma once

#include <cstdint>
#include <vector>

#include "engine/Bytes.h"

namespace tessra {

// One character of the logged-in account.
struct TCharInfo {
  TBytes Name;
  int32_t Number = 0;
  bool Flag = false;
};

// The account's characters in the order the server listed them.
class TCharList {
public:
  const TCharInfo& GetChar(int index) const;
  int Count() const { return static_cast<int>(Items.size()); }
  void Add(const TBytes& name, int32_t number, bool flag);
  void Clear() { Items.clear(); }

private:
  std::vector<TCharInfo> Items;
};

} // namespace tessra
