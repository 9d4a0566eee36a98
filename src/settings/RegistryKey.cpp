#include "RegistryKey.h"

namespace tessra {

TBytes TRegistryKey::ReadBytes(const QString& name, const TBytes& defaultValue) const {
  if (ValueType(name) != TRegistryValueType::String) {
    return defaultValue;
  }
  const QString text = ReadString(name, QString());
  bool narrow = true;
  for (const QChar c : text) {
    if (c.unicode() > 0xFF) {
      narrow = false;
      break;
    }
  }
  const QByteArray bytes = narrow ? text.toLatin1() : text.toUtf8();
  return TBytes(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void TRegistryKey::WriteBytes(const QString& name, const TBytes& value) {
  WriteString(name, QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())));
}

} // namespace tessra
