#include "engine/VeyraCrypt.h"

#include <algorithm>
#include <vector>

#include "common/ChatException.h"

namespace tessra {

namespace {

constexpr std::uint64_t kBase64 = TBigInt::kBase;
constexpr std::uint32_t kTeaDelta = 0x9E3779B9u;
constexpr unsigned kTeaCycles = 32;
constexpr std::size_t kKeyTextLength = 32;
constexpr std::size_t kBlockBytes = 8;
// Pairs of limb products summed before the 64-bit column sum is folded.
constexpr std::size_t kPairsPerFold = 8;

using TLimbs = std::vector<std::uint32_t>;

// The exponent's bits, least significant first, without leading zeros.
std::vector<bool> ExponentBits(const TBigInt& exponent) {
  std::vector<bool> bits;
  TBigInt rest(exponent);
  while (!rest.IsZero()) {
    std::uint32_t chunk = rest.DivSmall(1u << 30);
    for (int i = 0; i < 30; ++i) {
      bits.push_back((chunk & 1u) != 0);
      chunk >>= 1;
    }
  }
  while (!bits.empty() && !bits.back()) {
    bits.pop_back();
  }
  return bits;
}

// Montgomery arithmetic modulo an odd modulus that is not a multiple of 5
// (so coprime to the base 10^9), with R = (10^9)^n for a modulus of n limbs.
// Residues are kept as exactly n limbs. One product costs about 2n^2 limb
// multiplications and no long division, which makes the 1024-bit powers of
// the login cheap.
class TMontgomery {
public:
  explicit TMontgomery(const TBigInt& modulus)
      : Modulus(modulus), M(modulus.Limbs()), N(M.size()), Scratch(N, 0), Wide(N + 1, 0) {
    // The inverse of M[0] modulo 10^9 by Newton's iteration, which starts
    // from the inverse modulo 10 and doubles the correct low digits each
    // step: 1, 2, 4, 8, 16.
    const std::uint64_t m0 = M[0];
    static constexpr std::uint64_t kInverseModTen[10] = {0, 1, 0, 7, 0, 0, 0, 3, 0, 9};
    std::uint64_t inverse = kInverseModTen[m0 % 10];
    for (int i = 0; i < 4; ++i) {
      const std::uint64_t product = (m0 * inverse) % kBase64;
      inverse = (inverse * ((kBase64 + 2 - product) % kBase64)) % kBase64;
    }
    MPrime = static_cast<std::uint32_t>((kBase64 - inverse) % kBase64);
  }

  static bool Suits(const TBigInt& modulus) {
    const std::uint32_t low = modulus.Limbs()[0];
    return low % 2 != 0 && low % 5 != 0 && !(modulus.Limbs().size() == 1 && low == 1);
  }

  // x * R mod M as n limbs.
  TLimbs ToResidue(const TBigInt& x) const {
    TLimbs shifted(N, 0);
    shifted.insert(shifted.end(), x.Limbs().begin(), x.Limbs().end());
    return Padded(TBigInt::FromLimbs(std::move(shifted)).Mod(Modulus));
  }

  TBigInt FromResidue(const TLimbs& residue) {
    TLimbs one(N, 0);
    one[0] = 1;
    TLimbs out(N, 0);
    Multiply(residue, one, out);
    return TBigInt::FromLimbs(std::move(out));
  }

  // out := a * b / R mod M; out may be a or b.
  void Multiply(const TLimbs& a, const TLimbs& b, TLimbs& out) {
    std::uint32_t* q = Scratch.data();
    std::uint32_t* t = Wide.data();
    std::uint64_t carry = 0;
    // Columns 0 .. n-1: each one picks the multiple q[i] of M that clears it.
    for (std::size_t i = 0; i < N; ++i) {
      std::uint64_t low = carry % kBase64;
      std::uint64_t high = carry / kBase64;
      for (std::size_t j = 0; j < i;) {
        const std::size_t stop = std::min(i, j + kPairsPerFold);
        for (; j < stop; ++j) {
          low += static_cast<std::uint64_t>(a[j]) * b[i - j] +
                 static_cast<std::uint64_t>(q[j]) * M[i - j];
        }
        high += low / kBase64;
        low %= kBase64;
      }
      low += static_cast<std::uint64_t>(a[i]) * b[0];
      high += low / kBase64;
      low %= kBase64;
      const std::uint64_t qi = (low * MPrime) % kBase64;
      q[i] = static_cast<std::uint32_t>(qi);
      low += qi * M[0]; // now a multiple of the base
      carry = high + low / kBase64;
    }
    // Columns n .. 2n-2 form the result.
    for (std::size_t i = N; i + 1 < 2 * N; ++i) {
      std::uint64_t low = carry % kBase64;
      std::uint64_t high = carry / kBase64;
      for (std::size_t j = i - N + 1; j < N;) {
        const std::size_t stop = std::min(N, j + kPairsPerFold);
        for (; j < stop; ++j) {
          low += static_cast<std::uint64_t>(a[j]) * b[i - j] +
                 static_cast<std::uint64_t>(q[j]) * M[i - j];
        }
        high += low / kBase64;
        low %= kBase64;
      }
      t[i - N] = static_cast<std::uint32_t>(low);
      carry = high;
    }
    t[N - 1] = static_cast<std::uint32_t>(carry % kBase64);
    t[N] = static_cast<std::uint32_t>(carry / kBase64);
    // The sum is below 2M: one subtraction at most brings it under M.
    if (!Below(t)) {
      std::uint32_t borrow = 0;
      for (std::size_t i = 0; i < N; ++i) {
        const std::uint32_t take = M[i] + borrow;
        if (t[i] >= take) {
          t[i] -= take;
          borrow = 0;
        } else {
          t[i] = t[i] + TBigInt::kBase - take;
          borrow = 1;
        }
      }
      t[N] -= borrow;
    }
    std::copy(t, t + N, out.begin());
  }

private:
  TLimbs Padded(const TBigInt& x) const {
    TLimbs limbs = x.Limbs();
    limbs.resize(N, 0);
    return limbs;
  }

  // Whether the n+1 limbs of t are below the modulus.
  bool Below(const std::uint32_t* t) const {
    if (t[N] != 0) {
      return false;
    }
    for (std::size_t i = N; i-- > 0;) {
      if (t[i] != M[i]) {
        return t[i] < M[i];
      }
    }
    return false;
  }

  const TBigInt& Modulus;
  const TLimbs& M;
  const std::size_t N;
  std::uint32_t MPrime = 0;
  TLimbs Scratch;
  TLimbs Wide;
};

TBigInt MontgomeryModPow(const TBigInt& base, const std::vector<bool>& bits,
                         const TBigInt& modulus) {
  TMontgomery mont(modulus);
  TLimbs result = mont.ToResidue(TBigInt(1));
  TLimbs power = mont.ToResidue(TBigInt::DivMod(base, modulus).Remainder);
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (bits[i]) {
      mont.Multiply(result, power, result);
    }
    // The square after the top bit would never be used.
    if (i + 1 < bits.size()) {
      mont.Multiply(power, power, power);
    }
  }
  return mont.FromResidue(result);
}

TBigInt PlainModPow(const TBigInt& base, const std::vector<bool>& bits, const TBigInt& modulus) {
  TBigInt result = TBigInt::DivMod(TBigInt(1), modulus).Remainder;
  TBigInt power = TBigInt::DivMod(base, modulus).Remainder;
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (bits[i]) {
      result.Multiply(power).Mod(modulus);
    }
    if (i + 1 < bits.size()) {
      power.Multiply(power).Mod(modulus);
    }
  }
  return result;
}

std::uint32_t LoadLittleEndian(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) |
         (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void StoreLittleEndian(std::uint32_t word, TBytes& out) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<char>(word & 0xFFu));
    word >>= 8;
  }
}

void AppendHexByte(std::uint32_t byte, std::string& out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(kDigits[(byte >> 4) & 0xFu]);
  out.push_back(kDigits[byte & 0xFu]);
}

void AppendHexWord(std::uint32_t word, std::string& out) {
  for (int i = 0; i < 4; ++i) {
    AppendHexByte(word & 0xFFu, out);
    word >>= 8;
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

} // namespace

TBigInt ModPow(const TBigInt& base, const TBigInt& exponent, const TBigInt& modulus) {
  if (modulus.IsZero()) {
    throw TChatException("Division by zero");
  }
  const std::vector<bool> bits = ExponentBits(exponent);
  if (TMontgomery::Suits(modulus)) {
    return MontgomeryModPow(base, bits, modulus);
  }
  return PlainModPow(base, bits, modulus);
}

void TeaEncipher(std::uint32_t& y, std::uint32_t& z, const TTeaKey& key) {
  std::uint32_t sum = 0;
  for (unsigned i = 0; i < kTeaCycles; ++i) {
    sum += kTeaDelta;
    y += ((z << 4) + key[0]) ^ (z + sum) ^ ((z >> 5) + key[1]);
    z += ((y << 4) + key[2]) ^ (y + sum) ^ ((y >> 5) + key[3]);
  }
}

void TeaDecipher(std::uint32_t& y, std::uint32_t& z, const TTeaKey& key) {
  std::uint32_t sum = kTeaDelta * kTeaCycles;
  for (unsigned i = 0; i < kTeaCycles; ++i) {
    z -= ((y << 4) + key[2]) ^ (y + sum) ^ ((y >> 5) + key[3]);
    y -= ((z << 4) + key[0]) ^ (z + sum) ^ ((z >> 5) + key[1]);
    sum -= kTeaDelta;
  }
}

TTeaKey TeaKeyFromText(std::string_view keyText) {
  if (keyText.size() != kKeyTextLength) {
    throw TChatException("Key is not 32 characters long");
  }
  TTeaKey key{};
  for (std::size_t i = 0; i < key.size(); ++i) {
    const std::string_view digits = keyText.substr(8 * i, 8);
    unsigned char bytes[4];
    for (std::size_t b = 0; b < 4; ++b) {
      const int high = HexValue(digits[2 * b]);
      const int low = HexValue(digits[2 * b + 1]);
      if (high < 0 || low < 0) {
        throw TChatException("'" + std::string(digits) + "' is not a valid integer value");
      }
      bytes[b] = static_cast<unsigned char>(high * 16 + low);
    }
    key[i] = LoadLittleEndian(bytes);
  }
  return key;
}

std::string EncryptToHex(std::string_view keyText, const TBytes& data) {
  if (keyText.size() != kKeyTextLength) {
    throw TChatException("Key is not 32 characters long");
  }
  if (data.size() % kBlockBytes != 0) {
    throw TChatException("Text to encrypt is not 8 byte aligned");
  }
  const TTeaKey key = TeaKeyFromText(keyText);
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  std::string out;
  out.reserve(data.size() * 2);
  std::uint32_t chainY = 0;
  std::uint32_t chainZ = 0;
  for (std::size_t pos = 0; pos < data.size(); pos += kBlockBytes) {
    std::uint32_t y = LoadLittleEndian(bytes + pos) ^ chainY;
    std::uint32_t z = LoadLittleEndian(bytes + pos + 4) ^ chainZ;
    TeaEncipher(y, z, key);
    chainY = y;
    chainZ = z;
    AppendHexWord(y, out);
    AppendHexWord(z, out);
  }
  return out;
}

TBytes DecryptFromHex(std::string_view keyText, std::string_view hexText) {
  const TTeaKey key = TeaKeyFromText(keyText);
  if (hexText.size() % (2 * kBlockBytes) != 0) {
    throw TChatException("Text to decrypt is not 8 byte aligned");
  }
  std::vector<unsigned char> cipher(hexText.size() / 2);
  for (std::size_t i = 0; i < cipher.size(); ++i) {
    const int high = HexValue(hexText[2 * i]);
    const int low = HexValue(hexText[2 * i + 1]);
    if (high < 0 || low < 0) {
      throw TChatException("Text to decrypt is not hexadecimal");
    }
    cipher[i] = static_cast<unsigned char>(high * 16 + low);
  }
  TBytes out;
  out.reserve(cipher.size());
  std::uint32_t chainY = 0;
  std::uint32_t chainZ = 0;
  for (std::size_t pos = 0; pos < cipher.size(); pos += kBlockBytes) {
    const std::uint32_t cipherY = LoadLittleEndian(cipher.data() + pos);
    const std::uint32_t cipherZ = LoadLittleEndian(cipher.data() + pos + 4);
    std::uint32_t y = cipherY;
    std::uint32_t z = cipherZ;
    TeaDecipher(y, z, key);
    StoreLittleEndian(y ^ chainY, out);
    StoreLittleEndian(z ^ chainZ, out);
    chainY = cipherY;
    chainZ = cipherZ;
  }
  return out;
}

} // namespace tessra
