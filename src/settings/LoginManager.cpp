#include "LoginManager.h"

#include "CharSelForm.h"
#include "LoginForm.h"
#include "LoginStore.h"
#include "ServerForm.h"
#include "ServersForm.h"

namespace tessra {

namespace {

QString Text(const TBytes& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

TBytes Bytes(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return TBytes(utf8.constData(), static_cast<size_t>(utf8.size()));
}

} // namespace

TLoginManager::TLoginManager(TVeyraChat& chat, TSettings& settings, TPrompt& prompt,
                             QWidget* dialogParent)
    : Chat(chat), Settings(settings), Prompt(prompt), DialogParent(dialogParent) {}

void TLoginManager::LoadAccounts(TRegistry& registry) {
  LoadLogins(registry, Logins);
  // Loading replaces the user dimensions; the engine's choice must not be left
  // pointing at one of the old entries.
  const bool replaced = Chat.Dimension != nullptr && !Chat.Dimension->BuiltIn &&
                        Chat.DimensionList().IndexOf(Chat.Dimension) >= 0;
  const QString chosen = replaced ? Chat.Dimension->Name : QString();
  LoadDimensions(registry, Chat.DimensionList());
  if (replaced) {
    const int index = Chat.DimensionList().IndexOfName(chosen);
    Chat.Dimension = index >= 0 ? Chat.DimensionList().Get(index) : nullptr;
  }
}

void TLoginManager::SaveAccounts(TRegistry& registry) {
  SaveLogins(registry, Logins);
  SaveDimensions(registry, Chat.DimensionList());
}

void TLoginManager::Connect() {
  if (ConnectEngine) {
    ConnectEngine(Chat);
  } else {
    Chat.Connect();
  }
}

bool TLoginManager::ShowLoginDialog() {
  TLoginForm form(DialogParent, Logins, Chat.DimensionList(), Chat.Dimension, Settings.LastUser,
                  Settings.LastDimension, Prompt);
  if (Prompt.ExecDialog(form) != QDialog::Accepted) {
    return false;
  }
  if (OnBeginWait) {
    OnBeginWait(*this);
  }
  try {
    Chat.Dimension = form.SelectedDimension();
    Chat.UserName = Bytes(form.UserName());
    Chat.Password = Bytes(form.Password());
    RememberPassword = form.RememberPassword();
    Connect();
  } catch (...) {
    if (OnEndWait) {
      OnEndWait(*this);
    }
    throw;
  }
  return true;
}

bool TLoginManager::SelectCharacter(QString& currentChar) {
  QStringList characters;
  const TCharList& list = Chat.CharList();
  for (int i = 0; i < list.Count(); ++i) {
    characters.append(Text(list.GetChar(i).Name));
  }
  TCharSelForm form(DialogParent, characters, GetLastCharacter(Text(Chat.UserName)), Prompt);
  if (Prompt.ExecDialog(form) != QDialog::Accepted) {
    if (OnUserDisconnect) {
      OnUserDisconnect(*this);
    } else {
      Chat.Disconnect();
    }
    return false;
  }
  currentChar = form.CharacterName();
  if (Login2Engine) {
    Login2Engine(Chat, Bytes(currentChar));
  } else {
    Chat.Login2(Bytes(currentChar));
  }
  return true;
}

bool TLoginManager::ManageDimensions() {
  return TServersForm::ManageDimensions(DialogParent, Chat.DimensionList(), Chat.Dimension, Prompt);
}

std::unique_ptr<TDimensionInfo> TLoginManager::NewDimension() {
  QStringList names;
  const TDimensionList& list = Chat.DimensionList();
  for (int i = 0; i < list.Count(); ++i) {
    names.append(list.Get(i)->Name);
  }
  return TServerForm::NewDimension(DialogParent, Prompt, names);
}

void TLoginManager::RecordLogin() {
  Settings.LastUser = Text(Chat.UserName);
  if (Chat.Dimension != nullptr) {
    Settings.LastDimension = Chat.Dimension->Name;
  }
  Logins.SetLoginPassword(Settings.LastUser, RememberPassword ? Chat.Password : TBytes());
}

bool TLoginManager::RunStartupLogin() {
  if (Settings.AutoLoginDimension.isEmpty() || Settings.AutoLoginUser.isEmpty() ||
      Settings.AutoLoginPassword.isEmpty()) {
    Settings.OnStartup = 1;
    return ShowLoginDialog();
  }
  TDimensionList& dimensions = Chat.DimensionList();
  const int index = dimensions.IndexOfName(Settings.AutoLoginDimension);
  if (index < 0) {
    Settings.OnStartup = 1;
    Prompt.Error(DialogParent, QStringLiteral("Could not auto login to the '") +
                                   Settings.AutoLoginDimension +
                                   QStringLiteral("' Dimension.  The \r\nspecified Dimension "
                                                  "configuration no longer exists in Tessra."));
    return ShowLoginDialog();
  }
  RememberPassword = true;
  Chat.Dimension = dimensions.Get(index);
  Chat.UserName = Bytes(Settings.AutoLoginUser);
  Chat.Password = Bytes(Settings.AutoLoginPassword);
  if (OnStartupLogin) {
    OnStartupLogin(*this);
  }
  Connect();
  return true;
}

} // namespace tessra
