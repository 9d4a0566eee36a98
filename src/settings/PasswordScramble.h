#pragma once

#include "engine/Bytes.h"

namespace tessra {

// Stored passwords are not kept as typed: the byte at 1-based position i is
// moved up by i (mod 256). It only keeps a password from being read at a
// glance; there is no key. Bytes may become 0, which the stores keep.
TBytes ScramblePassword(const TBytes& text);
TBytes UnscramblePassword(const TBytes& text);

} // namespace tessra
