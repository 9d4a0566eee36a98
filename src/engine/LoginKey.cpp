#include "engine/LoginKey.h"

#include <QRandomGenerator>

#include "common/ChatException.h"
#include "engine/VeyraCrypt.h"

namespace tessra {

namespace {

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// The fuzzing build draws a 2-byte secret: the same steps at an eighth of the
// modular multiplications, so the fuzzers spend their time on what the server
// sends rather than on logging in again. Such a build never talks to anyone.
constexpr std::size_t kSecretBytes = 2;
#else
constexpr std::size_t kSecretBytes = 16;
#endif
constexpr std::size_t kPrefixBytes = 8;
constexpr std::size_t kLengthBytes = 4;
constexpr std::size_t kHeaderBytes = kPrefixBytes + kLengthBytes;
constexpr std::size_t kBlockBytes = 8;
constexpr std::size_t kKeyDigits = 32;
// The public value is below the 1024-bit modulus.
constexpr std::size_t kMaxPublicDigits = 256;
constexpr std::uint8_t kRandomByteLimit = 255;

std::string ToLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

const TBigInt& Modulus() {
  // Parsed once; the constant never changes.
  static const TBigInt kModulus = TBigInt::FromHex(kVeyraModulusHex);
  return kModulus;
}

// Whether value lies strictly between 1 and p - 1, i.e. is neither 0, 1 nor
// p - 1 (whose powers are known to everyone) nor outside the group.
bool IsUsableGroupValue(const TBigInt& value) {
  TBigInt upper(Modulus());
  upper.Subtract(TBigInt(1));
  return value.Compare(TBigInt(1)) > 0 && value.Compare(upper) < 0;
}

[[noreturn]] void Malformed() {
  throw TChatException("Malformed login key");
}

} // namespace

std::string SharedKeyText(const TBigInt& shared) {
  std::string text = shared.ToHex();
  if (text.size() >= kKeyDigits) {
    return text.substr(0, kKeyDigits);
  }
  return std::string(kKeyDigits - text.size(), '0') + text;
}

TBytes GenLoginKey(const TBytes& user, const TBytes& seed, const TBytes& password,
                   const std::string& serverValueHex,
                   const std::function<std::uint8_t()>& randomByte) {
  const TBigInt& p = Modulus();
  const TBigInt serverValue = TBigInt::FromHex(serverValueHex);
  if (!IsUsableGroupValue(serverValue)) {
    throw TChatException("Invalid server value");
  }
  auto drawByte = [&randomByte]() {
    return static_cast<std::uint8_t>(randomByte() % kRandomByteLimit);
  };

  // The secret exponent: 16 random bytes written as 32 hexadecimal digits.
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string secretHex;
  for (std::size_t i = 0; i < kSecretBytes; ++i) {
    const std::uint8_t b = drawByte();
    secretHex.push_back(kDigits[b >> 4]);
    secretHex.push_back(kDigits[b & 0xF]);
  }
  const TBigInt secret = TBigInt::FromHex(secretHex);

  const TBigInt publicValue = ModPow(TBigInt(kVeyraGenerator), secret, p);
  const std::string keyText = SharedKeyText(ModPow(serverValue, secret, p));

  const TBytes plain = user + "|" + seed + "|" + password;
  const std::size_t length = plain.size();
  const std::size_t padding = kBlockBytes - (length + kHeaderBytes) % kBlockBytes;
  TBytes block;
  block.reserve(kHeaderBytes + length + padding);
  for (std::size_t i = 0; i < kPrefixBytes; ++i) {
    block.push_back(static_cast<char>(drawByte()));
  }
  const auto length32 = static_cast<std::uint32_t>(length);
  for (int shift = 24; shift >= 0; shift -= 8) {
    block.push_back(static_cast<char>((length32 >> shift) & 0xFFu));
  }
  block += plain;
  block.append(padding, ' ');

  return ToLower(publicValue.ToHex()) + "-" + ToLower(EncryptToHex(keyText, block));
}

std::uint8_t SystemRandomByte() {
  return static_cast<std::uint8_t>(QRandomGenerator::system()->bounded(kRandomByteLimit));
}

std::string ServerValueFor(const TBigInt& secret) {
  return ToLower(ModPow(TBigInt(kVeyraGenerator), secret, Modulus()).ToHex());
}

TLoginKeyContents DecodeLoginKey(const TBytes& key, const TBigInt& secret) {
  const std::size_t hyphen = key.find('-');
  if (hyphen == TBytes::npos || hyphen == 0 || hyphen > kMaxPublicDigits) {
    Malformed();
  }
  TBytes block;
  try {
    const TBigInt publicValue = TBigInt::FromHex(std::string_view(key).substr(0, hyphen));
    if (!IsUsableGroupValue(publicValue)) {
      Malformed();
    }
    const std::string keyText = SharedKeyText(ModPow(publicValue, secret, Modulus()));
    block = DecryptFromHex(keyText, std::string_view(key).substr(hyphen + 1));
  } catch (const TChatException&) {
    Malformed();
  }

  // The smallest block holds the header, the two separators and one space.
  if (block.size() < kHeaderBytes + 2 + 1) {
    Malformed();
  }
  std::uint32_t length = 0;
  for (std::size_t i = 0; i < kLengthBytes; ++i) {
    length = (length << 8) | static_cast<unsigned char>(block[kPrefixBytes + i]);
  }
  if (length > block.size() - kHeaderBytes) {
    Malformed();
  }
  const std::size_t padding = block.size() - kHeaderBytes - length;
  if (padding != kBlockBytes - (length + kHeaderBytes) % kBlockBytes) {
    Malformed();
  }
  for (std::size_t i = kHeaderBytes + length; i < block.size(); ++i) {
    if (block[i] != ' ') {
      Malformed();
    }
  }

  // The account name and the seed never hold a "|"; the password may.
  const TBytes plain = block.substr(kHeaderBytes, length);
  const std::size_t first = plain.find('|');
  const std::size_t second = first == TBytes::npos ? TBytes::npos : plain.find('|', first + 1);
  if (second == TBytes::npos) {
    Malformed();
  }
  return {plain.substr(0, first), plain.substr(first + 1, second - first - 1),
          plain.substr(second + 1)};
}

} // namespace tessra
