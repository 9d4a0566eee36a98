#pragma once

#include <string>

namespace tessra {

// Bytes as they travel on the wire: packet strings, data parameters, blob
// contents. Inside the engine text stays bytes; it is decoded for display only.
using TBytes = std::string;

} // namespace tessra
