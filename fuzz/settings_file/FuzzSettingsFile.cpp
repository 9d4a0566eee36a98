// Reads arbitrary bytes as the settings file, walks every key and value, and
// writes the store out again.
//
// Checked: nothing crashes, hangs or reads out of bounds; a file that is
// accepted reads back from its own writing unchanged, so saving never alters
// what was loaded.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "settings/FileRegistry.h"

namespace {

void Walk(tessra::TRegistry& registry, const QString& path, int depth) {
  auto key = registry.OpenKey(path, false);
  if (!key || depth > 64) {
    return;
  }
  key->ReadString(QStringLiteral("Password"), QString());
  key->ReadBytes(QStringLiteral("Password"), tessra::TBytes());
  key->ReadInteger(QStringLiteral("Port"), 7012);
  for (const QString& name : key->SubKeyNames()) {
    Walk(registry, path.isEmpty() ? name : path + QLatin1Char('\\') + name, depth + 1);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  // Never written to disk: nothing is changed, so there is nothing to flush.
  tessra::TFileRegistry registry(QStringLiteral("/nonexistent/fuzz-settings.json"));
  const QByteArray content(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
  if (!registry.LoadContent(content)) {
    return 0;
  }
  Walk(registry, QString(), 0);
  const QByteArray written = registry.Content();
  if (!registry.LoadContent(written) || registry.Content() != written) {
    std::abort();
  }
  return 0;
}
