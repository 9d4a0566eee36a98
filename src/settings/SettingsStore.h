#pragma once

#include <QString>
#include <QStringList>

#include "FontSettings.h"
#include "Registry.h"
#include "Settings.h"
#include "SettingsHooks.h"

namespace tessra {

inline const QString kSettingsKey = QStringLiteral("Software\\Tessra");
inline const QString kLoginsKey = QStringLiteral("Software\\Tessra\\Logins");
inline const QString kDimensionsKey = QStringLiteral("Software\\Tessra\\Dimensions");
inline const QString kMutedChannelsKey = QStringLiteral("Software\\Tessra\\Muted Channels");
inline const QString kToolbarsKey = QStringLiteral("Software\\Tessra\\MainForm\\Toolbars");
inline const QString kMainFormPath = QStringLiteral("Software\\Tessra\\MainForm");
inline const QString kMessagesFormPath = QStringLiteral("Software\\Tessra\\MessagesForm");

// The folder "Logs", with a trailing separator, rebuilt at every start. On
// Windows it is beside the executable, so moving the program folder moves the
// default. Elsewhere the program is installed into a system folder such as
// /usr/bin that its users cannot (and should not) write to, so the logs go to
// the user's data folder (~/.local/share/Tessra/Logs/ on Linux).
QString DefaultLoggingFolder();

// Reads every main value in its fixed order, each with its default, calling the
// hooks at their points. GroupsTreeViewHeight and InputPanelHeight default to
// the values settings holds on entry (the controls' heights). Returns false
// when "Software\\Tessra" could not be opened; the fields then hold their
// defaults.
bool LoadSettings(TRegistry& registry, TSettings& settings, const TSettingsHooks& hooks = {});
// Writes every main value; false when nothing could be written.
bool SaveSettings(TRegistry& registry, TSettings& settings, const TSettingsHooks& hooks = {});

void ReadFontGroup(const TRegistryKey& key, const QString& prefix, TFontSettings& font);
void WriteFontGroup(TRegistryKey& key, const QString& prefix, const TFontSettings& font);

// The muted public channels of one character, one name per line.
QStringList LoadMutedChannels(TRegistry& registry, const QString& currentChar);
void SaveMutedChannels(TRegistry& registry, const QString& currentChar,
                       const QStringList& channels);

} // namespace tessra
