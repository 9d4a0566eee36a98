#include "engine/VeyraCrypt.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <random>
#include <string>

#include "common/ChatException.h"

namespace tessra {
namespace {

// Hexadecimal of a word's 4 bytes in memory (little-endian) order, the way
// the key text and the cipher text spell words.
std::string LittleEndianHex(std::uint32_t word) {
  char text[9];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X", word & 0xFFu, (word >> 8) & 0xFFu,
                (word >> 16) & 0xFFu, word >> 24);
  return text;
}

TBytes LittleEndianBytes(std::uint32_t word) {
  TBytes bytes;
  for (int i = 0; i < 4; ++i) {
    bytes.push_back(static_cast<char>((word >> (8 * i)) & 0xFFu));
  }
  return bytes;
}

void ExpectChatError(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "expected \"" << message << "\"";
  } catch (const TChatException& error) {
    EXPECT_EQ(error.what(), message);
  }
}

// The published known-answer vectors of 32-cycle TEA, as words.
struct TTeaVector {
  TTeaKey Key;
  std::uint32_t PlainY, PlainZ, CipherY, CipherZ;
};

const TTeaVector kTeaVectors[] = {
    {{0, 0, 0, 0}, 0x00000000, 0x00000000, 0x41EA3A0A, 0x94BAA940},
    {{0, 0, 0, 0}, 0x01020304, 0x05060708, 0x6A2F9CF3, 0xFCCF3C55},
    {{0x00112233, 0x44556677, 0x8899AABB, 0xCCDDEEFF},
     0x01234567,
     0x89ABCDEF,
     0x126C6B92,
     0xC0653A3E},
    {{0x01234567, 0x12345678, 0x23456789, 0x3456789A},
     0x00000000,
     0x00000000,
     0x34E943B0,
     0x900F5DCB},
    {{0x01234567, 0x12345678, 0x23456789, 0x3456789A},
     0x01020304,
     0x05060708,
     0x773DC179,
     0x878A81C0},
};

TEST(VeyraCryptTest, KnownAnswerVectors) {
  for (const TTeaVector& v : kTeaVectors) {
    std::uint32_t y = v.PlainY;
    std::uint32_t z = v.PlainZ;
    TeaEncipher(y, z, v.Key);
    EXPECT_EQ(y, v.CipherY);
    EXPECT_EQ(z, v.CipherZ);
    TeaDecipher(y, z, v.Key);
    EXPECT_EQ(y, v.PlainY);
    EXPECT_EQ(z, v.PlainZ);

    // The same vector through the text interface: key words and data words
    // are little-endian, the output is the cipher words' bytes in order.
    std::string keyText;
    for (std::uint32_t word : v.Key) {
      keyText += LittleEndianHex(word);
    }
    EXPECT_EQ(TeaKeyFromText(keyText), v.Key);
    const TBytes plain = LittleEndianBytes(v.PlainY) + LittleEndianBytes(v.PlainZ);
    const std::string cipher = LittleEndianHex(v.CipherY) + LittleEndianHex(v.CipherZ);
    EXPECT_EQ(EncryptToHex(keyText, plain), cipher);
    EXPECT_EQ(DecryptFromHex(keyText, cipher), plain);
  }
}

TEST(VeyraCryptTest, ChainsBlocksFromAZeroVector) {
  const std::string keyText = "00112233445566778899AABBCCDDEEFF";
  const TTeaKey key = TeaKeyFromText(keyText);
  EXPECT_EQ(key[0], 0x33221100u);
  const TBytes block(8, 'x');
  const std::string cipher = EncryptToHex(keyText, block + block + block);
  ASSERT_EQ(cipher.size(), 48u);
  // Equal plain blocks encrypt differently once chained.
  EXPECT_NE(cipher.substr(0, 16), cipher.substr(16, 16));
  EXPECT_NE(cipher.substr(16, 16), cipher.substr(32, 16));
  EXPECT_EQ(cipher.substr(0, 16), EncryptToHex(keyText, block));

  // The second block is the cipher of the plain block XOR the first cipher block.
  std::uint32_t y = 0x78787878u;
  std::uint32_t z = 0x78787878u;
  TeaEncipher(y, z, key);
  std::uint32_t y2 = 0x78787878u ^ y;
  std::uint32_t z2 = 0x78787878u ^ z;
  TeaEncipher(y2, z2, key);
  EXPECT_EQ(cipher.substr(16, 16), LittleEndianHex(y2) + LittleEndianHex(z2));
}

TEST(VeyraCryptTest, DecryptInvertsEncrypt) {
  std::mt19937 engine(42);
  for (std::size_t blocks : {0u, 1u, 2u, 7u, 32u}) {
    std::string keyText;
    for (int i = 0; i < 32; ++i) {
      keyText.push_back("0123456789abcdefABCDEF"[engine() % 22]);
    }
    TBytes data;
    for (std::size_t i = 0; i < blocks * 8; ++i) {
      data.push_back(static_cast<char>(engine() & 0xFFu));
    }
    const std::string cipher = EncryptToHex(keyText, data);
    EXPECT_EQ(cipher.size(), data.size() * 2);
    EXPECT_EQ(DecryptFromHex(keyText, cipher), data);
    std::string lower = cipher;
    for (char& c : lower) {
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(DecryptFromHex(keyText, lower), data);
  }
}

TEST(VeyraCryptTest, RejectsBadKeysAndData) {
  const std::string key32(32, 'A');
  ExpectChatError([] { EncryptToHex(std::string(31, 'A'), TBytes(8, 'x')); },
                  "Key is not 32 characters long");
  ExpectChatError([] { EncryptToHex(std::string(33, 'A'), TBytes(8, 'x')); },
                  "Key is not 32 characters long");
  ExpectChatError([&] { EncryptToHex(key32, TBytes(9, 'x')); },
                  "Text to encrypt is not 8 byte aligned");
  ExpectChatError([] { EncryptToHex("0123456789ABCDEF01234567G9ABCDEF", TBytes(8, 'x')); },
                  "'G9ABCDEF' is not a valid integer value");

  ExpectChatError([] { DecryptFromHex(std::string(31, 'A'), std::string(16, '0')); },
                  "Key is not 32 characters long");
  ExpectChatError([&] { DecryptFromHex(key32, std::string(15, '0')); },
                  "Text to decrypt is not 8 byte aligned");
  ExpectChatError([&] { DecryptFromHex(key32, std::string(18, '0')); },
                  "Text to decrypt is not 8 byte aligned");
  ExpectChatError([&] { DecryptFromHex(key32, "00000000000000-0"); },
                  "Text to decrypt is not hexadecimal");
  EXPECT_EQ(DecryptFromHex(key32, ""), "");
}

} // namespace
} // namespace tessra
