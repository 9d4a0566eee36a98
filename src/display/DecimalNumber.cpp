#include "display/DecimalNumber.h"

namespace tessra {

std::optional<qint64> DecimalNumber(QStringView text, qint64 minimum, qint64 maximum,
                                    TPlusSign plus) {
  qsizetype i = 0;
  bool negative = false;
  if (!text.isEmpty() && (text.front() == QLatin1Char('-') ||
                          (plus == TPlusSign::Allowed && text.front() == QLatin1Char('+')))) {
    negative = text.front() == QLatin1Char('-');
    i = 1;
  }
  if (i >= text.size()) {
    return std::nullopt;
  }
  qint64 value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') {
      return std::nullopt;
    }
    value = value * 10 + (c - u'0');
    if (value > (qint64(1) << 40)) {
      return std::nullopt; // beyond every range this is used for
    }
  }
  if (negative) {
    value = -value;
  }
  if (value < minimum || value > maximum) {
    return std::nullopt;
  }
  return value;
}

} // namespace tessra
