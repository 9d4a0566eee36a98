#include "engine/CharList.h"

#include "engine/ListIndexError.h"

namespace tessra {

const TCharInfo& TCharList::GetChar(int index) const {
  CheckListIndex(index, Count());
  return Items[static_cast<size_t>(index)];
}

void TCharList::Add(const TBytes& name, int32_t number, bool flag) {
  Items.push_back(TCharInfo{name, number, flag});
}

} // namespace tessra
