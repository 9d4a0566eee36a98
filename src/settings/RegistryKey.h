#pragma once

#include <cstdint>

#include <QString>
#include <QStringList>

#include "engine/Bytes.h"

namespace tessra {

// The two value kinds the program stores, as the Windows registry names them.
enum class TRegistryValueType { None, Dword, String };

// An open key of the per-user store. Reading never fails: a missing value, or
// one stored with the other type, yields the caller's default without a word.
class TRegistryKey {
public:
  virtual ~TRegistryKey() = default;

  virtual TRegistryValueType ValueType(const QString& name) const = 0;
  virtual uint32_t ReadDword(const QString& name, uint32_t defaultValue) const = 0;
  virtual QString ReadString(const QString& name, const QString& defaultValue) const = 0;
  virtual void WriteDword(const QString& name, uint32_t value) = 0;
  virtual void WriteString(const QString& name, const QString& value) = 0;
  virtual void DeleteValue(const QString& name) = 0;

  // Names of the direct sub-keys, in the store's listing order.
  virtual QStringList SubKeyNames() const = 0;
  // Removes a direct sub-key with everything below it; false if there was none.
  virtual bool DeleteSubKey(const QString& name) = 0;

  bool ValueExists(const QString& name) const {
    return ValueType(name) != TRegistryValueType::None;
  }
  int32_t ReadInteger(const QString& name, int32_t defaultValue) const {
    return static_cast<int32_t>(ReadDword(name, static_cast<uint32_t>(defaultValue)));
  }
  // Any non-zero number counts as true; true is always written as 1.
  bool ReadBool(const QString& name, bool defaultValue) const {
    return ReadDword(name, defaultValue ? 1U : 0U) != 0;
  }
  void WriteInteger(const QString& name, int32_t value) {
    WriteDword(name, static_cast<uint32_t>(value));
  }
  void WriteBool(const QString& name, bool value) { WriteDword(name, value ? 1U : 0U); }

  // Byte strings (scrambled passwords) travel as REG_SZ text holding one
  // character U+0000..U+00FF per byte, so every byte value, 0 included, comes
  // back unchanged. Text typed into the store by hand with wider characters is
  // taken as UTF-8.
  TBytes ReadBytes(const QString& name, const TBytes& defaultValue) const;
  void WriteBytes(const QString& name, const TBytes& value);
};

} // namespace tessra
