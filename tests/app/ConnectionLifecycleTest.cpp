#include <memory>

#include <QApplication>
#include <QStringList>
#include <gtest/gtest.h>

#include "app/ConnectionLifecycle.h"
#include "settings/ScriptedPrompt.h"

namespace tessra {
namespace {

// The suite's application object normally comes from the suite's own
// environment; this makes the tests independent of the order in which
// environments are set up.
void EnsureApplication() {
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    static const std::unique_ptr<QApplication> app = std::make_unique<QApplication>(argc, argv);
  }
}

// Plays the engine: records what the lifecycle asks of it. "Connected"
// tracks whether a connection is open or opening.
class TFakeEngine : public TConnectionLifecycle::TEngine {
public:
  QStringList Calls;
  bool Connected = false;
  QStringList Characters{QStringLiteral("Tyrin"), QStringLiteral("Alda")};

  void Connect() override {
    Calls.append(QStringLiteral("Connect"));
    Connected = true;
  }
  void Disconnect() override { Calls.append(QStringLiteral("Disconnect")); }
  void Login2(const QString& charName) override {
    Calls.append(QStringLiteral("Login2 ") + charName);
  }
  bool IsDisconnected() const override { return !Connected; }
  QString DimensionName() const override { return QStringLiteral("Merovan"); }
  bool HasCharacter(const QString& charName) const override {
    return Characters.contains(charName, Qt::CaseInsensitive);
  }
};

// Records console lines and the window's state; character selection picks
// the scripted name or cancels.
class TFakeView : public TConnectionLifecycle::TView {
public:
  QStringList Lines;
  QStringList Steps;
  bool ConnectedActions = false;
  bool ChatEnabled = false;
  QString Caption;
  QString Panel1;
  QString Panel2;
  QString ChooseChar = QStringLiteral("Tyrin"); // empty: Cancel
  int Selections = 0;
  bool Away = false;
  std::function<void()> OnCancel;
  TFakeEngine* Engine = nullptr;

  void AddErrorLine(const QString& text) override { Lines.append(QStringLiteral("E:") + text); }
  void AddSystemLine(const QString& text) override { Lines.append(QStringLiteral("S:") + text); }
  void SetConnectionActions(bool connected) override { ConnectedActions = connected; }
  void DisableChatControls() override { ChatEnabled = false; }
  void EnableChatControls() override { ChatEnabled = true; }
  void ClearGroupNodes() override { Steps.append(QStringLiteral("ClearGroupNodes")); }
  void ClearBuddyNodes() override { Steps.append(QStringLiteral("ClearBuddyNodes")); }
  void SetCaption(const QString& caption) override { Caption = caption; }
  void SetStatusPanels(const QString& character, const QString& dimension) override {
    Panel1 = character;
    Panel2 = dimension;
  }
  void RecordLogin() override { Steps.append(QStringLiteral("RecordLogin")); }
  bool SelectCharacter(QString& charName) override {
    ++Selections;
    if (ChooseChar.isEmpty()) {
      if (OnCancel) {
        OnCancel();
      }
      return false;
    }
    charName = ChooseChar;
    Engine->Login2(charName);
    return true;
  }
  void LoadMutedChannels(const QString& charName) override {
    Steps.append(QStringLiteral("LoadMutedChannels ") + charName);
  }
  void SetLastCharacter(const QString& charName) override {
    Steps.append(QStringLiteral("SetLastCharacter ") + charName);
  }
  bool IsAway() const override { return Away; }
};

class TFakeCursor : public TConnectionLifecycle::TCursor {
public:
  QStringList Changes;
  void SetBusy(bool busy) override {
    Changes.append(busy ? QStringLiteral("busy") : QStringLiteral("normal"));
  }
};

// One lifecycle with its fakes; the settings reconnect ten times, ten
// seconds apart.
struct TLifecycleRig {
  TLifecycleRig() {
    View.Engine = &Engine;
    View.OnCancel = [this] { Lifecycle.UserDisconnect(); };
    Settings.AutoReconnect = true;
    Settings.ReconnectTimes = 10;
    Settings.ReconnectDelay = 10;
  }

  // The server accepted the account and the character is logged in.
  void LogIn() {
    Engine.Connected = true;
    Lifecycle.VeyraChatConnect();
    Lifecycle.VeyraChatLogin();
  }
  // The engine reports the end of the connection.
  void Drop() {
    Engine.Connected = false;
    Lifecycle.VeyraChatDisconnect();
  }
  QString LastLine() const { return View.Lines.isEmpty() ? QString() : View.Lines.last(); }
  int CountLinesStartingWith(const QString& prefix) const {
    int n = 0;
    for (const QString& line : View.Lines) {
      n += line.startsWith(prefix) ? 1 : 0;
    }
    return n;
  }
  int Connects() const { return static_cast<int>(Engine.Calls.count(QStringLiteral("Connect"))); }

  TFakeEngine Engine;
  TFakeView View;
  TFakeCursor Cursor;
  TSettings Settings;
  TScriptedPrompt Prompt;
  TConnectionLifecycle Lifecycle{Engine, View, Cursor, Settings, Prompt};
};

class ConnectionLifecycleTest : public ::testing::Test, public TLifecycleRig {
protected:
  static void SetUpTestSuite() { EnsureApplication(); }
};

TEST_F(ConnectionLifecycleTest, LoginChoosesACharacterAndShowsTheConnectedCaption) {
  View.Away = true;
  LogIn();
  EXPECT_EQ(View.Lines, QStringList{QStringLiteral("E:Connected to Veyra chat server")});
  EXPECT_EQ(View.Selections, 1);
  EXPECT_EQ(Engine.Calls, QStringList{QStringLiteral("Login2 Tyrin")});
  EXPECT_TRUE(Lifecycle.StayConnected);
  EXPECT_EQ(Lifecycle.CurrentChar, QStringLiteral("Tyrin"));
  EXPECT_EQ(View.Steps,
            (QStringList{QStringLiteral("RecordLogin"), QStringLiteral("LoadMutedChannels Tyrin"),
                         QStringLiteral("SetLastCharacter Tyrin")}));
  EXPECT_EQ(View.Caption, QStringLiteral("Tessra + Connected as Tyrin on Merovan"));
  EXPECT_EQ(View.Panel1, QStringLiteral("Tyrin + Away"));
  EXPECT_EQ(View.Panel2, QStringLiteral("Merovan"));
  EXPECT_TRUE(View.ConnectedActions);
  EXPECT_TRUE(View.ChatEnabled);
}

TEST_F(ConnectionLifecycleTest, LostConnectionWaitsThenLogsTheSameCharacterInAgain) {
  LogIn();
  Drop();
  EXPECT_EQ(View.Caption, QStringLiteral("Tessra + Not Connected"));
  EXPECT_FALSE(View.ConnectedActions);
  EXPECT_FALSE(View.ChatEnabled);
  EXPECT_TRUE(View.Panel1.isEmpty());
  EXPECT_EQ(View.Lines.mid(1), (QStringList{QStringLiteral("E:Disconnected from Veyra chat server"),
                                            QStringLiteral("S:Waiting 10 seconds to reconnect")}));
  ASSERT_TRUE(Lifecycle.ReconnectTimer().isActive());
  EXPECT_TRUE(Lifecycle.ReconnectTimer().isSingleShot());
  EXPECT_EQ(Lifecycle.ReconnectTimer().interval(), 10000);

  Engine.Calls.clear();
  Lifecycle.ReconnectTimerTimer();
  EXPECT_FALSE(Lifecycle.ReconnectTimer().isActive());
  EXPECT_EQ(LastLine(), QStringLiteral("S:Reconnect attempt #1"));
  EXPECT_TRUE(Lifecycle.Reconnecting);
  EXPECT_EQ(Engine.Calls, QStringList{QStringLiteral("Connect")});

  Lifecycle.VeyraChatConnect();
  Lifecycle.VeyraChatLogin();
  EXPECT_EQ(View.Selections, 1) << "no character selection on a reconnect";
  EXPECT_EQ(Engine.Calls.last(), QStringLiteral("Login2 Tyrin"));
  EXPECT_FALSE(Lifecycle.Reconnecting);
  EXPECT_EQ(Lifecycle.ReconnectCount, 1) << "a successful reconnect keeps the count";
  EXPECT_EQ(View.Caption, QStringLiteral("Tessra + Connected as Tyrin on Merovan"));
}

TEST_F(ConnectionLifecycleTest, TheRealTimerFiresOnceWithAShortenedDelay) {
  Settings.ReconnectDelay = 0;
  LogIn();
  Drop();
  EXPECT_EQ(LastLine(), QStringLiteral("S:Waiting 0 seconds to reconnect"));
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(LastLine(), QStringLiteral("S:Reconnect attempt #1"));
  EXPECT_EQ(Connects(), 1);
}

TEST_F(ConnectionLifecycleTest, AttemptsStopAtTheMaximumAndASuccessDoesNotRestoreThem) {
  Settings.ReconnectTimes = 3;
  LogIn();
  Drop();
  // One attempt succeeds, then every further attempt fails before OnConnect.
  Lifecycle.ReconnectTimerTimer();
  Lifecycle.VeyraChatConnect();
  Lifecycle.VeyraChatLogin();
  Drop();
  for (int attempt = 2; attempt <= 3; ++attempt) {
    Lifecycle.ReconnectTimerTimer();
    EXPECT_EQ(LastLine(), QStringLiteral("S:Reconnect attempt #") + QString::number(attempt));
    Drop();
  }
  EXPECT_EQ(LastLine(), QStringLiteral("S:Maximum number of reconnect attempts reached"));
  EXPECT_FALSE(Lifecycle.Reconnecting);
  EXPECT_FALSE(Lifecycle.ReconnectTimer().isActive());
  const int connects = Connects();
  Lifecycle.ReconnectTimerTimer();
  EXPECT_EQ(Connects(), connects);
  EXPECT_EQ(CountLinesStartingWith(QStringLiteral("S:Waiting ")), 3);
}

TEST_F(ConnectionLifecycleTest, WantedAndEarlyEndsNeverReconnect) {
  struct TCase {
    const char* Name;
    std::function<void(TLifecycleRig&)> Run;
  };
  const TCase cases[] = {
      {"user disconnect while logged in",
       [](TLifecycleRig& t) {
         t.LogIn();
         t.Lifecycle.UserDisconnect();
         t.Drop();
       }},
      {"cancel at character selection",
       [](TLifecycleRig& t) {
         t.View.ChooseChar.clear();
         t.Engine.Connected = true;
         t.Lifecycle.VeyraChatConnect();
         t.Drop();
       }},
      {"failure before the first OnConnect",
       [](TLifecycleRig& t) {
         t.Engine.Connected = true;
         t.Drop();
       }},
      {"auto reconnect off",
       [](TLifecycleRig& t) {
         t.Settings.AutoReconnect = false;
         t.LogIn();
         t.Drop();
       }},
  };
  for (const TCase& c : cases) {
    TLifecycleRig t;
    c.Run(t);
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(t.LastLine(), QStringLiteral("E:Disconnected from Veyra chat server"));
    EXPECT_EQ(t.CountLinesStartingWith(QStringLiteral("S:")), 0);
    EXPECT_FALSE(t.Lifecycle.ReconnectTimer().isActive());
    t.Lifecycle.ReconnectTimerTimer();
    EXPECT_EQ(t.Connects(), 0);
  }
}

TEST_F(ConnectionLifecycleTest, RefusedLoginShowsTheServersMessageAndStaysDisconnected) {
  Lifecycle.BeginWaitCursor();
  Engine.Connected = true;
  Lifecycle.VeyraChatLoginError(QStringLiteral("Invalid user name or password"));
  EXPECT_EQ(Prompt.Messages, QStringList{QStringLiteral("Error: Invalid user name or password")});
  EXPECT_EQ(Lifecycle.WaitCursorDepth(), 0);
  EXPECT_FALSE(View.ConnectedActions);
  EXPECT_FALSE(Lifecycle.StayConnected);
  EXPECT_EQ(Engine.Calls, QStringList{QStringLiteral("Disconnect")});
  Drop();
  EXPECT_EQ(CountLinesStartingWith(QStringLiteral("S:")), 0);
  EXPECT_FALSE(Lifecycle.ReconnectTimer().isActive());
}

TEST_F(ConnectionLifecycleTest, SocketErrorCodeIsReportedOnceByTheNextDisconnect) {
  Settings.AutoReconnect = false;
  LogIn();
  int code = 10054;
  Lifecycle.VeyraChatError(code);
  EXPECT_EQ(code, 0) << "the error counts as handled";
  EXPECT_EQ(Engine.Calls.last(), QStringLiteral("Disconnect"));
  Drop();
  EXPECT_EQ(LastLine(),
            QStringLiteral("E:Disconnected from Veyra chat server: socket error #10054"));
  LogIn();
  Drop();
  EXPECT_EQ(LastLine(), QStringLiteral("E:Disconnected from Veyra chat server"));
}

TEST_F(ConnectionLifecycleTest, LoginDuringAReconnectWait) {
  LogIn();
  Drop();
  Lifecycle.ReconnectTimerTimer();
  Drop(); // the attempt failed; the next wait is running
  ASSERT_TRUE(Lifecycle.Reconnecting);
  ASSERT_TRUE(Lifecycle.ReconnectTimer().isActive());

  // The user connects through the login dialog to the same account: the
  // previous character goes in at once and the count stays.
  Lifecycle.UserConnectStarted();
  EXPECT_FALSE(Lifecycle.ReconnectTimer().isActive());
  Engine.Connected = true;
  Lifecycle.VeyraChatConnect();
  EXPECT_EQ(View.Selections, 1);
  EXPECT_EQ(Engine.Calls.last(), QStringLiteral("Login2 Tyrin"));
  EXPECT_EQ(Lifecycle.ReconnectCount, 1);

  // Another account without that character gets character selection.
  Drop();
  Lifecycle.ReconnectTimerTimer();
  Engine.Characters = QStringList{QStringLiteral("Morrow")};
  View.ChooseChar = QStringLiteral("Morrow");
  Lifecycle.VeyraChatConnect();
  EXPECT_EQ(View.Selections, 2);
  EXPECT_EQ(Engine.Calls.last(), QStringLiteral("Login2 Morrow"));
  EXPECT_EQ(Lifecycle.ReconnectCount, 0);
}

TEST_F(ConnectionLifecycleTest, DelaysOutsideTheTimersRangeAreClamped) {
  const struct {
    int32_t Delay;
    int Interval;
  } cases[] = {{-5, 0}, {0, 0}, {3, 3000}, {INT32_MAX, INT32_MAX}};
  for (const auto& c : cases) {
    TLifecycleRig t;
    t.Settings.ReconnectDelay = c.Delay;
    t.LogIn();
    t.Drop();
    EXPECT_EQ(t.Lifecycle.ReconnectTimer().interval(), c.Interval) << c.Delay;
    EXPECT_EQ(t.LastLine(), QStringLiteral("S:Waiting %1 seconds to reconnect").arg(c.Delay));
  }
}

TEST_F(ConnectionLifecycleTest, TimerLeavesAConnectionTheUserOpenedAlone) {
  LogIn();
  Drop();
  Engine.Connected = true; // opened meanwhile, not yet at OnConnect
  const int connects = Connects();
  Lifecycle.ReconnectTimerTimer();
  EXPECT_EQ(Connects(), connects);
  EXPECT_EQ(Lifecycle.ReconnectCount, 0);
}

TEST_F(ConnectionLifecycleTest, WaitCursorDepth) {
  Lifecycle.EndWaitCursor(); // at depth 0: nothing
  Lifecycle.BeginWaitCursor();
  Lifecycle.BeginWaitCursor();
  Lifecycle.EndWaitCursor();
  EXPECT_EQ(Cursor.Changes, QStringList{QStringLiteral("busy")});
  EXPECT_EQ(Lifecycle.WaitCursorDepth(), 1);
  // OnConnect ends the wait the login dialog began.
  Lifecycle.VeyraChatConnect();
  EXPECT_EQ(Cursor.Changes, (QStringList{QStringLiteral("busy"), QStringLiteral("normal")}));
  EXPECT_EQ(Lifecycle.WaitCursorDepth(), 0);
}

} // namespace
} // namespace tessra
