#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "common/ChatException.h"
#include "settings/CharSelForm.h"
#include "settings/FileRegistry.h"
#include "settings/LoginForm.h"
#include "settings/LoginManager.h"
#include "settings/LoginStore.h"
#include "settings/PasswordScramble.h"
#include "settings/ScriptedPrompt.h"
#include "settings/SettingsStore.h"

namespace tessra {
namespace {

// The main window's pieces around a real engine whose Connect and Login2 are
// only recorded, so nothing leaves the process.
class LoginManagerTest : public ::testing::Test {
protected:
  LoginManagerTest() {
    MarkBuiltInDimensions(Chat.DimensionList());
    Manager.ConnectEngine = [this](TVeyraChat& chat) {
      Calls << QStringLiteral("Connect ") + QString::fromStdString(chat.UserName) + "/" +
                   QString::fromStdString(chat.Password) + "@" +
                   (chat.Dimension != nullptr ? chat.Dimension->Name : QStringLiteral("none"));
    };
    Manager.Login2Engine = [this](TVeyraChat&, const TBytes& name) {
      Calls << QStringLiteral("Login2 ") + QString::fromStdString(name);
    };
    Manager.OnUserDisconnect = [this](TLoginManager&) {
      Calls << QStringLiteral("UserDisconnect");
    };
    Manager.OnBeginWait = [this](TLoginManager&) { Calls << QStringLiteral("BeginWait"); };
    Manager.OnEndWait = [this](TLoginManager&) { Calls << QStringLiteral("EndWait"); };
    Manager.OnStartupLogin = [this](TLoginManager&) { Calls << QStringLiteral("StartupLogin"); };
  }

  static void Login(QDialog& dialog, const QString& user, const QString& password, bool remember,
                    int dimension) {
    auto& form = dynamic_cast<TLoginForm&>(dialog);
    form.UserNameBox()->setEditText(user);
    form.PasswordEdit()->setText(password);
    form.RememberBox()->setChecked(remember);
    form.DimensionBox()->setCurrentIndex(dimension);
    form.accept();
  }

  // Connects through the login dialog and lets the engine report OnConnect.
  void ConnectAs(const QString& user, const QString& password, bool remember) {
    Prompt.Dialogs.push_back([=](QDialog& dialog) { Login(dialog, user, password, remember, 1); });
    ASSERT_TRUE(Manager.ShowLoginDialog());
    Manager.RecordLogin();
  }

  TVeyraChat Chat;
  TSettings Settings;
  TScriptedPrompt Prompt;
  TLoginManager Manager{Chat, Settings, Prompt};
  QStringList Calls;
};

TEST_F(LoginManagerTest, LoginDialogOkConnectsWithWhatWasEntered) {
  Prompt.Dialogs.push_back([](QDialog& dialog) { Login(dialog, "Bob", "pw", true, 2); });
  EXPECT_TRUE(Manager.ShowLoginDialog());
  EXPECT_EQ(Calls, (QStringList{"BeginWait", "Connect Bob/pw@Ostvale"}));
  EXPECT_TRUE(Manager.RememberPassword);
  EXPECT_EQ(Chat.Dimension, Chat.DimensionList().Get(2));

  Calls.clear();
  Prompt.Dialogs.push_back([](QDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(Manager.ShowLoginDialog());
  EXPECT_TRUE(Calls.isEmpty());
}

TEST_F(LoginManagerTest, AFailingConnectEndsTheWaitAndGoesOn) {
  Manager.ConnectEngine = [](TVeyraChat&) { throw TChatException("Socket not connected"); };
  Prompt.Dialogs.push_back([](QDialog& dialog) { Login(dialog, "Bob", "pw", false, 0); });
  EXPECT_THROW(Manager.ShowLoginDialog(), TChatException);
  EXPECT_EQ(Calls, (QStringList{"BeginWait", "EndWait"}));
}

TEST_F(LoginManagerTest, RecordLoginKeepsTheSavedLettersAndForgetsAnUnrememberedPassword) {
  ConnectAs("Bob", "first", true);
  Manager.SetLastCharacter(Settings.LastUser, "Zorn");
  EXPECT_EQ(Settings.LastUser, QStringLiteral("Bob"));
  EXPECT_EQ(Settings.LastDimension, QStringLiteral("Pellis"));
  EXPECT_EQ(Manager.Logins.GetLoginPassword("bob"), "first");

  // The same account in other letters, without "Remember password".
  ConnectAs("BOB", "second", false);
  ASSERT_EQ(Manager.Logins.Count(), 1);
  EXPECT_EQ(Manager.Logins.Get(0).Account, QStringLiteral("Bob"));
  EXPECT_TRUE(Manager.Logins.GetLoginPassword("Bob").empty());
  EXPECT_EQ(Manager.GetLastCharacter("bob"), QStringLiteral("Zorn"));
  EXPECT_EQ(Settings.LastUser, QStringLiteral("BOB"));

  // Saved and loaded again: one sub-key, in the first letters, still offered.
  QTemporaryDir dir;
  TFileRegistry registry(dir.filePath("settings.json"));
  Manager.SaveAccounts(registry);
  EXPECT_EQ(registry.OpenKey(kLoginsKey, false)->SubKeyNames(), QStringList{"Bob"});
  Manager.Logins.Clear();
  Manager.LoadAccounts(registry);
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& form = dynamic_cast<TLoginForm&>(dialog);
    EXPECT_EQ(form.UserNameBox()->count(), 1);
    EXPECT_EQ(form.UserNameBox()->itemText(0), QStringLiteral("Bob"));
    EXPECT_EQ(form.UserName(), QStringLiteral("BOB")); // LastUser
    EXPECT_TRUE(form.Password().isEmpty());
    EXPECT_FALSE(form.RememberPassword());
    dialog.reject();
  });
  Manager.ShowLoginDialog();
}

TEST_F(LoginManagerTest, CharacterSelectionLogsInOrDisconnects) {
  Chat.UserName = "bob";
  Chat.CharList().Add("Zorn", 1, false);
  Chat.CharList().Add("Mira", 2, false);
  Manager.Logins.SetLoginPassword("Bob", "");
  Manager.SetLastCharacter("BOB", "Mira");
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& form = dynamic_cast<TCharSelForm&>(dialog);
    EXPECT_EQ(form.CharacterName(), QStringLiteral("Mira"));
    form.CharacterBox()->setEditText("zORN");
    form.accept();
  });
  QString currentChar;
  EXPECT_TRUE(Manager.SelectCharacter(currentChar));
  EXPECT_EQ(currentChar, QStringLiteral("zORN"));
  EXPECT_EQ(Calls, QStringList{"Login2 zORN"});

  Calls.clear();
  Prompt.Dialogs.push_back([](QDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(Manager.SelectCharacter(currentChar));
  EXPECT_EQ(currentChar, QStringLiteral("zORN"));
  EXPECT_EQ(Calls, QStringList{"UserDisconnect"});
}

TEST_F(LoginManagerTest, StartupLoginConnectsWithTheStoredLogin) {
  Settings.OnStartup = 2;
  Settings.AutoLoginDimension = "test dimension";
  Settings.AutoLoginUser = "bob";
  Settings.AutoLoginPassword = "pw";
  EXPECT_TRUE(Manager.RunStartupLogin());
  EXPECT_EQ(Calls, (QStringList{"StartupLogin", "Connect bob/pw@Test Dimension"}));
  EXPECT_TRUE(Manager.RememberPassword);
  EXPECT_EQ(Settings.OnStartup, 2);
  EXPECT_EQ(Prompt.DialogsRun, 0);
}

TEST_F(LoginManagerTest, StartupLoginFallsBackToTheLoginDialog) {
  struct TCase {
    QString Dimension, User, Password;
    QString Message;
  } const cases[] = {
      {"", "bob", "pw", ""},
      {"Merovan", "", "pw", ""},
      {"Merovan", "bob", "", ""},
      {"Gone", "bob", "pw",
       "Error: Could not auto login to the 'Gone' Dimension.  The \r\nspecified Dimension "
       "configuration no longer exists in Tessra."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Dimension.toStdString() + "/" + c.User.toStdString());
    TScriptedPrompt prompt;
    TLoginManager manager(Chat, Settings, prompt);
    Settings.OnStartup = 2;
    Settings.AutoLoginDimension = c.Dimension;
    Settings.AutoLoginUser = c.User;
    Settings.AutoLoginPassword = c.Password;
    bool dialogShown = false;
    prompt.Dialogs.push_back([&](QDialog& dialog) {
      dialogShown = dynamic_cast<TLoginForm*>(&dialog) != nullptr;
      dialog.reject();
    });
    EXPECT_FALSE(manager.RunStartupLogin());
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(Settings.OnStartup, 1);
    EXPECT_EQ(prompt.Messages, c.Message.isEmpty() ? QStringList() : QStringList{c.Message});
  }
}

TEST_F(LoginManagerTest, AFailedStartupLoginShowsTheLoginDialogAtTheNextStart) {
  QTemporaryDir dir;
  const QString path = dir.filePath("settings.json");
  Settings.OnStartup = 2;
  Settings.AutoLoginDimension = "Gone";
  Settings.AutoLoginUser = "bob";
  Settings.AutoLoginPassword = "pw";
  Manager.RunStartupLogin();
  {
    TFileRegistry registry(path);
    SaveSettings(registry, Settings);
  }
  TFileRegistry registry(path);
  registry.Load();
  TSettings next;
  LoadSettings(registry, next);
  EXPECT_EQ(next.OnStartup, 1);
}

TEST_F(LoginManagerTest, AccountsSurviveARestartThroughTheSettings) {
  QTemporaryDir dir;
  const QString path = dir.filePath("settings.json");
  Manager.Logins.SetLoginPassword("alice", TBytes("\xff\x01", 2)); // scrambles to 0x00 0x03
  Manager.Logins.SetLastCharacter("alice", "Mira");
  Manager.Logins.SetLoginPassword("bad\\name", "x");
  Chat.DimensionList().AddNew("Home", "first\r\nsecond", 7300, "127.0.0.1");
  Chat.DimensionList().AddNew("Lab", "", 9000, "::1");
  TSettingsHooks hooks;
  hooks.SaveAccounts = [this](TRegistry& registry) { Manager.SaveAccounts(registry); };
  hooks.LoadAccounts = [this](TRegistry& registry) { Manager.LoadAccounts(registry); };
  {
    TFileRegistry registry(path);
    SaveSettings(registry, Settings, hooks);
    // Built-in dimensions are never written; a sub-key without Port reads 7012.
    EXPECT_EQ(registry.OpenKey(kDimensionsKey, false)->SubKeyNames(), (QStringList{"Home", "Lab"}));
    registry.OpenKey(kDimensionsKey + "\\Lab", false)->DeleteValue("Port");
    EXPECT_EQ(registry.OpenKey(kLoginsKey, false)->SubKeyNames(), QStringList{"alice"});
    EXPECT_EQ(registry.OpenKey(kLoginsKey + "\\alice", false)->ReadBytes("Password", {}),
              TBytes("\x00\x03", 2));
  }
  TVeyraChat chat;
  MarkBuiltInDimensions(chat.DimensionList());
  TScriptedPrompt prompt;
  TLoginManager manager(chat, Settings, prompt);
  hooks.LoadAccounts = [&manager](TRegistry& registry) { manager.LoadAccounts(registry); };
  TFileRegistry registry(path);
  registry.Load();
  LoadSettings(registry, Settings, hooks);
  const TDimensionList& dimensions = chat.DimensionList();
  ASSERT_EQ(dimensions.Count(), 6);
  EXPECT_EQ(dimensions.Get(4)->Name, QStringLiteral("Home"));
  EXPECT_EQ(dimensions.Get(4)->Description, QStringLiteral("first\r\nsecond"));
  EXPECT_EQ(dimensions.Get(4)->Port, 7300);
  EXPECT_EQ(dimensions.Get(4)->Host, QStringLiteral("127.0.0.1"));
  EXPECT_FALSE(dimensions.Get(4)->BuiltIn);
  EXPECT_EQ(dimensions.Get(5)->Port, 7012);
  ASSERT_EQ(manager.Logins.Count(), 1);
  EXPECT_EQ(manager.Logins.GetLoginPassword("ALICE"), TBytes("\xff\x01", 2));
  EXPECT_EQ(manager.GetLastCharacter("alice"), QStringLiteral("Mira"));

  // Loading again replaces the user dimensions instead of adding them twice,
  // and the engine's choice follows its dimension to the new entry.
  chat.Dimension = dimensions.Get(5);
  manager.LoadAccounts(registry);
  EXPECT_EQ(dimensions.Count(), 6);
  EXPECT_EQ(chat.Dimension, dimensions.Get(5));
  EXPECT_EQ(chat.Dimension->Name, QStringLiteral("Lab"));
}

TEST_F(LoginManagerTest, TheRealEngineConnectsToALoopbackDimension) {
  Manager.ConnectEngine = nullptr;
  Chat.DimensionList().AddNew("Local", "", 1, "127.0.0.1");
  Prompt.Dialogs.push_back([](QDialog& dialog) { Login(dialog, "bob", "pw", false, 4); });
  EXPECT_TRUE(Manager.ShowLoginDialog());
  EXPECT_EQ(Chat.State(), TChatState::csConnecting);
  Chat.Disconnect();
}

} // namespace
} // namespace tessra
