// Feeds arbitrary lines to the mark-up parser, URL detection and the date-time formatter.
// The first byte picks the whitespace mode and the flags; the rest is the line, read as UTF-8
// or, with bit 7 set, as raw UTF-16 code units (lone surrogates included).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <QDateTime>
#include <QLocale>
#include <QString>

#include "common/ChatException.h"
#include "display/DateTimeFormat.h"
#include "display/MarkupParser.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::uint8_t mode = data[0];
  ++data;
  --size;
  QString text;
  if (mode & 0x80) {
    std::vector<char16_t> units(size / 2);
    if (!units.empty()) {
      std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    }
    text = QString::fromUtf16(units.data(), qsizetype(units.size()));
  } else {
    text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  }
  const auto whitespace = tessra::TChatConsoleWhitespace((mode & 0x03) % 3);
  const bool timestampEmptyLines = mode & 0x04;

  try {
    std::vector<tessra::TMessageElement> elements =
        tessra::ParseMarkup(text, nullptr, whitespace, timestampEmptyLines);
    Check(elements.size() <= std::size_t(text.size()) + 1);
    Check(text.isEmpty() == elements.empty() || timestampEmptyLines);
    if (!elements.empty()) {
      Check(elements.front().Kind == tessra::ekTimestamp);
    }
    const std::size_t before = elements.size();
    tessra::DetectURLs(elements, mode & 0x08, mode & 0x10);
    Check(elements.size() >= before && elements.size() <= 3 * before);
    for (const tessra::TMessageElement& e : elements) {
      Check(e.Kind <= tessra::ekPreEnd && e.Row == -1);
      if (e.Kind == tessra::ekRule) {
        Check(e.Value >= 0 && e.Value <= 100);
      }
    }
  } catch (const tessra::TChatException&) {
    // An unresolvable colour value is the one error a line can raise.
  }

  if (mode & 0x20) {
    const QDateTime moment(QDate(2026, 3, 7), QTime(14, 5, 9, 42));
    tessra::FormatDateTime(text.left(4096), moment, QLocale::c());
  }
  return 0;
}
