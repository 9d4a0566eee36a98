#pragma once

#include <string>

#include "common/ChatException.h"

namespace tessra {

// The lists' index error, raised for an index outside 0..count-1.
inline void CheckListIndex(int index, int count) {
  if (index < 0 || index >= count) {
    throw TChatException(FormatMessage("List index out of bounds (%s)", {std::to_string(index)}));
  }
}

} // namespace tessra
