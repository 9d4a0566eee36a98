#include "app/DemoMode.h"

#include <QDir>
#include <QHostAddress>

#include "common/ChatException.h"
#include "engine/DimensionList.h"
#include "server/ChatServer.h"
#include "server/DemoDirector.h"
#include "server/DemoWhoisSite.h"
#include "settings/FileRegistry.h"
#include "settings/LoginArray.h"
#include "settings/LoginStore.h"
#include "settings/SettingsStore.h"

namespace tessra {

namespace {

constexpr char kDemoDescription[] = "The demo's chat server, inside this program";

} // namespace

TDemoMode::TDemoMode() : Temp(QDir::tempPath() + QStringLiteral("/tessra-demo-XXXXXX")) {
  if (!Temp.isValid()) {
    throw TChatException("The demo could not create its temporary folder: " +
                         Temp.errorString().toStdString());
  }
  FolderPath = Temp.path();
  SettingsFile = QDir(FolderPath).filePath(QStringLiteral("settings.json"));
  LogsPath = QDir(FolderPath).filePath(QStringLiteral("logs"));

  ChatServer =
      std::make_unique<TChatServer>(TDemoDirector::DemoConfig(), TChatServer::RandomSecret());
  // Loopback only: the demo is never reachable from another machine.
  if (!ChatServer->Listen(QHostAddress::LocalHost, 0)) {
    throw TChatException("The demo's chat server could not start: " +
                         ChatServer->ErrorString().toStdString());
  }
  Cast = std::make_unique<TDemoDirector>(*ChatServer);
  Cast->Start();
  // Whois asks this stand-in for the game's web site, on loopback too.
  WhoisSite = std::make_unique<TDemoWhoisSite>();
  WriteSettings();
}

TDemoMode::~TDemoMode() {
  // The director talks to the server; it goes first.
  Cast.reset();
  ChatServer.reset();
}

quint16 TDemoMode::Port() const {
  return ChatServer->ServerPort();
}

const std::string& TDemoMode::ServerKeyHex() const {
  return ChatServer->ServerKeyHex();
}

void TDemoMode::WriteSettings() const {
  TFileRegistry registry(SettingsFile);
  registry.Load();
  {
    auto key = registry.OpenKey(kSettingsKey, true);
    if (!key) {
      throw TChatException("The demo could not write its settings");
    }
    // The login dialog at start-up, on the demo account.
    key->WriteInteger(QStringLiteral("OnStartup"), 1);
    key->WriteString(QStringLiteral("LastUser"), kAccount);
    key->WriteString(QStringLiteral("LastDimension"), kDimensionName);
    // Chat logs stay in the demo's folder too.
    key->WriteBool(QStringLiteral("Logging"), true);
    key->WriteString(QStringLiteral("LoggingFolder"), QDir::toNativeSeparators(LogsPath + '/'));
  }
  TLoginArray logins;
  logins.SetLoginPassword(kAccount, kPassword.toStdString());
  logins.SetLastCharacter(kAccount, kCharacter);
  SaveLogins(registry, logins);
  if (!registry.Flush()) {
    throw TChatException("The demo could not write its settings to " + SettingsFile.toStdString());
  }
}

void TDemoMode::SetDimensions(TDimensionList& dimensions) const {
  dimensions.Clear();
  dimensions.AddNew(kDimensionName, QString::fromLatin1(kDemoDescription), Port(),
                    QStringLiteral("127.0.0.1"));
}

void TDemoMode::Apply(TMainForm::TOptions& options) const {
  auto registry = std::make_unique<TFileRegistry>(SettingsFile);
  registry->Load();
  options.Registry = std::move(registry);
  options.ServerKeyHex = ServerKeyHex();
  options.BuiltInDimensions = [this](TDimensionList& dimensions) { SetDimensions(dimensions); };
  // Without its site (no free port) whois still stays on this machine: the look-up fails at a
  // closed loopback port and says "Unknown character".
  options.WhoisHost = WhoisSite->IsListening() ? WhoisSite->Host() : QStringLiteral("127.0.0.1:1");
}

} // namespace tessra
