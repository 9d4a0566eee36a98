#pragma once

#include <optional>

#include <QStringView>

namespace tessra {

// Whether a number's text may start with "+" as well as "-".
enum class TPlusSign { Refused, Allowed };

// A decimal number as the item links carry it: an optional sign and nothing but digits, within
// minimum..maximum (both inclusive); nothing for any other text. Ranges up to 40 bits.
std::optional<qint64> DecimalNumber(QStringView text, qint64 minimum, qint64 maximum,
                                    TPlusSign plus = TPlusSign::Refused);

} // namespace tessra
