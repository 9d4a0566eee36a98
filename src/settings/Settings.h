#pragma once

#include <cstdint>

#include <QString>

#include "ColorCode.h"
#include "FontSettings.h"

namespace tessra {

// Every main setting of the program, each named after its registry value under
// "Software\\Tessra" and starting at its default. The main window holds one of
// these; consumers read the fields directly.
struct TSettings {
  bool AwayLogging = true;
  bool AwayAutoCancel = false;
  bool AutoAway = false;
  int32_t AutoAwayIdle = 10; // minutes
  QString AutoAwayMessage = QStringLiteral("Auto-away after 10 minutes");
  bool PlaySounds = true;
  QString VeyraDirectory = QStringLiteral("C:\\Program Files\\Kestrin\\Veyra\\");
  bool IgnoreList = false;
  int32_t IgnoreMode = 0;
  QString IgnoreAllFolder; // defaults to VeyraDirectory as read
  bool GroupPanelVisible = true;
  int32_t GroupsTreeViewHeight = 193; // defaults to the control's current height
  int32_t InputPanelHeight = 73;      // likewise
  bool StatusBarVisible = true;
  // The proxy values belong to the engine (SetProxy/GetProxy); they pass
  // through here only on their way to and from the store.
  QString SocksHost;
  QString SocksPort;
  QString SocksUser;
  QString SocksPass; // stored as typed
  bool SocksVer5 = false;
  bool SocksProxy = false;
  bool AutoReconnect = false;
  int32_t ReconnectTimes = 10;
  int32_t ReconnectDelay = 10; // seconds
  QString AutoLoginDimension;
  QString AutoLoginUser;
  QString AutoLoginPassword; // stored scrambled
  int32_t OnStartup = 1;     // 0 nothing, 1 login dialog, 2 start-up login
  QString LastUser;
  QString LastDimension = QStringLiteral("Merovan");
  bool ParseEmoticons = true;
  bool ParseUrls = true;
  bool LinkNames = true;
  bool LinkGroups = true;
  bool TimestampChat = true;
  QString TimestampFormat = QStringLiteral("[hh:nn]");
  TColorCode TimestampColor = 0x00808080;
  bool SmoothScrolling = false;
  bool TimestampIndent = true;
  int32_t LineSpacing = 0;
  TFontSettings FriendsTreeViewFont;
  TFontSettings GroupsTreeViewFont;
  TFontSettings OutputMemoFont;
  TFontSettings InputEditFont;
  TColorCode FriendsTreeViewColor = kColorWindow;
  TColorCode GroupsTreeViewColor = kColorWindow;
  TColorCode OutputMemoColor = kColorWindow;
  TColorCode InputEditColor = kColorWindow;
  bool Logging = false;
  bool TimestampLogging = true;
  QString LoggingFolder; // defaults to DefaultLoggingFolder() (SettingsStore.h)
  bool LogGroup = true;
  bool LogPrivate = true;
  bool LogPrivateGroup = true;
  bool LogSystem = true;
  bool LogError = true;
  bool NewSignMessages = false;
  QString ItemDb = QStringLiteral("veyradb");
  bool ItemQl = true;

  bool operator==(const TSettings&) const = default;
};

} // namespace tessra
