#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

#include "PasswordScramble.h"

namespace tessra {

namespace {

QString PasswordFromStore(const TRegistryKey& key, const QString& name) {
  const TBytes plain = UnscramblePassword(key.ReadBytes(name, TBytes()));
  return QString::fromUtf8(plain.data(), static_cast<qsizetype>(plain.size()));
}

void PasswordToStore(TRegistryKey& key, const QString& name, const QString& password) {
  const QByteArray utf8 = password.toUtf8();
  key.WriteBytes(name,
                 ScramblePassword(TBytes(utf8.constData(), static_cast<size_t>(utf8.size()))));
}

const QString kFriendsPrefix = QStringLiteral("FriendsTreeView");
const QString kGroupsPrefix = QStringLiteral("GroupsTreeView");
const QString kOutputPrefix = QStringLiteral("OutputMemo");
const QString kInputPrefix = QStringLiteral("InputEdit");

} // namespace

QString DefaultLoggingFolder() {
#ifdef Q_OS_WIN
  const QString base = QCoreApplication::applicationDirPath();
#else
  const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#endif
  return QDir::toNativeSeparators(base + QStringLiteral("/Logs/"));
}

void ReadFontGroup(const TRegistryKey& key, const QString& prefix, TFontSettings& font) {
  font.CharSet = key.ReadInteger(prefix + QStringLiteral("_FontCharSet"), font.CharSet);
  font.Color = key.ReadDword(prefix + QStringLiteral("_FontColor"), font.Color);
  font.Name = key.ReadString(prefix + QStringLiteral("_FontName"), font.Name);
  font.Size = key.ReadInteger(prefix + QStringLiteral("_FontSize"), font.Size);
  font.Bold = key.ReadBool(prefix + QStringLiteral("_FontBold"), font.Bold);
  font.Underline = key.ReadBool(prefix + QStringLiteral("_FontUnderline"), font.Underline);
  font.Italic = key.ReadBool(prefix + QStringLiteral("_FontItalic"), font.Italic);
  font.StrikeOut = key.ReadBool(prefix + QStringLiteral("_FontStrikeOut"), font.StrikeOut);
}

void WriteFontGroup(TRegistryKey& key, const QString& prefix, const TFontSettings& font) {
  key.WriteInteger(prefix + QStringLiteral("_FontCharSet"), font.CharSet);
  key.WriteDword(prefix + QStringLiteral("_FontColor"), font.Color);
  key.WriteString(prefix + QStringLiteral("_FontName"), font.Name);
  key.WriteInteger(prefix + QStringLiteral("_FontSize"), font.Size);
  key.WriteBool(prefix + QStringLiteral("_FontBold"), font.Bold);
  key.WriteBool(prefix + QStringLiteral("_FontUnderline"), font.Underline);
  key.WriteBool(prefix + QStringLiteral("_FontItalic"), font.Italic);
  key.WriteBool(prefix + QStringLiteral("_FontStrikeOut"), font.StrikeOut);
}

bool LoadSettings(TRegistry& registry, TSettings& settings, const TSettingsHooks& hooks) {
  if (hooks.LoadAccounts) {
    hooks.LoadAccounts(registry);
  }
  // Held open to the end: the file store then writes everything at once.
  const auto toolbars = registry.OpenKey(kToolbarsKey, true);
  if (toolbars && hooks.LoadToolbars) {
    hooks.LoadToolbars(*toolbars);
  }

  // Whatever happens below, the fields start from their defaults (an unopenable
  // store must not leave OnStartup at 0 or the reconnect limits at nothing).
  const TSettings defaults;
  const int32_t groupsHeight = settings.GroupsTreeViewHeight;
  const int32_t inputHeight = settings.InputPanelHeight;
  settings = defaults;
  settings.GroupsTreeViewHeight = groupsHeight;
  settings.InputPanelHeight = inputHeight;
  settings.IgnoreAllFolder = settings.VeyraDirectory;
  settings.LoggingFolder = DefaultLoggingFolder();

  const auto key = registry.OpenKey(kSettingsKey, false);
  if (!key) {
    return false;
  }
  TSettings& s = settings;
  const TRegistryKey& k = *key;
  auto readBool = [&k](const char* name, bool& field) {
    field = k.ReadBool(QLatin1String(name), field);
  };
  auto readInt = [&k](const char* name, int32_t& field) {
    field = k.ReadInteger(QLatin1String(name), field);
  };
  auto readString = [&k](const char* name, QString& field) {
    field = k.ReadString(QLatin1String(name), field);
  };
  auto readColor = [&k](const char* name, TColorCode& field) {
    field = k.ReadDword(QLatin1String(name), field);
  };

  readBool("AwayLogging", s.AwayLogging);
  readBool("AwayAutoCancel", s.AwayAutoCancel);
  readBool("AutoAway", s.AutoAway);
  readInt("AutoAwayIdle", s.AutoAwayIdle);
  readString("AutoAwayMessage", s.AutoAwayMessage);
  readBool("PlaySounds", s.PlaySounds);
  readString("VeyraDirectory", s.VeyraDirectory);
  readBool("IgnoreList", s.IgnoreList);
  readInt("IgnoreMode", s.IgnoreMode);
  s.IgnoreAllFolder = s.VeyraDirectory;
  readString("IgnoreAllFolder", s.IgnoreAllFolder);
  readBool("GroupPanelVisible", s.GroupPanelVisible);
  readInt("GroupsTreeViewHeight", s.GroupsTreeViewHeight);
  readInt("InputPanelHeight", s.InputPanelHeight);
  readBool("StatusBarVisible", s.StatusBarVisible);
  if (hooks.ApplyLayout) {
    hooks.ApplyLayout(s);
  }
  readString("SocksHost", s.SocksHost);
  readString("SocksPort", s.SocksPort);
  readString("SocksUser", s.SocksUser);
  readString("SocksPass", s.SocksPass);
  readBool("SocksVer5", s.SocksVer5);
  readBool("SocksProxy", s.SocksProxy);
  if (hooks.SetProxy) {
    hooks.SetProxy(s);
  }
  readBool("AutoReconnect", s.AutoReconnect);
  readInt("ReconnectTimes", s.ReconnectTimes);
  readInt("ReconnectDelay", s.ReconnectDelay);
  readString("AutoLoginDimension", s.AutoLoginDimension);
  readString("AutoLoginUser", s.AutoLoginUser);
  s.AutoLoginPassword = PasswordFromStore(k, QStringLiteral("AutoLoginPassword"));
  readInt("OnStartup", s.OnStartup);
  readString("LastUser", s.LastUser);
  readString("LastDimension", s.LastDimension);
  readBool("ParseEmoticons", s.ParseEmoticons);
  readBool("ParseUrls", s.ParseUrls);
  readBool("LinkNames", s.LinkNames);
  readBool("LinkGroups", s.LinkGroups);
  readBool("TimestampChat", s.TimestampChat);
  readString("TimestampFormat", s.TimestampFormat);
  readColor("TimestampColor", s.TimestampColor);
  readBool("SmoothScrolling", s.SmoothScrolling);
  readBool("TimestampIndent", s.TimestampIndent);
  readInt("LineSpacing", s.LineSpacing);
  if (hooks.ApplyConsole) {
    hooks.ApplyConsole(s);
  }
  ReadFontGroup(k, kFriendsPrefix, s.FriendsTreeViewFont);
  ReadFontGroup(k, kGroupsPrefix, s.GroupsTreeViewFont);
  ReadFontGroup(k, kOutputPrefix, s.OutputMemoFont);
  ReadFontGroup(k, kInputPrefix, s.InputEditFont);
  readColor("FriendsTreeView_Color", s.FriendsTreeViewColor);
  readColor("GroupsTreeView_Color", s.GroupsTreeViewColor);
  readColor("OutputMemo_Color", s.OutputMemoColor);
  readColor("InputEdit_Color", s.InputEditColor);
  if (hooks.ApplyFonts) {
    hooks.ApplyFonts(s);
  }
  readBool("Logging", s.Logging);
  readBool("TimestampLogging", s.TimestampLogging);
  readString("LoggingFolder", s.LoggingFolder);
  readBool("LogGroup", s.LogGroup);
  readBool("LogPrivate", s.LogPrivate);
  readBool("LogPrivateGroup", s.LogPrivateGroup);
  readBool("LogSystem", s.LogSystem);
  readBool("LogError", s.LogError);
  if (hooks.SetLogging) {
    hooks.SetLogging(s.Logging);
  }
  readBool("NewSignMessages", s.NewSignMessages);
  readString("ItemDb", s.ItemDb);
  readBool("ItemQl", s.ItemQl);
  return true;
}

bool SaveSettings(TRegistry& registry, TSettings& settings, const TSettingsHooks& hooks) {
  // Opened first and held to the end, so the file store writes once.
  const auto toolbars = registry.OpenKey(kToolbarsKey, true);
  if (hooks.SaveAccounts) {
    hooks.SaveAccounts(registry);
  }
  if (toolbars && hooks.SaveToolbars) {
    hooks.SaveToolbars(*toolbars);
  }
  if (hooks.GatherFromControls) {
    hooks.GatherFromControls(settings);
  }
  if (hooks.GetProxy) {
    hooks.GetProxy(settings);
  }
  const auto key = registry.OpenKey(kSettingsKey, true);
  if (!key) {
    return false;
  }
  const TSettings& s = settings;
  TRegistryKey& k = *key;
  auto writeBool = [&k](const char* name, bool value) { k.WriteBool(QLatin1String(name), value); };
  auto writeInt = [&k](const char* name, int32_t value) {
    k.WriteInteger(QLatin1String(name), value);
  };
  auto writeString = [&k](const char* name, const QString& value) {
    k.WriteString(QLatin1String(name), value);
  };
  auto writeColor = [&k](const char* name, TColorCode value) {
    k.WriteDword(QLatin1String(name), value);
  };

  writeBool("AwayLogging", s.AwayLogging);
  writeBool("AwayAutoCancel", s.AwayAutoCancel);
  writeBool("AutoAway", s.AutoAway);
  writeInt("AutoAwayIdle", s.AutoAwayIdle);
  writeString("AutoAwayMessage", s.AutoAwayMessage);
  writeBool("PlaySounds", s.PlaySounds);
  writeString("VeyraDirectory", s.VeyraDirectory);
  writeBool("IgnoreList", s.IgnoreList);
  writeInt("IgnoreMode", s.IgnoreMode);
  writeString("IgnoreAllFolder", s.IgnoreAllFolder);
  writeBool("GroupPanelVisible", s.GroupPanelVisible);
  writeInt("GroupsTreeViewHeight", s.GroupsTreeViewHeight);
  writeInt("InputPanelHeight", s.InputPanelHeight);
  writeBool("StatusBarVisible", s.StatusBarVisible);
  writeBool("SocksProxy", s.SocksProxy);
  writeBool("SocksVer5", s.SocksVer5);
  writeString("SocksHost", s.SocksHost);
  writeString("SocksPort", s.SocksPort);
  writeString("SocksUser", s.SocksUser);
  writeString("SocksPass", s.SocksPass);
  writeBool("AutoReconnect", s.AutoReconnect);
  writeInt("ReconnectTimes", s.ReconnectTimes);
  writeInt("ReconnectDelay", s.ReconnectDelay);
  writeString("AutoLoginDimension", s.AutoLoginDimension);
  writeString("AutoLoginUser", s.AutoLoginUser);
  PasswordToStore(k, QStringLiteral("AutoLoginPassword"), s.AutoLoginPassword);
  writeInt("OnStartup", s.OnStartup);
  writeString("LastUser", s.LastUser);
  writeString("LastDimension", s.LastDimension);
  writeBool("ParseEmoticons", s.ParseEmoticons);
  writeBool("ParseUrls", s.ParseUrls);
  writeBool("LinkNames", s.LinkNames);
  writeBool("LinkGroups", s.LinkGroups);
  writeBool("TimestampChat", s.TimestampChat);
  writeString("TimestampFormat", s.TimestampFormat);
  writeColor("TimestampColor", s.TimestampColor);
  writeBool("SmoothScrolling", s.SmoothScrolling);
  writeBool("TimestampIndent", s.TimestampIndent);
  writeInt("LineSpacing", s.LineSpacing);
  WriteFontGroup(k, kFriendsPrefix, s.FriendsTreeViewFont);
  WriteFontGroup(k, kGroupsPrefix, s.GroupsTreeViewFont);
  WriteFontGroup(k, kOutputPrefix, s.OutputMemoFont);
  WriteFontGroup(k, kInputPrefix, s.InputEditFont);
  writeColor("FriendsTreeView_Color", s.FriendsTreeViewColor);
  writeColor("GroupsTreeView_Color", s.GroupsTreeViewColor);
  writeColor("OutputMemo_Color", s.OutputMemoColor);
  writeColor("InputEdit_Color", s.InputEditColor);
  writeBool("Logging", s.Logging);
  writeBool("TimestampLogging", s.TimestampLogging);
  writeString("LoggingFolder", s.LoggingFolder);
  writeBool("LogGroup", s.LogGroup);
  writeBool("LogPrivate", s.LogPrivate);
  writeBool("LogPrivateGroup", s.LogPrivateGroup);
  writeBool("LogSystem", s.LogSystem);
  writeBool("LogError", s.LogError);
  writeBool("NewSignMessages", s.NewSignMessages);
  writeString("ItemDb", s.ItemDb);
  writeBool("ItemQl", s.ItemQl);
  return true;
}

QStringList LoadMutedChannels(TRegistry& registry, const QString& currentChar) {
  const auto key = registry.OpenKey(kMutedChannelsKey, true);
  if (!key || currentChar.isEmpty()) {
    return {};
  }
  const QRegularExpression kLineEnd(QStringLiteral("\r\n|\r|\n"));
  return key->ReadString(currentChar, QString()).split(kLineEnd, Qt::SkipEmptyParts);
}

void SaveMutedChannels(TRegistry& registry, const QString& currentChar,
                       const QStringList& channels) {
  const auto key = registry.OpenKey(kMutedChannelsKey, true);
  if (!key || currentChar.isEmpty()) {
    return;
  }
  QString text;
  for (const QString& channel : channels) {
    text += channel + QStringLiteral("\r\n");
  }
  key->WriteString(currentChar, text);
}

} // namespace tessra
