// Decodes arbitrary message data as a blob, encodes it again and decodes the
// encoding. The first input byte picks the message kind.
//
// Checked: nothing crashes or reads out of bounds; unknown data encodes
// unchanged; and a blob that decodes back to its own class encodes to the
// same bytes a second time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/ChatException.h"
#include "engine/VeyraBlob.h"

namespace {

struct TKindPair {
  int Incoming;
  int Outgoing;
  int IncomingOfOutgoing; // the kind the receiver sees for Outgoing
};

// private, offline, private group, group
constexpr std::array<TKindPair, 4> kKinds = {{{8, 3, 8}, {12, 15, 24}, {20, 13, 20}, {24, 15, 24}}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const TKindPair kinds = kKinds[bytes[0] % kKinds.size()];
  const tessra::TBytes data(reinterpret_cast<const char*>(bytes + 1), size - 1);

  const auto blob = tessra::CreateBlob(kinds.Incoming, data);
  if (blob == nullptr) {
    return 0;
  }
  tessra::TBytes encoded;
  try {
    encoded = blob->Encode(kinds.Outgoing);
  } catch (const tessra::TChatException&) {
    return 0; // a field too long for its length byte
  }
  if (dynamic_cast<const tessra::TUnknownBlob*>(blob.get()) != nullptr && encoded != data) {
    std::abort();
  }
  const auto again = tessra::CreateBlob(kinds.IncomingOfOutgoing, encoded);
  if (again != nullptr && again->ClassName() == blob->ClassName() &&
      again->Encode(kinds.Outgoing) != encoded) {
    std::abort();
  }
  return 0;
}
