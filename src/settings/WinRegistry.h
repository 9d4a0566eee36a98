#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN

#include "Registry.h"

namespace tessra {

// The native registry below HKEY_CURRENT_USER. REG_SZ data is written with its
// exact length plus one terminating zero and read back by that length, so text
// holding U+0000 (a scrambled password byte) survives: only the one trailing
// terminator is dropped on reading, never anything cut at an inner zero.
class TWinRegistry : public TRegistry {
public:
  std::unique_ptr<TRegistryKey> OpenKey(const QString& path, bool canCreate) override;
};

} // namespace tessra

#endif
