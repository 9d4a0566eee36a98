#include "WinRegistry.h"

#ifdef Q_OS_WIN

#include <vector>

#include <windows.h>

namespace tessra {

namespace {

std::wstring Wide(const QString& text) {
  return text.toStdWString();
}

class TWinRegistryKey : public TRegistryKey {
public:
  explicit TWinRegistryKey(HKEY key) : Key(key) {}
  ~TWinRegistryKey() override { RegCloseKey(Key); }
  TWinRegistryKey(const TWinRegistryKey&) = delete;
  TWinRegistryKey& operator=(const TWinRegistryKey&) = delete;

  TRegistryValueType ValueType(const QString& name) const override {
    DWORD type = 0;
    if (RegQueryValueExW(Key, Wide(name).c_str(), nullptr, &type, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return TRegistryValueType::None;
    }
    if (type == REG_DWORD) {
      return TRegistryValueType::Dword;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      return TRegistryValueType::String;
    }
    return TRegistryValueType::None;
  }

  uint32_t ReadDword(const QString& name, uint32_t defaultValue) const override {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(Key, Wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
      return defaultValue;
    }
    return value;
  }

  QString ReadString(const QString& name, const QString& defaultValue) const override {
    const std::wstring wideName = Wide(name);
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0;
      DWORD size = 0;
      if (RegQueryValueExW(Key, wideName.c_str(), nullptr, &type, nullptr, &size) !=
              ERROR_SUCCESS ||
          (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return defaultValue;
      }
      std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
      DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
      const LONG result = RegQueryValueExW(Key, wideName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer.data()), &got);
      if (result == ERROR_MORE_DATA) {
        continue; // changed between the two calls
      }
      if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return defaultValue;
      }
      size_t length = got / sizeof(wchar_t);
      if (length > 0 && buffer[length - 1] == L'\0') {
        --length; // the one terminator we wrote
      }
      return QString::fromWCharArray(buffer.data(), static_cast<qsizetype>(length));
    }
    return defaultValue;
  }

  void WriteDword(const QString& name, uint32_t value) override {
    const DWORD data = value;
    RegSetValueExW(Key, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                   sizeof(data));
  }

  void WriteString(const QString& name, const QString& value) override {
    const std::wstring data = Wide(value); // may hold inner zeros
    RegSetValueExW(Key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }

  void DeleteValue(const QString& name) override { RegDeleteValueW(Key, Wide(name).c_str()); }

  QStringList SubKeyNames() const override {
    QStringList names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
      DWORD length = 256;
      const LONG result =
          RegEnumKeyExW(Key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (result != ERROR_SUCCESS) {
        break;
      }
      names.append(QString::fromWCharArray(name, static_cast<qsizetype>(length)));
    }
    return names;
  }

  bool DeleteSubKey(const QString& name) override {
    return RegDeleteTreeW(Key, Wide(name).c_str()) == ERROR_SUCCESS;
  }

private:
  HKEY Key;
};

} // namespace

std::unique_ptr<TRegistryKey> TWinRegistry::OpenKey(const QString& path, bool canCreate) {
  HKEY key = nullptr;
  const std::wstring widePath = Wide(path);
  const LONG result =
      canCreate ? RegCreateKeyExW(HKEY_CURRENT_USER, widePath.c_str(), 0, nullptr, 0,
                                  KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
                : RegOpenKeyExW(HKEY_CURRENT_USER, widePath.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (result != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<TWinRegistryKey>(key);
}

} // namespace tessra

#endif
