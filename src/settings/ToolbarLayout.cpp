#include "ToolbarLayout.h"

namespace tessra {

void SaveToolbarLayout(TRegistryKey& key, const QMainWindow& window, int version) {
  key.WriteString(QStringLiteral("State"),
                  QString::fromLatin1(window.saveState(version).toBase64()));
  key.WriteInteger(QStringLiteral("Version"), version);
}

bool RestoreToolbarLayout(const TRegistryKey& key, QMainWindow& window, int version) {
  if (key.ReadInteger(QStringLiteral("Version"), -1) != version) {
    return false;
  }
  const QByteArray::FromBase64Result state =
      QByteArray::fromBase64Encoding(key.ReadString(QStringLiteral("State"), QString()).toLatin1(),
                                     QByteArray::AbortOnBase64DecodingErrors);
  // restoreState checks the blob itself and refuses anything malformed.
  return state && !state.decoded.isEmpty() && window.restoreState(state.decoded, version);
}

} // namespace tessra
