// Times a whole login key (two 1024-bit powers with a 128-bit exponent, the
// TEA-CBC block) against GMP's mpz_powm doing the same two powers, in rounds
// that alternate between the two so that both see the same machine load.
// The last line holds the figures as key=value pairs; ratio is ours / GMP.

#include <gmp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/LoginKey.h"
#include "engine/VeyraCrypt.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kRounds = 15;
constexpr int kKeysPerRound = 20;
constexpr int kGmpPerRound = 200;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double MicrosecondsPer(TClock::time_point start, TClock::time_point end, int count) {
  return std::chrono::duration<double, std::micro>(end - start).count() / count;
}

} // namespace

int main() {
  using namespace tessra;
  std::mt19937 engine(2024);
  auto randomByte = [&engine]() { return static_cast<std::uint8_t>(engine() % 255); };
  auto secretHex = [&randomByte]() {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (int i = 0; i < 16; ++i) {
      const std::uint8_t b = randomByte();
      hex.push_back(kDigits[b >> 4]);
      hex.push_back(kDigits[b & 0xF]);
    }
    return hex;
  };

  mpz_t p, y, g, x, out;
  mpz_inits(p, y, g, x, out, nullptr);
  mpz_set_str(p, kVeyraModulusHex, 16);
  mpz_set_str(y, kVeyraServerValueHex, 16);
  mpz_set_ui(g, kVeyraGenerator);
  const TBigInt ourP = TBigInt::FromHex(kVeyraModulusHex);
  const TBigInt ourY = TBigInt::FromHex(kVeyraServerValueHex);
  const TBigInt ourG(kVeyraGenerator);

  std::vector<double> keyTimes;
  std::vector<double> powerTimes;
  std::vector<double> gmpTimes;
  std::size_t sink = 0;
  for (int round = -1; round < kRounds; ++round) { // round -1 warms up
    auto start = TClock::now();
    for (int i = 0; i < kKeysPerRound; ++i) {
      sink +=
          GenLoginKey("account", "0123456789abcdef", "password", kVeyraServerValueHex, randomByte)
              .size();
    }
    auto end = TClock::now();
    const double keyTime = MicrosecondsPer(start, end, kKeysPerRound);

    std::vector<TBigInt> exponents;
    for (int i = 0; i < kKeysPerRound; ++i) {
      exponents.push_back(TBigInt::FromHex(secretHex()));
    }
    start = TClock::now();
    for (const TBigInt& e : exponents) {
      sink += ModPow(ourG, e, ourP).Limbs().size() + ModPow(ourY, e, ourP).Limbs().size();
    }
    end = TClock::now();
    const double powerTime = MicrosecondsPer(start, end, kKeysPerRound);

    std::vector<std::string> gmpExponents;
    for (int i = 0; i < kGmpPerRound; ++i) {
      gmpExponents.push_back(secretHex());
    }
    start = TClock::now();
    for (const std::string& e : gmpExponents) {
      mpz_set_str(x, e.c_str(), 16);
      mpz_powm(out, g, x, p);
      sink += mpz_get_ui(out);
      mpz_powm(out, y, x, p);
      sink += mpz_get_ui(out);
    }
    end = TClock::now();
    const double gmpTime = MicrosecondsPer(start, end, kGmpPerRound);

    if (round >= 0) {
      keyTimes.push_back(keyTime);
      powerTimes.push_back(powerTime);
      gmpTimes.push_back(gmpTime);
      std::printf("round %2d: GenLoginKey %8.1f us, our two powers %8.1f us, GMP two powers %6.1f "
                  "us\n",
                  round, keyTime, powerTime, gmpTime);
    }
  }
  mpz_clears(p, y, g, x, out, nullptr);

  const double key = Median(keyTimes);
  const double powers = Median(powerTimes);
  const double gmp = Median(gmpTimes);
  std::printf("sink=%zu\n", sink % 10);
  std::printf("genloginkey_us=%.1f our_powers_us=%.1f gmp_powers_us=%.1f powers_ratio=%.2f "
              "ratio=%.2f\n",
              key, powers, gmp, powers / gmp, key / gmp);
  return 0;
}
