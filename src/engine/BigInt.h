#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessra {

struct TBigIntDivMod;

// A non-negative integer of any size, as far as the login key exchange needs
// one. The value is held in base 10^9, least significant limb first, always
// normalized: no leading zero limbs, and 0 is the single limb 0.
class TBigInt {
public:
  static constexpr std::uint32_t kBase = 1000000000;

  TBigInt();
  // Any non-negative value; a negative one fails with "Negatives not supported".
  explicit TBigInt(std::int64_t value);

  // Hexadecimal digits of either case, no prefix; the empty text is 0. Any
  // other character fails with "'<text>' is not a valid integer value".
  static TBigInt FromHex(std::string_view text);
  // Builds a value from limbs in base 10^9 (least significant first); a limb
  // of 10^9 or more fails. Leading zero limbs are dropped.
  static TBigInt FromLimbs(std::vector<std::uint32_t> limbs);

  // Upper-case hexadecimal digits without leading zeros; 0 gives "".
  std::string ToHex() const;

  // 1, 0 or -1 as this value is greater than, equal to or less than other.
  int Compare(const TBigInt& other) const;
  bool IsZero() const { return LimbArray.size() == 1 && LimbArray[0] == 0; }
  bool IsOdd() const { return (LimbArray[0] & 1u) != 0; }
  const std::vector<std::uint32_t>& Limbs() const { return LimbArray; }

  TBigInt& Add(const TBigInt& other);
  // Fails with "Negatives not supported" when other is the greater.
  TBigInt& Subtract(const TBigInt& other);
  TBigInt& Multiply(const TBigInt& other);
  TBigInt& Div(const TBigInt& divisor);
  TBigInt& Mod(const TBigInt& divisor);

  // Multiplies by factor and adds addend, both below 2^32.
  TBigInt& MultiplyAdd(std::uint32_t factor, std::uint32_t addend);
  // Divides in place by a non-zero divisor below 2^32 and returns the remainder.
  std::uint32_t DivSmall(std::uint32_t divisor);

  // Exact integer division; a zero divisor fails with "Division by zero".
  static TBigIntDivMod DivMod(const TBigInt& dividend, const TBigInt& divisor);

  friend bool operator==(const TBigInt& left, const TBigInt& right) = default;

private:
  void Normalize();

  std::vector<std::uint32_t> LimbArray;
};

struct TBigIntDivMod {
  TBigInt Quotient;
  TBigInt Remainder;
};

} // namespace tessra
