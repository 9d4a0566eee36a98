#pragma once

#include <memory>

#include <QString>

#include "RegistryKey.h"

namespace tessra {

// The per-user settings store, laid out like the Windows registry below
// HKEY_CURRENT_USER: keys addressed by backslash paths such as
// "Software\\Tessra\\Logins\\bob", each holding REG_DWORD and REG_SZ values.
// Key and value names are matched without regard to letter case and keep the
// letters they were created with.
class TRegistry {
public:
  virtual ~TRegistry() = default;

  // The key at path, or nullptr when it does not exist (and canCreate is false)
  // or cannot be opened. With canCreate the missing keys along the path are made.
  virtual std::unique_ptr<TRegistryKey> OpenKey(const QString& path, bool canCreate) = 0;
};

} // namespace tessra
