#include "PasswordScramble.h"

namespace tessra {

namespace {

TBytes Shift(const TBytes& text, int direction) {
  TBytes result(text);
  for (size_t i = 0; i < result.size(); ++i) {
    const auto position = static_cast<unsigned>((i + 1) % 256);
    const auto byte = static_cast<unsigned char>(result[i]);
    result[i] = static_cast<char>(
        static_cast<unsigned char>(direction > 0 ? byte + position : byte + 256U - position));
  }
  return result;
}

} // namespace

TBytes ScramblePassword(const TBytes& text) {
  return Shift(text, 1);
}
TBytes UnscramblePassword(const TBytes& text) {
  return Shift(text, -1);
}

} // namespace tessra
