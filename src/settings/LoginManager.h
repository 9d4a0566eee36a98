#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QWidget>

#include "LoginArray.h"
#include "Prompt.h"
#include "Registry.h"
#include "Settings.h"
#include "engine/VeyraChat.h"

namespace tessra {

// The main window's side of logging in: the saved logins, the user-defined
// dimensions in the engine's list, the login, dimension and character
// dialogs, the bookkeeping at connect time and the start-up login.
class TLoginManager {
public:
  TLoginManager(TVeyraChat& chat, TSettings& settings, TPrompt& prompt,
                QWidget* dialogParent = nullptr);

  TLoginArray Logins;
  // Whether RecordLogin keeps the account's password: the login dialog's
  // checkbox, or true for the start-up login.
  bool RememberPassword = false;

  // Events, each raised only when set.
  std::function<void(TLoginManager& sender)> OnBeginWait;
  std::function<void(TLoginManager& sender)> OnEndWait;
  // The start-up login is about to connect: Connect off, Disconnect on.
  std::function<void(TLoginManager& sender)> OnStartupLogin;
  // Character selection was cancelled; without a handler the engine disconnects.
  std::function<void(TLoginManager& sender)> OnUserDisconnect;

  // Stand-ins for the engine's Connect and Login2 (tests keep off the network
  // with them); unset, the engine's own operations run.
  std::function<void(TVeyraChat& chat)> ConnectEngine;
  std::function<void(TVeyraChat& chat, const TBytes& charName)> Login2Engine;

  // The first step of loading and saving the settings: logins, then dimensions.
  void LoadAccounts(TRegistry& registry);
  void SaveAccounts(TRegistry& registry);

  // True when the user pressed OK and the connection was started.
  bool ShowLoginDialog();
  // True when a character was chosen (it becomes currentChar) and its login started.
  bool SelectCharacter(QString& currentChar);
  // True when the user committed changes to the dimension list.
  bool ManageDimensions();
  std::unique_ptr<TDimensionInfo> NewDimension();

  // The engine accepted the account: remember user, dimension and password.
  void RecordLogin();
  void SetLastCharacter(const QString& account, const QString& charName) {
    Logins.SetLastCharacter(account, charName);
  }
  QString GetLastCharacter(const QString& account) const {
    return Logins.GetLastCharacter(account);
  }

  // OnStartup = 2: connect with the start-up login, or fall back to the login
  // dialog (switching OnStartup to 1) when it is incomplete or its dimension is
  // gone. True when a connection was started.
  bool RunStartupLogin();

private:
  void Connect();

  TVeyraChat& Chat;
  TSettings& Settings;
  TPrompt& Prompt;
  QWidget* DialogParent;
};

} // namespace tessra
