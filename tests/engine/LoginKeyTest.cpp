#include "engine/LoginKey.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/ChatException.h"
#include "engine/VeyraCrypt.h"

namespace tessra {
namespace {

void ExpectChatError(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "expected \"" << message << "\"";
  } catch (const TChatException& error) {
    EXPECT_EQ(error.what(), message);
  }
}

bool IsLowerHex(const std::string& text) {
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
      return false;
    }
  }
  return !text.empty();
}

std::string HexOfBytes(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t b : bytes) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 0xF]);
  }
  return hex;
}

// The server's side of the exchange: a fixed secret y and its public value,
// and a recorded source of random bytes for the client.
class LoginKeyTest : public ::testing::Test {
protected:
  const TBigInt Modulus = TBigInt::FromHex(kVeyraModulusHex);
  const TBigInt Secret = TBigInt::FromHex("5a17c0ffee0dd5eed15b16b00b5ca1ab1e0ddba11deadbeef");
  const std::string ServerValue = ServerValueFor(Secret);

  std::mt19937 Engine{1234};
  std::vector<std::uint8_t> Drawn;

  std::function<std::uint8_t()> Recorder() {
    return [this] {
      const auto b = static_cast<std::uint8_t>(Engine() % 255);
      Drawn.push_back(b);
      return b;
    };
  }

  // What the server sees: the decrypted block of a key, checked against the
  // client's exponent as recorded from the random source.
  TBytes OpenKey(const TBytes& key) {
    const std::size_t hyphen = key.find('-');
    EXPECT_NE(hyphen, TBytes::npos);
    const TBigInt publicValue = TBigInt::FromHex(key.substr(0, hyphen));
    const TBigInt x =
        TBigInt::FromHex(HexOfBytes(std::vector<std::uint8_t>(Drawn.begin(), Drawn.begin() + 16)));
    EXPECT_EQ(publicValue, ModPow(TBigInt(5), x, Modulus));
    const std::string keyText = SharedKeyText(ModPow(publicValue, Secret, Modulus));
    // Both sides arrive at the same shared value.
    EXPECT_EQ(keyText, SharedKeyText(ModPow(TBigInt::FromHex(ServerValue), x, Modulus)));
    return DecryptFromHex(keyText, key.substr(hyphen + 1));
  }

  // A login key around a block of the test's own making, for the decoder.
  TBytes CraftKey(const TBytes& block) {
    const TBigInt x = TBigInt::FromHex("0123456789abcdef0123456789abcdef");
    const std::string keyText = SharedKeyText(ModPow(TBigInt::FromHex(ServerValue), x, Modulus));
    return ModPow(TBigInt(5), x, Modulus).ToHex() + "-" + EncryptToHex(keyText, block);
  }
};

TEST_F(LoginKeyTest, ServerReadsWhatTheClientSent) {
  const TBytes key = GenLoginKey("u", "s", "p", ServerValue, Recorder());
  ASSERT_EQ(Drawn.size(), 24u);

  const std::size_t hyphen = key.find('-');
  ASSERT_NE(hyphen, TBytes::npos);
  EXPECT_TRUE(IsLowerHex(key.substr(0, hyphen)));
  EXPECT_LE(hyphen, 256u);
  // L = 5, P = 7: 24 bytes, three cipher blocks.
  EXPECT_EQ(key.size() - hyphen - 1, 48u);
  EXPECT_TRUE(IsLowerHex(key.substr(hyphen + 1)));

  const TBytes block = OpenKey(key);
  ASSERT_EQ(block.size(), 24u);
  EXPECT_EQ(block.substr(0, 8), TBytes(Drawn.begin() + 16, Drawn.end()));
  EXPECT_EQ(block.substr(8, 4), TBytes("\0\0\0\x05", 4));
  EXPECT_EQ(block.substr(12), "u|s|p       ");

  const TLoginKeyContents contents = DecodeLoginKey(key, Secret);
  EXPECT_EQ(contents.User, "u");
  EXPECT_EQ(contents.Seed, "s");
  EXPECT_EQ(contents.Password, "p");
}

TEST_F(LoginKeyTest, PaddingIsOneToEightSpaces) {
  // L runs through every remainder; L = 4 needs a whole block of padding.
  for (std::size_t passwordLength = 1; passwordLength <= 17; ++passwordLength) {
    Drawn.clear();
    const TBytes password(passwordLength, 'w');
    const TBytes key = GenLoginKey("a", "", password, ServerValue, Recorder());
    const TBytes block = OpenKey(key);
    const std::size_t length = 3 + passwordLength;
    const std::size_t padding = 8 - (length + 12) % 8;
    SCOPED_TRACE(length);
    EXPECT_GE(padding, 1u);
    EXPECT_LE(padding, 8u);
    ASSERT_EQ(block.size(), 12 + length + padding);
    EXPECT_EQ(block.size() % 8, 0u);
    EXPECT_EQ(static_cast<unsigned char>(block[11]), length);
    EXPECT_EQ(block.substr(12, length), "a||" + password);
    EXPECT_EQ(block.substr(12 + length), TBytes(padding, ' '));
    if (length == 4) {
      EXPECT_EQ(padding, 8u);
      EXPECT_EQ(block.size(), 24u);
    }
    EXPECT_EQ(DecodeLoginKey(key, Secret).Password, password);
  }
}

TEST_F(LoginKeyTest, RandomBytesNeverReach0xFF) {
  std::vector<int> seen(256, 0);
  for (int i = 0; i < 20000; ++i) {
    ++seen[SystemRandomByte()];
  }
  EXPECT_EQ(seen[255], 0);
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[254], 0);

  // A source that hands out 0xFF anyway has it folded away.
  int calls = 0;
  const TBytes key = GenLoginKey("user", "seed", "pw", ServerValue, [&calls]() -> std::uint8_t {
    return ++calls % 2 == 0 ? 0xFF : 0x7F;
  });
  const TBigInt x = TBigInt::FromHex("7f007f007f007f007f007f007f007f00");
  const std::string keyText = SharedKeyText(ModPow(TBigInt::FromHex(ServerValue), x, Modulus));
  const TBytes block = DecryptFromHex(keyText, key.substr(key.find('-') + 1));
  EXPECT_EQ(block.substr(0, 8), TBytes("\x7f\0\x7f\0\x7f\0\x7f\0", 8));
}

TEST_F(LoginKeyTest, SharedKeyIsCutOrPaddedTo32Digits) {
  EXPECT_EQ(SharedKeyText(TBigInt::FromHex("ABC")), std::string(29, '0') + "ABC");
  EXPECT_EQ(SharedKeyText(TBigInt()), std::string(32, '0'));
  const std::string long40 = "0123456789ABCDEF0123456789ABCDEF01234567";
  EXPECT_EQ(SharedKeyText(TBigInt::FromHex("1" + long40)), "1" + long40.substr(0, 31));
}

TEST_F(LoginKeyTest, BuiltInServerValueAndPasswordsWithAnyBytes) {
  const TBytes password("pa|ss\xff\0w", 8);
  const TBytes key =
      GenLoginKey("Account", "seed-1234", password, kVeyraServerValueHex, SystemRandomByte);
  const std::size_t hyphen = key.find('-');
  ASSERT_NE(hyphen, TBytes::npos);
  EXPECT_LT(TBigInt::FromHex(key.substr(0, hyphen)).Compare(Modulus), 0);
  EXPECT_EQ((key.size() - hyphen - 1) % 16, 0u);
  EXPECT_TRUE(IsLowerHex(key.substr(hyphen + 1)));

  const TBytes mine = GenLoginKey("Account", "seed", password, ServerValue, SystemRandomByte);
  const TLoginKeyContents contents = DecodeLoginKey(mine, Secret);
  EXPECT_EQ(contents.User, "Account");
  EXPECT_EQ(contents.Seed, "seed");
  EXPECT_EQ(contents.Password, password);
  // Every login draws a new exponent and prefix.
  EXPECT_NE(GenLoginKey("a", "b", "c", ServerValue, SystemRandomByte),
            GenLoginKey("a", "b", "c", ServerValue, SystemRandomByte));
}

TEST_F(LoginKeyTest, RefusesServerValuesThatExposeThePassword) {
  TBigInt pMinusOne(Modulus);
  pMinusOne.Subtract(TBigInt(1));
  for (const std::string& value : {std::string(), std::string("0"), std::string("1"),
                                   pMinusOne.ToHex(), Modulus.ToHex(), std::string(300, 'f')}) {
    SCOPED_TRACE(value);
    ExpectChatError([&] { GenLoginKey("u", "s", "p", value, SystemRandomByte); },
                    "Invalid server value");
  }
  ExpectChatError([] { GenLoginKey("u", "s", "p", "12x4", SystemRandomByte); },
                  "'12x4' is not a valid integer value");
}

TEST_F(LoginKeyTest, DecoderRejectsMalformedKeys) {
  const TBytes good = GenLoginKey("user", "seed", "password", ServerValue, Recorder());
  const std::size_t hyphen = good.find('-');
  const TBytes publicHex = good.substr(0, hyphen);
  const TBytes cipherHex = good.substr(hyphen + 1);
  auto withLength = [](std::uint32_t length) {
    TBytes header(8, 'r');
    for (int shift = 24; shift >= 0; shift -= 8) {
      header.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    return header;
  };

  const std::vector<TBytes> malformed = {
      "", cipherHex, "-" + cipherHex, publicHex + "-", publicHex + "-" + cipherHex.substr(1),
      publicHex + "-" + cipherHex + "00",
      publicHex + "-" + cipherHex.substr(0, cipherHex.size() - 1) + "g", "1-" + cipherHex,
      "0-" + cipherHex, Modulus.ToHex() + "-" + cipherHex, std::string(257, '1') + "-" + cipherHex,
      "xyz-" + cipherHex,
      // Blocks of the right key but the wrong shape.
      CraftKey(withLength(4) + "a||b"),                    // no padding
      CraftKey(withLength(5) + "u|s|p" + TBytes(15, ' ')), // 15 spaces
      CraftKey(withLength(5) + "u|s|p      x"),            // padding not spaces
      CraftKey(withLength(200) + "u|s|p       "),          // L beyond the block
      CraftKey(withLength(0xFFFFFFFF) + "u|s|p       "),   // L near 2^32
      CraftKey(withLength(5) + "u-s-p       "),            // no separators
      CraftKey(withLength(5) + "us|p-       "),            // one separator
      CraftKey(TBytes(8, 'r')),                            // too short for a header
  };
  for (const TBytes& key : malformed) {
    SCOPED_TRACE(key);
    ExpectChatError([&] { DecodeLoginKey(key, Secret); }, "Malformed login key");
  }

  // A key for another server's secret does not open.
  ExpectChatError([&] { DecodeLoginKey(good, TBigInt::FromHex("1234567")); },
                  "Malformed login key");

  // The crafted shape itself is sound, and the decoder is not picky about case.
  const TLoginKeyContents crafted =
      DecodeLoginKey(CraftKey(withLength(5) + "u|s|p       "), Secret);
  EXPECT_EQ(crafted.User, "u");
  EXPECT_EQ(DecodeLoginKey(publicHex + "-" + cipherHex, Secret).Seed, "seed");
}

} // namespace
} // namespace tessra
