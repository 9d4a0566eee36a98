#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/BigInt.h"
#include "engine/Bytes.h"

namespace tessra {

// The chat server's 1024-bit prime and its public value for it; the login is
// a Diffie-Hellman exchange in that group with generator 5.
inline constexpr char kVeyraModulusHex[] =
    "eca2e8c85d863dcdc26a429a71a9815ad052f6139669dd659f98ae159d313d13"
    "c6bf2838e10a69b6478b64a24bd054ba8248e8fa778703b418408249440b2c1e"
    "dd28853e240d8a7e49540b76d120d3b1ad2878b1b99490eb4a2a5e84caa8a91c"
    "ecbdb1aa7c816e8be343246f80c637abc653b893fd91686cf8d32d6cfe5f2a6f";
inline constexpr char kVeyraServerValueHex[] =
    "9c32cc23d559ca90fc31be72df817d0e124769e809f936bc14360ff4bed758f2"
    "60a0d596584eacbbc2b88bdd410416163e11dbf62173393fbc0c6fefb2d855f1"
    "a03dec8e9f105bbad91b3437d8eb73fe2f44159597aa4053cf788d2f9d7012fb"
    "8d7c4ce3876f7d6cd5d0c31754f4cd96166708641958de54a6def5657b9f2e92";
inline constexpr std::uint32_t kVeyraGenerator = 5;

// What a login key carries: the account name, the server's seed and the
// password, as the client joined them with "|".
struct TLoginKeyContents {
  TBytes User;
  TBytes Seed;
  TBytes Password;
};

// The login key for a "Login Seed": lowercase hexadecimal of the client's
// public value 5^x mod p, a hyphen, and the TEA-CBC encryption (keyed by the
// first 32 hexadecimal digits of Y^x mod p) of 8 random bytes, the length of
// "user|seed|password" as 4 big-endian bytes, that text, and 1 to 8 spaces.
// randomByte supplies every random byte (x and the prefix); values outside
// 0..254 are folded into that range. A server value with a non-hexadecimal
// digit fails with the integer conversion error; one that is not strictly
// between 1 and p - 1 would let anyone read the password, so it fails with
// "Invalid server value".
TBytes GenLoginKey(const TBytes& user, const TBytes& seed, const TBytes& password,
                   const std::string& serverValueHex,
                   const std::function<std::uint8_t()>& randomByte);

// A random byte drawn uniformly from 0..254 by the system's secure generator.
std::uint8_t SystemRandomByte();

// The 32-digit cipher key made of a shared value: its first 32 upper-case
// hexadecimal digits, or all of them with leading '0's up to 32.
std::string SharedKeyText(const TBigInt& shared);

// The server side of the exchange. ServerValueFor gives the public value
// 5^secret mod p in lowercase hexadecimal; DecodeLoginKey reads a login key
// made against that value and fails with "Malformed login key" for anything
// that is not one.
std::string ServerValueFor(const TBigInt& secret);
TLoginKeyContents DecodeLoginKey(const TBytes& key, const TBigInt& secret);

} // namespace tessra
