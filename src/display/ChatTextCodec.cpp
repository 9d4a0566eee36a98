#include "display/ChatTextCodec.h"

#include <array>
#include <string_view>

#include <QStringDecoder>

namespace tessra {

namespace {

struct TFixUp {
  std::string_view From;
  std::string_view To;
};

using namespace std::string_view_literals;

// UTF-8 pairs of accented letters (and one damaged pair whose second byte became "?") that turn
// into the letter's Windows-1252 byte.
constexpr std::array<TFixUp, 21> kFirstFixUpTable = {{
    {"\xC3\x95"sv, "\xD5"sv}, {"\xC3\xB5"sv, "\xF5"sv}, {"\xC3\x94"sv, "\xD4"sv},
    {"\xC3\xB4"sv, "\xF4"sv}, {"\xC3\x9B"sv, "\xDB"sv}, {"\xC3\xBB"sv, "\xFB"sv},
    {"\xC3\x9C"sv, "\xDC"sv}, {"\xC3\x84"sv, "\xC4"sv}, {"\xC3\x83"sv, "\xC3"sv},
    {"\xC3\xA3"sv, "\xE3"sv}, {"\xC3\x96"sv, "\xD6"sv}, {"\xC3\x86"sv, "\xC6"sv},
    {"\xC3\x98"sv, "\xD8"sv}, {"\xC3\x85"sv, "\xC5"sv}, {"\xC3\xA6"sv, "\xE6"sv},
    {"\xC3\xB8"sv, "\xF8"sv}, {"\xC3\xA5"sv, "\xE5"sv}, {"\xC3\xA4"sv, "\xE4"sv},
    {"\xC3\xB6"sv, "\xF6"sv}, {"\xC3\xBC"sv, "\xFC"sv}, {"\xC3\x3F"sv, "\xC4"sv},
}};

// A letter followed by the underscores a damaged conversion appended becomes the letter alone.
constexpr std::array<TFixUp, 22> kSecondFixUpTable = {{
    {"\xC3_"sv, "\xC3"sv},  {"\xF5___"sv, "\xF5"sv}, {"\xD5_"sv, "\xD5"sv},
    {"\xC2_"sv, "\xC2"sv},  {"\xD4_"sv, "\xD4"sv},   {"\xE5__"sv, "\xE5"sv},
    {"\xC5_"sv, "\xC5"sv},  {"\xE6__"sv, "\xE6"sv},  {"\xC6_"sv, "\xC6"sv},
    {"\xD8_"sv, "\xD8"sv},  {"\xF8___"sv, "\xF8"sv}, {"\xF3___"sv, "\xF3"sv},
    {"\xE2__"sv, "\xE2"sv}, {"\xFB___"sv, "\xFB"sv}, {"\xE3__"sv, "\xE3"sv},
    {"\xE4__"sv, "\xE4"sv}, {"\xF6___"sv, "\xF6"sv}, {"\xFC___"sv, "\xFC"sv},
    {"\xC4_"sv, "\xC4"sv},  {"\xD6_"sv, "\xD6"sv},   {"\xDC_"sv, "\xDC"sv},
    {"\xDF_"sv, "\xDF"sv},
}};

// Code points of the bytes 80 to 9F in Windows-1252; 81, 8D, 8F, 90 and 9D are undefined there
// and keep their value.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Every occurrence, left to right, byte for byte, without looking at what was put in.
std::string ReplaceBytes(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t found = text.find(from); found != std::string_view::npos;
       found = text.find(from, start)) {
    result.append(text.substr(start, found - start));
    result.append(to);
    start = found + from.size();
  }
  result.append(text.substr(start));
  return result;
}

} // namespace

QByteArray ApplyFixUpTables(QByteArrayView bytes) {
  std::string text(bytes.data(), std::size_t(bytes.size()));
  for (const TFixUp& fixUp : kFirstFixUpTable) {
    text = ReplaceBytes(text, fixUp.From, fixUp.To);
  }
  for (const TFixUp& fixUp : kSecondFixUpTable) {
    text = ReplaceBytes(text, fixUp.From, fixUp.To);
  }
  return QByteArray(text.data(), qsizetype(text.size()));
}

QString DecodeWindows1252(QByteArrayView bytes) {
  QString text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    text += QChar(value >= 0x80 && value < 0xA0 ? kWindows1252High[value - 0x80] : char16_t(value));
  }
  return text;
}

QString DecodeChatText(QByteArrayView bytes) {
  // Stateless: every message is decoded on its own; a byte order mark is kept as text.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError() && !text.isEmpty()) {
    return text;
  }
  return DecodeWindows1252(ApplyFixUpTables(bytes));
}

QByteArray EncodeChatText(const QString& text) {
  return text.toUtf8();
}

} // namespace tessra
