// The real main window, offscreen, against the reference chat server on
// loopback: logging in through the dialogs, a tell from a second client, the
// ends of a connection and the automatic reconnect.

#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextEdit>
#include <gtest/gtest.h>

#include "app/ChatServerFixture.h"
#include "app/MainForm.h"
#include "common/WaitUntil.h"
#include "engine/BigInt.h"
#include "server/ChatServer.h"
#include "settings/CharSelForm.h"
#include "settings/FileRegistry.h"
#include "settings/LoginForm.h"
#include "settings/PasswordScramble.h"
#include "settings/ScriptedPrompt.h"
#include "settings/SettingsStore.h"

namespace tessra {
namespace {

using test::WaitUntil;

constexpr char kConfig[] = R"json({
  "maxBytesPerSecond": 0,
  "accounts": [
    {"name": "acct", "password": "pw", "characters": [{"name": "Tyrin", "id": 101},
                                                       {"name": "Alda", "id": 102}]},
    {"name": "bob", "password": "pw2", "characters": [{"name": "Bob", "id": 201}]}
  ],
  "groups": [{"id": "0A00000001", "name": "General", "members": ["*"]}]
})json";

TBigInt Secret() {
  return TBigInt::FromHex("0123456789abcdef0fedcba987654321");
}

class MainFormServerTest : public ::testing::Test {
protected:
  MainFormServerTest() {
    StartServer(0);
    // Settings as the user left them: nothing at start-up, reconnect on, and
    // a dimension of their own on loopback.
    WithStore([this](TRegistry& registry) {
      auto key = registry.OpenKey(kSettingsKey, true);
      key->WriteInteger(QStringLiteral("OnStartup"), 0);
      key->WriteBool(QStringLiteral("AutoReconnect"), true);
      key->WriteInteger(QStringLiteral("ReconnectTimes"), 10);
      key->WriteInteger(QStringLiteral("ReconnectDelay"), 10);
      auto local = registry.OpenKey(kDimensionsKey + QStringLiteral("\\Local"), true);
      local->WriteString(QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
      local->WriteInteger(QStringLiteral("Port"), Port);
    });
  }

  QString StorePath() const { return Dir.filePath(QStringLiteral("settings.json")); }
  void WithStore(const std::function<void(TRegistry&)>& change) {
    TFileRegistry registry(StorePath());
    registry.Load();
    change(registry);
  }

  // The window, created from the store and shown; its first activation runs
  // the start-up action.
  void Open() {
    Form = std::make_unique<TMainForm>(
        test::MainFormOptions(StorePath(), Prompt, Server->ServerKeyHex()));
    ASSERT_GE(LocalIndex(), 0);
    Form->show();
    Form->FormActivate();
  }

  ~MainFormServerTest() override {
    Form.reset();
    Server.reset();
  }

  void StartServer(quint16 port) {
    Server = std::make_unique<TChatServer>(ParseServerConfig(QByteArray(kConfig)), Secret());
    ASSERT_TRUE(Server->Listen(QHostAddress::LocalHost, port))
        << Server->ErrorString().toStdString();
    Port = Server->ServerPort();
  }

  int LocalIndex() {
    return Form->VeyraChat().DimensionList().IndexOfName(QStringLiteral("Local"));
  }

  // Plays the user at the login dialog.
  void QueueLogin(const QString& user, const QString& password) {
    const int index = LocalIndex();
    Prompt.Dialogs.push_back([=](QDialog& dialog) {
      auto& form = dynamic_cast<TLoginForm&>(dialog);
      form.UserNameBox()->setEditText(user);
      form.PasswordEdit()->setText(password);
      form.DimensionBox()->setCurrentIndex(index);
      form.accept();
    });
  }
  void QueueCharacter(const QString& name) {
    Prompt.Dialogs.push_back([=](QDialog& dialog) {
      auto& form = dynamic_cast<TCharSelForm&>(dialog);
      form.CharacterBox()->setEditText(name);
      form.accept();
    });
  }

  void LogInAsAlda() {
    QueueLogin(QStringLiteral("acct"), QStringLiteral("pw"));
    QueueCharacter(QStringLiteral("Alda"));
    Form->Actions().ConnectAction->trigger();
    ASSERT_TRUE(WaitUntil([this] { return Form->windowTitle() == kConnected; }))
        << Form->windowTitle().toStdString();
  }

  int CountLines(const QString& fragment) const {
    int n = 0;
    for (const QString& line : Form->ConsoleLines()) {
      n += line.contains(fragment) ? 1 : 0;
    }
    return n;
  }
  bool WaitForLine(const QString& fragment, int count = 1) {
    return WaitUntil([&] { return CountLines(fragment) >= count; });
  }

  const QString kConnected = QStringLiteral("Tessra + Connected as Alda on Local");
  const QString kDisconnected = QStringLiteral("Disconnected from Veyra chat server");
  QTemporaryDir Dir;
  TScriptedPrompt Prompt;
  std::unique_ptr<TChatServer> Server;
  quint16 Port = 0;
  std::unique_ptr<TMainForm> Form;
};

TEST_F(MainFormServerTest, LogsInThroughTheDialogsAndShowsATellFromAnotherClient) {
  Open();
  LogInAsAlda();
  EXPECT_EQ(Prompt.DialogsRun, 2);
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), kConnected);
  EXPECT_EQ(Form->StatusPanel(0)->text(), QStringLiteral("Alda"));
  EXPECT_EQ(Form->StatusPanel(1)->text(), QStringLiteral("Local"));
  EXPECT_FALSE(Form->Actions().ConnectAction->isEnabled());
  EXPECT_TRUE(Form->Actions().DisconnectAction->isEnabled());
  EXPECT_TRUE(Form->Input()->isVisibleTo(Form.get()));
  EXPECT_EQ(CountLines(QStringLiteral("Connected to Veyra chat server")), 1);
  EXPECT_EQ(Form->Settings().LastUser, QStringLiteral("acct"));
  EXPECT_EQ(Form->LoginManager().GetLastCharacter(QStringLiteral("acct")), QStringLiteral("Alda"));

  // A second, headless client logs in and sends a tell.
  TDimensionInfo local(QStringLiteral("Local"), QString(), Port, QStringLiteral("127.0.0.1"));
  TVeyraChat bob;
  bob.Dimension = &local;
  bob.ServerValueHex = Server->ServerKeyHex();
  bob.UserName = "bob";
  bob.Password = "pw2";
  bob.OnConnect = [](TVeyraChat& chat) { chat.Login2("Bob"); };
  bool bobIn = false;
  bob.OnLogin = [&bobIn](TVeyraChat&) { bobIn = true; };
  bob.Connect();
  ASSERT_TRUE(WaitUntil([&] { return bobIn; }));
  bob.SendTell("Alda", "hello from <b>Bob</b>");
  // No waiting for the send pacing: the queue is driven by hand.
  ASSERT_TRUE(WaitUntil([&] {
    bob.TimerEvent();
    return CountLines(QStringLiteral("hello from <b>Bob</b>")) == 1;
  })) << Form->ConsoleLines().join(QLatin1Char('\n')).toStdString();
  const QString tell = Form->ConsoleLines().last();
  EXPECT_TRUE(tell.contains(QStringLiteral("Bob"))) << tell.toStdString();
  EXPECT_EQ(Form->Presenter().LastTellSender(), QStringLiteral("Bob"));
}

TEST_F(MainFormServerTest, DisconnectEndsWithoutAReconnect) {
  Open();
  LogInAsAlda();
  Form->Actions().DisconnectAction->trigger();
  ASSERT_TRUE(WaitForLine(kDisconnected));
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tessra + Not Connected"));
  EXPECT_EQ(CountLines(QStringLiteral("Waiting ")), 0);
  EXPECT_FALSE(Form->Lifecycle().ReconnectTimer().isActive());
  EXPECT_TRUE(Form->Actions().ConnectAction->isEnabled());
  EXPECT_FALSE(Form->Input()->isVisibleTo(Form.get()));
  EXPECT_TRUE(Form->StatusPanel(0)->text().isEmpty());
}

TEST_F(MainFormServerTest, LostConnectionReconnectsAndLogsTheSameCharacterIn) {
  Open();
  LogInAsAlda();
  const quint16 port = Port;
  // The server goes away and comes back on the same port before the window
  // notices.
  Server.reset();
  StartServer(port);
  ASSERT_TRUE(WaitForLine(QStringLiteral("Waiting 10 seconds to reconnect")));
  EXPECT_EQ(CountLines(kDisconnected), 1);
  ASSERT_TRUE(Form->Lifecycle().ReconnectTimer().isActive());
  EXPECT_EQ(Form->Lifecycle().ReconnectTimer().interval(), 10000);

  // The timer's handler, driven instead of waiting ten seconds.
  Form->Lifecycle().ReconnectTimerTimer();
  EXPECT_EQ(CountLines(QStringLiteral("Reconnect attempt #1")), 1);
  ASSERT_TRUE(WaitUntil([this] { return Form->windowTitle() == kConnected; }));
  EXPECT_EQ(Prompt.DialogsRun, 2) << "no character selection on a reconnect";
  EXPECT_EQ(Form->Lifecycle().ReconnectCount, 1);

  // With no attempts left the next loss says so and stays down.
  Form->Settings().ReconnectTimes = 1;
  Server.reset();
  ASSERT_TRUE(WaitForLine(QStringLiteral("Maximum number of reconnect attempts reached")));
  EXPECT_EQ(CountLines(QStringLiteral("Waiting ")), 1);
  EXPECT_FALSE(Form->Lifecycle().ReconnectTimer().isActive());
}

TEST_F(MainFormServerTest, ShortenedDelayFromTheSettingsReconnectsByItself) {
  WithStore([](TRegistry& registry) {
    registry.OpenKey(kSettingsKey, true)->WriteInteger(QStringLiteral("ReconnectDelay"), 0);
  });
  Open();
  LogInAsAlda();
  const quint16 port = Port;
  Server.reset();
  StartServer(port);
  ASSERT_TRUE(WaitForLine(QStringLiteral("Reconnect attempt #1")));
  ASSERT_TRUE(WaitUntil([this] { return Form->windowTitle() == kConnected; }));
  EXPECT_EQ(Prompt.DialogsRun, 2);
}

TEST_F(MainFormServerTest, StartupLoginConnectsWithoutTheLoginDialog) {
  WithStore([](TRegistry& registry) {
    auto key = registry.OpenKey(kSettingsKey, true);
    key->WriteInteger(QStringLiteral("OnStartup"), 2);
    key->WriteString(QStringLiteral("AutoLoginDimension"), QStringLiteral("local"));
    key->WriteString(QStringLiteral("AutoLoginUser"), QStringLiteral("acct"));
    key->WriteBytes(QStringLiteral("AutoLoginPassword"), ScramblePassword("pw"));
  });
  QueueCharacter(QStringLiteral("Alda"));
  Open();
  EXPECT_FALSE(Form->Actions().ConnectAction->isEnabled());
  EXPECT_TRUE(Form->Actions().DisconnectAction->isEnabled());
  ASSERT_TRUE(WaitUntil([this] { return Form->windowTitle() == kConnected; }));
  EXPECT_EQ(Prompt.DialogsRun, 1) << "only character selection";
  EXPECT_EQ(Form->Lifecycle().WaitCursorDepth(), 0);
}

TEST_F(MainFormServerTest, RefusedLoginShowsTheServersMessage) {
  Open();
  QueueLogin(QStringLiteral("acct"), QStringLiteral("wrong"));
  Form->Actions().ConnectAction->trigger();
  ASSERT_TRUE(WaitUntil([this] { return !Prompt.Messages.isEmpty(); }));
  EXPECT_EQ(Prompt.Messages.first(), QStringLiteral("Error: Invalid user name or password"));
  ASSERT_TRUE(WaitForLine(kDisconnected));
  EXPECT_EQ(CountLines(QStringLiteral("Waiting ")), 0);
  EXPECT_FALSE(Form->Lifecycle().StayConnected);
  EXPECT_EQ(Form->Lifecycle().WaitCursorDepth(), 0);
  EXPECT_TRUE(Form->Actions().ConnectAction->isEnabled());
}

TEST_F(MainFormServerTest, RefusedConnectionReportsTheSocketErrorAndNeverReconnects) {
  Open();
  // A port nobody listens on.
  quint16 closedPort = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    closedPort = probe.serverPort();
  }
  Form->VeyraChat().DimensionList().Get(LocalIndex())->SetPort(closedPort);
  QueueLogin(QStringLiteral("acct"), QStringLiteral("pw"));
  Form->Actions().ConnectAction->trigger();
  EXPECT_FALSE(Form->Actions().ConnectAction->isEnabled()) << "no second connect while opening";
  ASSERT_TRUE(WaitForLine(kDisconnected));
  EXPECT_TRUE(Form->Actions().ConnectAction->isEnabled());
  // A refused connect is WSAECONNREFUSED.
  EXPECT_TRUE(Form->ConsoleLines().last().contains(
      QStringLiteral("Disconnected from Veyra chat server: socket error #10061")))
      << Form->ConsoleLines().last().toStdString();
  EXPECT_EQ(CountLines(QStringLiteral("Waiting ")), 0);
  EXPECT_FALSE(Form->Lifecycle().ReconnectTimer().isActive());
  EXPECT_EQ(Form->Lifecycle().WaitCursorDepth(), 0);
  EXPECT_EQ(Form->Lifecycle().SocketErrorCode, 0);
}

} // namespace
} // namespace tessra
