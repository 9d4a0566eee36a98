#include "engine/BigInt.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/ChatException.h"
#include "engine/VeyraCrypt.h"

namespace tessra {
namespace {

// An mpz_t that clears itself.
class TMpz {
public:
  TMpz() { mpz_init(Value); }
  explicit TMpz(const std::string& hex) {
    mpz_init(Value);
    mpz_set_str(Value, hex.empty() ? "0" : hex.c_str(), 16);
  }
  TMpz(const TMpz&) = delete;
  TMpz& operator=(const TMpz&) = delete;
  ~TMpz() { mpz_clear(Value); }

  // Upper-case hexadecimal without leading zeros, "" for 0, as ToHex writes it.
  std::string Hex() const {
    if (mpz_sgn(Value) == 0) {
      return "";
    }
    char* text = mpz_get_str(nullptr, 16, Value);
    std::string result(text);
    std::free(text);
    for (char& c : result) {
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return result;
  }

  mpz_t Value;
};

// Random operands from one limb up to 2048 bits. Besides uniform digits they
// include values built from limbs of 0, 1 and 999999999, which drive the
// carries and borrows of base 10^9 through every limb.
class TOperandSource {
public:
  explicit TOperandSource(unsigned seed) : Engine(seed) {}

  std::string Hex(unsigned maxBits = 2048) {
    const unsigned bits = 1 + static_cast<unsigned>(Engine() % maxBits);
    if (Engine() % 3 == 0) {
      return LimbPatternHex(bits);
    }
    std::string hex;
    const unsigned digits = (bits + 3) / 4;
    const bool runs = Engine() % 4 == 0;
    for (unsigned i = 0; i < digits; ++i) {
      if (runs) {
        hex.push_back(Engine() % 2 == 0 ? 'f' : '0');
      } else {
        hex.push_back("0123456789abcdefABCDEF"[Engine() % 22]);
      }
    }
    return hex;
  }

private:
  std::string LimbPatternHex(unsigned bits) {
    static const std::uint32_t kLimbs[] = {0, 1, 999999999, 999999998, 500000000};
    const unsigned limbCount = 1 + bits / 30;
    std::string decimal;
    for (unsigned i = 0; i < limbCount; ++i) {
      const std::uint32_t limb = Engine() % 4 == 0
                                     ? static_cast<std::uint32_t>(Engine() % 1000000000)
                                     : kLimbs[Engine() % 5];
      std::string text = std::to_string(limb);
      decimal += std::string(9 - text.size(), '0') + text;
    }
    TMpz value;
    mpz_set_str(value.Value, decimal.c_str(), 10);
    return value.Hex();
  }

  std::mt19937_64 Engine;
};

void ExpectChatError(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "expected \"" << message << "\"";
  } catch (const TChatException& error) {
    EXPECT_EQ(error.what(), message);
  }
}

TEST(BigIntTest, ArithmeticAgreesWithGmp) {
  TOperandSource source(20240611);
  for (int i = 0; i < 3000; ++i) {
    const std::string aHex = source.Hex();
    const std::string bHex = source.Hex();
    SCOPED_TRACE(aHex + " " + bHex);
    const TBigInt a = TBigInt::FromHex(aHex);
    const TBigInt b = TBigInt::FromHex(bHex);
    TMpz ma(aHex);
    TMpz mb(bHex);
    TMpz expected;
    TMpz remainder;

    ASSERT_EQ(a.ToHex(), ma.Hex());
    EXPECT_EQ(a.Compare(b), mpz_cmp(ma.Value, mb.Value) > 0   ? 1
                            : mpz_cmp(ma.Value, mb.Value) < 0 ? -1
                                                              : 0);

    TBigInt sum(a);
    sum.Add(b);
    mpz_add(expected.Value, ma.Value, mb.Value);
    EXPECT_EQ(sum.ToHex(), expected.Hex());

    const bool aLarger = a.Compare(b) >= 0;
    TBigInt difference(aLarger ? a : b);
    difference.Subtract(aLarger ? b : a);
    mpz_sub(expected.Value, aLarger ? ma.Value : mb.Value, aLarger ? mb.Value : ma.Value);
    EXPECT_EQ(difference.ToHex(), expected.Hex());

    TBigInt product(a);
    product.Multiply(b);
    mpz_mul(expected.Value, ma.Value, mb.Value);
    EXPECT_EQ(product.ToHex(), expected.Hex());

    if (!b.IsZero()) {
      const TBigIntDivMod result = TBigInt::DivMod(a, b);
      mpz_tdiv_qr(expected.Value, remainder.Value, ma.Value, mb.Value);
      EXPECT_EQ(result.Quotient.ToHex(), expected.Hex());
      EXPECT_EQ(result.Remainder.ToHex(), remainder.Hex());
      // The product divided by one factor gives the other back exactly.
      const TBigIntDivMod back = TBigInt::DivMod(product, b);
      EXPECT_EQ(back.Quotient, a);
      EXPECT_TRUE(back.Remainder.IsZero());
    }
  }
}

TEST(BigIntTest, ModPowAgreesWithGmp) {
  TOperandSource source(77);
  for (int i = 0; i < 150; ++i) {
    const std::string baseHex = source.Hex(1100);
    const std::string exponentHex = i % 10 == 0 ? "" : source.Hex(i % 3 == 0 ? 600 : 130);
    std::string modulusHex = source.Hex(1100);
    if (TBigInt::FromHex(modulusHex).IsZero()) {
      modulusHex = "7";
    }
    SCOPED_TRACE(baseHex + " " + exponentHex + " " + modulusHex);
    TMpz base(baseHex);
    TMpz exponent(exponentHex);
    TMpz modulus(modulusHex);
    TMpz expected;
    mpz_powm(expected.Value, base.Value, exponent.Value, modulus.Value);
    EXPECT_EQ(ModPow(TBigInt::FromHex(baseHex), TBigInt::FromHex(exponentHex),
                     TBigInt::FromHex(modulusHex))
                  .ToHex(),
              expected.Hex());
  }
}

TEST(BigIntTest, ModPowSmallModuli) {
  // Odd moduli go through Montgomery's product, even ones and multiples of 5
  // through long division; both must reduce fully. Modulus 1 always gives 0.
  struct TCase {
    std::int64_t Base, Exponent, Modulus, Expected;
  };
  const TCase cases[] = {
      {2, 10, 1000, 24}, {3, 0, 7, 1},
      {0, 0, 7, 1},      {5, 3, 1, 0},
      {5, 0, 1, 0},      {10, 5, 7, 5},
      {7, 1, 5, 2},      {999999999, 2, 1000000007, 64},
      {123, 456, 10, 1}, {2, 64, 999999999, 156295708},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Base);
    TMpz expected;
    mpz_powm(expected.Value, TMpz(TBigInt(c.Base).ToHex()).Value,
             TMpz(TBigInt(c.Exponent).ToHex()).Value, TMpz(TBigInt(c.Modulus).ToHex()).Value);
    const TBigInt result = ModPow(TBigInt(c.Base), TBigInt(c.Exponent), TBigInt(c.Modulus));
    EXPECT_EQ(result.ToHex(), expected.Hex());
    EXPECT_EQ(result, TBigInt(c.Expected));
  }
  ExpectChatError([] { ModPow(TBigInt(2), TBigInt(3), TBigInt()); }, "Division by zero");
}

TEST(BigIntTest, HexTextRoundTrips) {
  TOperandSource source(5);
  for (int i = 0; i < 500; ++i) {
    const std::string hex = source.Hex();
    const TMpz expected(hex);
    EXPECT_EQ(TBigInt::FromHex(hex).ToHex(), expected.Hex());
  }
  EXPECT_EQ(TBigInt::FromHex("").ToHex(), "");
  EXPECT_TRUE(TBigInt::FromHex("").IsZero());
  EXPECT_EQ(TBigInt().ToHex(), "");
  EXPECT_EQ(TBigInt::FromHex("0000000000000000000000000001"), TBigInt(1));
  EXPECT_EQ(TBigInt::FromHex("0000").Limbs(), std::vector<std::uint32_t>{0});
  EXPECT_EQ(TBigInt::FromHex("abcDEF"), TBigInt::FromHex("ABCdef"));
  EXPECT_EQ(TBigInt::FromHex("3B9ACA00").Limbs(), (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(TBigInt(4294967295LL).ToHex(), "FFFFFFFF");
  for (const char* bad : {"12G4", " 1", "0x10", "-1", "1 "}) {
    ExpectChatError([bad] { TBigInt::FromHex(bad); },
                    std::string("'") + bad + "' is not a valid integer value");
  }
}

TEST(BigIntTest, CarriesBorrowsAndNormalForm) {
  const TBigInt allNines = TBigInt::FromLimbs({999999999, 999999999, 999999999});

  TBigInt sum(allNines);
  sum.Add(TBigInt(1));
  EXPECT_EQ(sum.Limbs(), (std::vector<std::uint32_t>{0, 0, 0, 1}));

  TBigInt back(sum);
  back.Subtract(TBigInt(1));
  EXPECT_EQ(back, allNines);

  TBigInt square(allNines);
  square.Multiply(allNines);
  // (10^27 - 1)^2 = 10^54 - 2 * 10^27 + 1
  EXPECT_EQ(square.Limbs(), (std::vector<std::uint32_t>{1, 0, 0, 999999998, 999999999, 999999999}));

  TBigInt zero(allNines);
  zero.Subtract(allNines);
  EXPECT_TRUE(zero.IsZero());
  EXPECT_EQ(zero.Limbs(), std::vector<std::uint32_t>{0});

  TBigInt timesZero(allNines);
  timesZero.Multiply(TBigInt());
  EXPECT_EQ(timesZero.Limbs(), std::vector<std::uint32_t>{0});

  EXPECT_EQ(TBigInt::FromLimbs({5, 0, 0}).Limbs(), std::vector<std::uint32_t>{5});
  EXPECT_EQ(TBigInt(1000000000).Limbs(), (std::vector<std::uint32_t>{0, 1}));

  EXPECT_EQ(TBigInt(5).Compare(TBigInt(7)), -1);
  EXPECT_EQ(TBigInt(7).Compare(TBigInt(7)), 0);
  EXPECT_EQ(sum.Compare(allNines), 1);
  EXPECT_EQ(TBigInt(999999999).Compare(TBigInt(1000000000)), -1);

  ExpectChatError(
      [&] {
        TBigInt small(5);
        small.Subtract(allNines);
      },
      "Negatives not supported");
  ExpectChatError([] { TBigInt(-1); }, "Negatives not supported");
}

TEST(BigIntTest, DivisionEdges) {
  ExpectChatError([] { TBigInt::DivMod(TBigInt(5), TBigInt()); }, "Division by zero");
  ExpectChatError(
      [] {
        TBigInt value(5);
        value.Mod(TBigInt());
      },
      "Division by zero");

  const TBigIntDivMod small = TBigInt::DivMod(TBigInt(5), TBigInt::FromHex("FFFFFFFFFFFFFFFFFF"));
  EXPECT_TRUE(small.Quotient.IsZero());
  EXPECT_EQ(small.Remainder, TBigInt(5));

  const TBigIntDivMod same = TBigInt::DivMod(TBigInt::FromHex("123456789ABCDEF0123"),
                                             TBigInt::FromHex("123456789ABCDEF0123"));
  EXPECT_EQ(same.Quotient, TBigInt(1));
  EXPECT_TRUE(same.Remainder.IsZero());

  TBigInt value = TBigInt::FromHex("FFFFFFFFFFFFFFFFFFFFFFFF");
  value.Div(TBigInt::FromHex("10000"));
  EXPECT_EQ(value.ToHex(), "FFFFFFFFFFFFFFFFFFFF");
  value.Mod(TBigInt::FromHex("1000"));
  EXPECT_EQ(value.ToHex(), "FFF");

  // Dividends and divisors whose first estimated quotient limb is one too
  // large even after the two-limb correction, so the divisor must be added
  // back (found by searching limb patterns; random operands almost never do
  // this in base 10^9).
  const char* addBack[][2] = {
      {"26E4D30E25B6E52317397F9145CD9EFB4BC1A47DD2F5FA5829A01", "C097CE788DD8D9362CE794B1AF93FE"},
      {"2CD76FDF65D58727AC46E13C29A7FD33640000", "DE0B6B3C5316501"},
      {"2C5E0B1DE674A2CB0336F1C860260236366F9EE8F120A", "604BE73DE4838B0183D9D893A9DF01"},
      {"53861E2053273610B9CE796E8141A4578F9EFB03ACA02", "33B2E3C840F12D5AD164355"},
      {"A70C3C3F3F92ED453C128A227285F35D3FD96ECB33601", "604BE73F821AA934F73E93D2892800"},
      {"53861E23209E3431385C162340765B0630CED7EC80000", "604BE7411FB1C78066AB1E82D84662"},
  };
  for (const auto& pair : addBack) {
    SCOPED_TRACE(pair[0]);
    TMpz quotient;
    TMpz remainder;
    mpz_tdiv_qr(quotient.Value, remainder.Value, TMpz(pair[0]).Value, TMpz(pair[1]).Value);
    const TBigIntDivMod result =
        TBigInt::DivMod(TBigInt::FromHex(pair[0]), TBigInt::FromHex(pair[1]));
    EXPECT_EQ(result.Quotient.ToHex(), quotient.Hex());
    EXPECT_EQ(result.Remainder.ToHex(), remainder.Hex());
  }
}

} // namespace
} // namespace tessra
