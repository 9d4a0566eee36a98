#pragma once

#include <memory>
#include <string>

#include <QString>
#include <QTemporaryDir>

#include "app/MainForm.h"

namespace tessra {

class TChatServer;
class TDemoDirector;
class TDemoWhoisSite;
class TDimensionList;

// The program's demo: the reference chat server with its cast of scripted
// characters, running inside the program on a free loopback port, and a
// settings store of its own in a temporary folder (the user's real settings
// are never read or written). The login dialog opens on the dimension
// "Local Demo" with the account demo1 and its password filled in, and the
// character selection preselects Alira. Everything goes when the object
// does.
class TDemoMode {
public:
  static inline const QString kDimensionName = QStringLiteral("Local Demo");
  static inline const QString kAccount = QStringLiteral("demo1");
  static inline const QString kPassword = QStringLiteral("demo");
  static inline const QString kCharacter = QStringLiteral("Alira");

  // Starts the server and writes the settings. Throws TChatException with a
  // sentence for the user when either fails.
  TDemoMode();
  ~TDemoMode();

  TDemoMode(const TDemoMode&) = delete;
  TDemoMode& operator=(const TDemoMode&) = delete;

  // The window's options for the demo: the store on the demo's settings
  // file, the server's key and "Local Demo" as the one built-in dimension, so
  // that nothing but loopback can be picked at the login dialog. The prompt
  // and the test switches are left to the caller. Whois asks the demo's own
  // site on loopback.
  void Apply(TMainForm::TOptions& options) const;

  // Replaces the engine's own dimensions with "Local Demo".
  void SetDimensions(TDimensionList& dimensions) const;

  const QString& Folder() const { return FolderPath; }
  const QString& SettingsPath() const { return SettingsFile; }
  const QString& LogFolder() const { return LogsPath; }
  quint16 Port() const;
  const std::string& ServerKeyHex() const;
  TChatServer& Server() { return *ChatServer; }
  TDemoDirector& Director() { return *Cast; }
  TDemoWhoisSite& WhoisPages() { return *WhoisSite; }

private:
  void WriteSettings() const;

  QTemporaryDir Temp;
  QString FolderPath;
  QString SettingsFile;
  QString LogsPath;
  std::unique_ptr<TChatServer> ChatServer;
  std::unique_ptr<TDemoDirector> Cast;
  std::unique_ptr<TDemoWhoisSite> WhoisSite;
};

} // namespace tessra
