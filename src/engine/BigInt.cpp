#include "engine/BigInt.h"

#include <algorithm>
#include <utility>

#include "common/ChatException.h"

namespace tessra {

namespace {

constexpr std::uint64_t kBase64 = TBigInt::kBase;

// Products of two limbs stay below 10^18, so sixteen of them plus a carry
// below 10^9 fit into 64 bits before the sum has to be folded.
constexpr std::size_t kProductsPerFold = 16;

// Hexadecimal text is read and written seven digits (28 bits) at a time.
constexpr unsigned kHexChunkDigits = 7;
constexpr std::uint32_t kHexChunk = 1u << (4 * kHexChunkDigits);

int HexDigitValue(char c) {
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

TBigInt::TBigInt() : LimbArray{0} {}

TBigInt::TBigInt(std::int64_t value) {
  if (value < 0) {
    throw TChatException("Negatives not supported");
  }
  auto rest = static_cast<std::uint64_t>(value);
  do {
    LimbArray.push_back(static_cast<std::uint32_t>(rest % kBase64));
    rest /= kBase64;
  } while (rest != 0);
}

TBigInt TBigInt::FromHex(std::string_view text) {
  for (char c : text) {
    if (HexDigitValue(c) < 0) {
      throw TChatException("'" + std::string(text) + "' is not a valid integer value");
    }
  }
  TBigInt result;
  std::size_t pos = 0;
  std::size_t groupLength = text.size() % kHexChunkDigits;
  if (groupLength == 0) {
    groupLength = kHexChunkDigits;
  }
  while (pos < text.size()) {
    std::uint32_t group = 0;
    for (std::size_t i = 0; i < groupLength; ++i) {
      group = (group << 4) | static_cast<std::uint32_t>(HexDigitValue(text[pos + i]));
    }
    result.MultiplyAdd(1u << (4 * groupLength), group);
    pos += groupLength;
    groupLength = kHexChunkDigits;
  }
  return result;
}

TBigInt TBigInt::FromLimbs(std::vector<std::uint32_t> limbs) {
  for (std::uint32_t limb : limbs) {
    if (limb >= kBase) {
      throw TChatException("Limb out of range");
    }
  }
  TBigInt result;
  if (!limbs.empty()) {
    result.LimbArray = std::move(limbs);
    result.Normalize();
  }
  return result;
}

std::string TBigInt::ToHex() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string reversed;
  TBigInt rest(*this);
  while (!rest.IsZero()) {
    std::uint32_t chunk = rest.DivSmall(kHexChunk);
    for (unsigned i = 0; i < kHexChunkDigits; ++i) {
      reversed.push_back(kDigits[chunk & 0xF]);
      chunk >>= 4;
    }
  }
  while (!reversed.empty() && reversed.back() == '0') {
    reversed.pop_back();
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

int TBigInt::Compare(const TBigInt& other) const {
  if (LimbArray.size() != other.LimbArray.size()) {
    return LimbArray.size() > other.LimbArray.size() ? 1 : -1;
  }
  for (std::size_t i = LimbArray.size(); i-- > 0;) {
    if (LimbArray[i] != other.LimbArray[i]) {
      return LimbArray[i] > other.LimbArray[i] ? 1 : -1;
    }
  }
  return 0;
}

TBigInt& TBigInt::Add(const TBigInt& other) {
  const std::size_t size = std::max(LimbArray.size(), other.LimbArray.size());
  LimbArray.resize(size, 0);
  std::uint32_t carry = 0;
  for (std::size_t i = 0; i < size; ++i) {
    std::uint32_t sum = LimbArray[i] + carry;
    if (i < other.LimbArray.size()) {
      sum += other.LimbArray[i];
    }
    // Two limbs and a carry stay below 2 * 10^9 < 2^32.
    carry = sum >= kBase ? 1 : 0;
    LimbArray[i] = sum - carry * kBase;
  }
  if (carry != 0) {
    LimbArray.push_back(carry);
  }
  return *this;
}

TBigInt& TBigInt::Subtract(const TBigInt& other) {
  if (Compare(other) < 0) {
    throw TChatException("Negatives not supported");
  }
  std::uint32_t borrow = 0;
  for (std::size_t i = 0; i < LimbArray.size(); ++i) {
    std::uint32_t take = borrow + (i < other.LimbArray.size() ? other.LimbArray[i] : 0);
    if (take == 0 && i >= other.LimbArray.size()) {
      break;
    }
    if (LimbArray[i] >= take) {
      LimbArray[i] -= take;
      borrow = 0;
    } else {
      LimbArray[i] = LimbArray[i] + kBase - take;
      borrow = 1;
    }
  }
  Normalize();
  return *this;
}

TBigInt& TBigInt::Multiply(const TBigInt& other) {
  const std::vector<std::uint32_t>& a = LimbArray;
  const std::vector<std::uint32_t>& b = other.LimbArray;
  const std::size_t n = a.size();
  const std::size_t m = b.size();
  std::vector<std::uint32_t> product(n + m, 0);
  // Column by column: every product a[i] * b[k - i] of column k is summed
  // before the carry is split off, folding the sum now and then so that it
  // never overflows 64 bits.
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k + 1 < n + m; ++k) {
    std::uint64_t low = carry % kBase64;
    std::uint64_t high = carry / kBase64;
    const std::size_t first = k >= m ? k - m + 1 : 0;
    const std::size_t last = std::min(k, n - 1);
    for (std::size_t i = first; i <= last;) {
      const std::size_t stop = std::min(last + 1, i + kProductsPerFold);
      for (; i < stop; ++i) {
        low += static_cast<std::uint64_t>(a[i]) * b[k - i];
      }
      high += low / kBase64;
      low %= kBase64;
    }
    product[k] = static_cast<std::uint32_t>(low);
    carry = high;
  }
  product[n + m - 1] = static_cast<std::uint32_t>(carry);
  LimbArray = std::move(product);
  Normalize();
  return *this;
}

TBigInt& TBigInt::Div(const TBigInt& divisor) {
  *this = DivMod(*this, divisor).Quotient;
  return *this;
}

TBigInt& TBigInt::Mod(const TBigInt& divisor) {
  *this = DivMod(*this, divisor).Remainder;
  return *this;
}

TBigInt& TBigInt::MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
  std::uint64_t carry = addend;
  for (std::uint32_t& limb : LimbArray) {
    const std::uint64_t value = static_cast<std::uint64_t>(limb) * factor + carry;
    limb = static_cast<std::uint32_t>(value % kBase64);
    carry = value / kBase64;
  }
  while (carry != 0) {
    LimbArray.push_back(static_cast<std::uint32_t>(carry % kBase64));
    carry /= kBase64;
  }
  Normalize();
  return *this;
}

std::uint32_t TBigInt::DivSmall(std::uint32_t divisor) {
  if (divisor == 0) {
    throw TChatException("Division by zero");
  }
  std::uint64_t remainder = 0;
  for (std::size_t i = LimbArray.size(); i-- > 0;) {
    const std::uint64_t value = remainder * kBase64 + LimbArray[i];
    LimbArray[i] = static_cast<std::uint32_t>(value / divisor);
    remainder = value % divisor;
  }
  Normalize();
  return static_cast<std::uint32_t>(remainder);
}

TBigIntDivMod TBigInt::DivMod(const TBigInt& dividend, const TBigInt& divisor) {
  if (divisor.IsZero()) {
    throw TChatException("Division by zero");
  }
  if (dividend.Compare(divisor) < 0) {
    return {TBigInt(), dividend};
  }
  if (divisor.LimbArray.size() == 1) {
    TBigIntDivMod result{dividend, TBigInt()};
    result.Remainder.LimbArray[0] = result.Quotient.DivSmall(divisor.LimbArray[0]);
    return result;
  }

  // Long division (Knuth's algorithm D) in base 10^9. Both operands are
  // scaled so that the divisor's top limb is at least half the base; then
  // each quotient limb estimated from the top two limbs of the running
  // remainder is at most one too large after the two-limb correction, and
  // the rare overshoot is repaired by adding the divisor back.
  const std::size_t n = divisor.LimbArray.size();
  const std::size_t m = dividend.LimbArray.size() - n;
  const auto scale = static_cast<std::uint32_t>(kBase / (divisor.LimbArray[n - 1] + 1ull));

  TBigInt scaledDivisor(divisor);
  scaledDivisor.MultiplyAdd(scale, 0);
  const std::vector<std::uint32_t>& v = scaledDivisor.LimbArray;
  TBigInt scaledDividend(dividend);
  scaledDividend.MultiplyAdd(scale, 0);
  std::vector<std::uint32_t> u = std::move(scaledDividend.LimbArray);
  u.resize(m + n + 1, 0);

  const std::uint64_t vTop = v[n - 1];
  const std::uint64_t vNext = v[n - 2];
  std::vector<std::uint32_t> quotient(m + 1, 0);
  for (std::size_t j = m + 1; j-- > 0;) {
    const std::uint64_t top = static_cast<std::uint64_t>(u[j + n]) * kBase64 + u[j + n - 1];
    std::uint64_t qHat = top / vTop;
    std::uint64_t rHat = top % vTop;
    while (qHat >= kBase64 || qHat * vNext > rHat * kBase64 + u[j + n - 2]) {
      --qHat;
      rHat += vTop;
      if (rHat >= kBase64) {
        break;
      }
    }

    // u[j .. j+n] -= qHat * v
    std::uint64_t carry = 0;
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t p = qHat * v[i] + carry;
      carry = p / kBase64;
      std::int64_t t =
          static_cast<std::int64_t>(u[i + j]) - static_cast<std::int64_t>(p % kBase64) - borrow;
      borrow = t < 0 ? 1 : 0;
      u[i + j] = static_cast<std::uint32_t>(t + borrow * static_cast<std::int64_t>(kBase64));
    }
    std::int64_t topLimb =
        static_cast<std::int64_t>(u[j + n]) - static_cast<std::int64_t>(carry) - borrow;

    while (topLimb < 0) {
      --qHat;
      std::uint32_t addCarry = 0;
      for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t sum = u[i + j] + v[i] + addCarry;
        addCarry = sum >= kBase ? 1 : 0;
        u[i + j] = sum - addCarry * kBase;
      }
      topLimb += addCarry;
    }
    u[j + n] = static_cast<std::uint32_t>(topLimb);
    quotient[j] = static_cast<std::uint32_t>(qHat);
  }

  TBigIntDivMod result;
  result.Quotient.LimbArray = std::move(quotient);
  result.Quotient.Normalize();
  u.resize(n);
  result.Remainder.LimbArray = std::move(u);
  result.Remainder.Normalize();
  result.Remainder.DivSmall(scale);
  return result;
}

void TBigInt::Normalize() {
  while (LimbArray.size() > 1 && LimbArray.back() == 0) {
    LimbArray.pop_back();
  }
  if (LimbArray.empty()) {
    LimbArray.push_back(0);
  }
}

} // namespace tessra
