#pragma once

namespace tessra {

// Number of the platform's system colours (indexes 0..30), shared by the
// display's colour values and the settings' stored colour codes.
inline constexpr int kSystemColorCount = 31;

} // namespace tessra
