#include <ostream>

#include <gtest/gtest.h>

#include "display/DateTimeFormat.h"

// Readable failure output for Qt strings.
static void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace tessra {

namespace {

struct TFormatCase {
  const char* Pattern;
  const char* Afternoon; // 2026-03-07 (a Saturday) 14:05:09.042
  const char* Morning;   // 2026-12-25 (a Friday) 00:30:00.500
};

std::ostream& operator<<(std::ostream& os, const TFormatCase& c) {
  return os << "pattern \"" << c.Pattern << "\"";
}

class DateTimeFormatTable : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(DateTimeFormatTable, FormatsFixedTimes) {
  const QLocale locale(QLocale::English, QLocale::UnitedStates);
  const QDateTime afternoon(QDate(2026, 3, 7), QTime(14, 5, 9, 42));
  const QDateTime morning(QDate(2026, 12, 25), QTime(0, 30, 0, 500));
  const QString pattern = QString::fromUtf8(GetParam().Pattern);
  EXPECT_EQ(FormatDateTime(pattern, afternoon, locale), QString::fromUtf8(GetParam().Afternoon));
  EXPECT_EQ(FormatDateTime(pattern, morning, locale), QString::fromUtf8(GetParam().Morning));
}

const TFormatCase kCases[] = {
    {"[hh:nn]", "[14:05]", "[00:30]"},
    {"[hh:mm:ss]", "[14:05:09]", "[00:30:00]"},
    {"[h:n:s]", "[14:5:9]", "[0:30:0]"},
    {"HH:NN:SS", "14:05:09", "00:30:00"},
    {"[hh:nn AMPM]: ", "[02:05 PM]: ", "[12:30 AM]: "},
    {"h:nn am/pm", "2:05 pm", "12:30 am"},
    {"h:nn AM/PM", "2:05 PM", "12:30 AM"},
    {"h:nn Am/pM", "2:05 pM", "12:30 Am"},
    {"h a/p", "2 p", "12 a"},
    {"h A/P", "2 P", "12 A"},
    {"hh 'ampm'", "14 ampm", "00 ampm"},
    {"hh:nn hh ampm", "14:05 02 PM", "00:30 12 AM"},
    {"d/m/yy", "7/3/26", "25/12/26"},
    {"dd.mm.yyyy", "07.03.2026", "25.12.2026"},
    {"hh dd mm", "14 07 03", "00 25 12"},
    {"ddd dddd", "Sat Saturday", "Fri Friday"},
    {"mmm mmmm", "Mar March", "Dec December"},
    {"z zzz", "42 042", "500 500"},
    {"'hh' \"nn\" hh", "hh nn 14", "hh nn 00"},
    {"'unterminated", "unterminated", "unterminated"},
    {"x-t=@", "x-t=@", "x-t=@"},
    {"a", "a", "a"},
    {"c", "3/7/26 2:05:09 PM", "12/25/26 12:30:00 AM"},
    {"", "3/7/26 2:05:09 PM", "12/25/26 12:30:00 AM"},
};
INSTANTIATE_TEST_SUITE_P(Patterns, DateTimeFormatTable, ::testing::ValuesIn(kCases));

TEST(DateTimeFormat, UsesTheGivenLocale) {
  const QLocale german(QLocale::German, QLocale::Germany);
  const QDateTime t(QDate(2026, 3, 7), QTime(14, 5, 9));
  EXPECT_EQ(FormatDateTime(QStringLiteral("dddd, d. mmmm"), t, german),
            QStringLiteral("Samstag, 7. März"));
  EXPECT_EQ(FormatDateTime(QString(), t, german), QStringLiteral("07.03.26 14:05:09"));
}

} // namespace

} // namespace tessra
