#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/BigInt.h"
#include "engine/Bytes.h"

namespace tessra {

// The four 32-bit words of a TEA key.
using TTeaKey = std::array<std::uint32_t, 4>;

// base^exponent mod modulus by right-to-left square and multiply. A zero
// modulus fails with "Division by zero"; modulus 1 always gives 0.
TBigInt ModPow(const TBigInt& base, const TBigInt& exponent, const TBigInt& modulus);

// One block of TEA (32 cycles) on the words (y, z), in place.
void TeaEncipher(std::uint32_t& y, std::uint32_t& z, const TTeaKey& key);
void TeaDecipher(std::uint32_t& y, std::uint32_t& z, const TTeaKey& key);

// The key words of a 32-digit hexadecimal key text: every 8 digits spell
// 4 bytes, read as a little-endian word. Fails with "Key is not 32 characters
// long", or with the integer conversion error for a non-hexadecimal digit.
TTeaKey TeaKeyFromText(std::string_view keyText);

// TEA in CBC mode with an all-zero initial vector over little-endian words;
// the result is 16 upper-case hexadecimal digits per 8-byte block, the bytes
// in memory order. Fails with "Key is not 32 characters long" and "Text to
// encrypt is not 8 byte aligned".
std::string EncryptToHex(std::string_view keyText, const TBytes& data);

// The inverse of EncryptToHex; digits of either case. Fails with the key
// errors of EncryptToHex, "Text to decrypt is not 8 byte aligned" when the
// digit count is not a multiple of 16, and "Text to decrypt is not
// hexadecimal".
TBytes DecryptFromHex(std::string_view keyText, std::string_view hexText);

} // namespace tessra
