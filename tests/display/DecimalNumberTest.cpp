#include <optional>

#include <QString>
#include <gtest/gtest.h>

#include "display/DecimalNumber.h"

namespace tessra {
namespace {

struct TDecimalCase {
  const char16_t* Text;
  TPlusSign Plus;
  std::optional<qint64> Expected;
};

TEST(DecimalNumberTest, ReadsSignedDigitsWithinTheRangeAndNothingElse) {
  const TDecimalCase cases[] = {
      {u"0", TPlusSign::Refused, 0},
      {u"-17", TPlusSign::Refused, -17},
      {u"2147483647", TPlusSign::Refused, 2147483647},
      {u"-2147483648", TPlusSign::Refused, -2147483648LL},
      {u"2147483648", TPlusSign::Refused, std::nullopt},
      {u"-2147483649", TPlusSign::Refused, std::nullopt},
      {u"99999999999999999999999", TPlusSign::Refused, std::nullopt},
      {u"+5", TPlusSign::Refused, std::nullopt},
      {u"+5", TPlusSign::Allowed, 5},
      {u"-", TPlusSign::Refused, std::nullopt},
      {u"+", TPlusSign::Allowed, std::nullopt},
      {u"", TPlusSign::Refused, std::nullopt},
      {u"1 2", TPlusSign::Refused, std::nullopt},
      {u"12a", TPlusSign::Refused, std::nullopt},
      {u"\uFF11", TPlusSign::Refused, std::nullopt}, // a full-width digit is no digit here
  };
  for (const TDecimalCase& c : cases) {
    EXPECT_EQ(DecimalNumber(QStringView(c.Text), INT32_MIN, INT32_MAX, c.Plus), c.Expected)
        << QStringView(c.Text).toString().toStdString();
  }
  EXPECT_EQ(DecimalNumber(u"255", 0, 255), 255);
  EXPECT_EQ(DecimalNumber(u"256", 0, 255), std::nullopt);
  EXPECT_EQ(DecimalNumber(u"-1", 0, 255), std::nullopt);
}

} // namespace
} // namespace tessra
