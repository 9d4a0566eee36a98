#include "LoginStore.h"

#include "PasswordScramble.h"
#include "SettingsStore.h"

namespace tessra {

namespace {

bool UsableKeyName(const QString& name) {
  return !name.isEmpty() && !name.contains(QLatin1Char('\\'));
}

QString SubKey(const QString& parent, const QString& name) {
  return parent + QLatin1Char('\\') + name;
}

void DeleteAllSubKeys(TRegistry& registry, const QString& path) {
  if (auto key = registry.OpenKey(path, false)) {
    for (const QString& name : key->SubKeyNames()) {
      key->DeleteSubKey(name);
    }
  }
}

} // namespace

void LoadLogins(TRegistry& registry, TLoginArray& logins) {
  logins.Clear();
  QStringList names;
  if (auto key = registry.OpenKey(kLoginsKey, false)) {
    names = key->SubKeyNames();
  }
  for (const QString& name : names) {
    if (auto key = registry.OpenKey(SubKey(kLoginsKey, name), false)) {
      logins.SetLoginPassword(name,
                              UnscramblePassword(key->ReadBytes(QStringLiteral("Password"), {})));
      logins.SetLastCharacter(name, key->ReadString(QStringLiteral("LastChar"), QString()));
    }
  }
}

void SaveLogins(TRegistry& registry, const TLoginArray& logins) {
  DeleteAllSubKeys(registry, kLoginsKey);
  for (int i = 0; i < logins.Count(); ++i) {
    const TLoginInfo& login = logins.Get(i);
    if (!UsableKeyName(login.Account)) {
      continue;
    }
    if (auto key = registry.OpenKey(SubKey(kLoginsKey, login.Account), true)) {
      key->WriteBytes(QStringLiteral("Password"), ScramblePassword(login.Password));
      key->WriteString(QStringLiteral("LastChar"), login.LastChar);
    }
  }
}

void LoadDimensions(TRegistry& registry, TDimensionList& dimensions) {
  for (int i = dimensions.Count() - 1; i >= 0; --i) {
    if (!dimensions.Get(i)->BuiltIn) {
      dimensions.Delete(i);
    }
  }
  QStringList names;
  if (auto key = registry.OpenKey(kDimensionsKey, false)) {
    names = key->SubKeyNames();
  }
  for (const QString& name : names) {
    if (auto key = registry.OpenKey(SubKey(kDimensionsKey, name), false)) {
      const QString host = key->ReadString(QStringLiteral("Host"), QString());
      const int32_t port = key->ReadInteger(QStringLiteral("Port"), kDefaultDimensionPort);
      const QString description = key->ReadString(QStringLiteral("Description"), QString());
      dimensions.AddNew(name, description, port, host)->SetBuiltIn(false);
    }
  }
}

void SaveDimensions(TRegistry& registry, const TDimensionList& dimensions) {
  DeleteAllSubKeys(registry, kDimensionsKey);
  for (int i = 0; i < dimensions.Count(); ++i) {
    const TDimensionInfo* dimension = dimensions.Get(i);
    if (dimension->BuiltIn || !UsableKeyName(dimension->Name)) {
      continue;
    }
    if (auto key = registry.OpenKey(SubKey(kDimensionsKey, dimension->Name), true)) {
      key->WriteString(QStringLiteral("Description"), dimension->Description);
      key->WriteString(QStringLiteral("Host"), dimension->Host);
      key->WriteInteger(QStringLiteral("Port"), dimension->Port);
    }
  }
}

void MarkBuiltInDimensions(TDimensionList& dimensions) {
  for (int i = 0; i < dimensions.Count(); ++i) {
    dimensions.Get(i)->SetBuiltIn(true);
  }
}

} // namespace tessra
