#include "ConnectionLifecycle.h"

#include <algorithm>
#include <cstdint>

#include "common/Trace.h"

namespace tessra {

TConnectionLifecycle::TConnectionLifecycle(TEngine& engine, TView& view, TCursor& cursor,
                                           const TSettings& settings, TPrompt& prompt,
                                           QWidget* dialogParent)
    : Engine(engine), View(view), Cursor(cursor), Settings(settings), Prompt(prompt),
      DialogParent(dialogParent) {
  Timer.setSingleShot(true);
  QObject::connect(&Timer, &QTimer::timeout, &Timer, [this] { ReconnectTimerTimer(); });
}

QString TConnectionLifecycle::ConnectedCaption(const QString& charName, const QString& dimension) {
  return QStringLiteral("Tessra + Connected as ") + charName + QStringLiteral(" on ") + dimension;
}

QString TConnectionLifecycle::NotConnectedCaption() {
  return QStringLiteral("Tessra + Not Connected");
}

void TConnectionLifecycle::VeyraChatConnect() {
  TraceApp(QStringLiteral("MainForm.VeyraChatConnect"));
  View.AddErrorLine(QStringLiteral("Connected to Veyra chat server"));
  EndWaitCursor();
  View.SetConnectionActions(true);
  StayConnected = true;
  // Whatever started this connection, a reconnect wait still pending has
  // nothing left to do; firing later it would tear this connection down.
  Timer.stop();
  View.RecordLogin();
  // A reconnect logs the previous character in at once, but only on an
  // account that has it: a different account chosen in the login dialog
  // during the wait goes through character selection like any other.
  if (Reconnecting && !CurrentChar.isEmpty() && Engine.HasCharacter(CurrentChar)) {
    Reconnecting = false;
    Engine.Login2(CurrentChar);
  } else {
    Reconnecting = false;
    ReconnectCount = 0;
    View.SelectCharacter(CurrentChar);
  }
  View.LoadMutedChannels(CurrentChar);
}

void TConnectionLifecycle::VeyraChatLogin() {
  TraceApp(QStringLiteral("MainForm.VeyraChatLogin"));
  View.MarkActivity();
  const QString dimension = Engine.DimensionName();
  View.SetStatusPanels(CurrentChar + (View.IsAway() ? QStringLiteral(" + Away") : QString()),
                       dimension);
  View.SetCaption(ConnectedCaption(CurrentChar, dimension));
  View.SetLastCharacter(CurrentChar);
  View.LoadIgnoreList(CurrentChar);
  View.EnableChatControls();
}

void TConnectionLifecycle::VeyraChatLoginError(const QString& message) {
  TraceApp(QStringLiteral("MainForm.VeyraChatLoginError: ") + message);
  EndWaitCursor();
  View.SetConnectionActions(false);
  View.DisableChatControls();
  UserDisconnect();
  Prompt.Error(DialogParent, message);
}

void TConnectionLifecycle::VeyraChatError(int& errorCode) {
  TraceApp(QStringLiteral("MainForm.VeyraChatError: ") + QString::number(errorCode));
  SocketErrorCode = errorCode;
  // Handled here: the disconnect that follows reports the code.
  errorCode = 0;
  Engine.Disconnect();
}

void TConnectionLifecycle::UserDisconnect() {
  TraceApp(QStringLiteral("MainForm.UserDisconnect"));
  StayConnected = false;
  // The user ended the series of attempts too: a later login through the
  // dialog is a fresh connection with character selection.
  Reconnecting = false;
  Timer.stop();
  Engine.Disconnect();
}

void TConnectionLifecycle::UserConnectStarted() {
  Timer.stop();
}

void TConnectionLifecycle::ConnectionEnded() {
  TraceApp(QStringLiteral("MainForm.ConnectionEnded"));
  EndWaitCursor();
  QString suffix;
  if (SocketErrorCode > 0) {
    suffix = QStringLiteral(": socket error #") + QString::number(SocketErrorCode);
  }
  SocketErrorCode = 0;
  View.SetConnectionActions(false);
  View.ClearGroupNodes();
  View.ClearBuddyNodes();
  View.SetCaption(NotConnectedCaption());
  View.AddErrorLine(QStringLiteral("Disconnected from Veyra chat server") + suffix);
  View.SetStatusPanels(QString(), QString());
  View.DisableChatControls();
  if (!StayConnected) {
    return;
  }
  if (Settings.AutoReconnect && ReconnectCount < Settings.ReconnectTimes) {
    Timer.stop();
    // A delay from a hand-edited store is kept within what the timer can
    // take: a negative one waits no time, a huge one the longest it can.
    const int64_t delayMs =
        std::clamp<int64_t>(int64_t{Settings.ReconnectDelay} * 1000, 0, INT32_MAX);
    View.AddSystemLine(QStringLiteral("Waiting ") + QString::number(Settings.ReconnectDelay) +
                       QStringLiteral(" seconds to reconnect"));
    Timer.setInterval(static_cast<int>(delayMs));
    Timer.start();
  } else {
    if (Settings.AutoReconnect) {
      View.AddSystemLine(QStringLiteral("Maximum number of reconnect attempts reached"));
    }
    Reconnecting = false;
  }
}

void TConnectionLifecycle::ReconnectTimerTimer() {
  TraceApp(QStringLiteral("MainForm.ReconnectTimerTimer"));
  Timer.stop();
  if (!StayConnected || !Settings.AutoReconnect || ReconnectCount >= Settings.ReconnectTimes) {
    return;
  }
  // A connection the user opened meanwhile is left alone; the engine would
  // refuse a second one anyway.
  if (!Engine.IsDisconnected()) {
    return;
  }
  ++ReconnectCount;
  Reconnecting = true;
  View.AddSystemLine(QStringLiteral("Reconnect attempt #") + QString::number(ReconnectCount));
  Engine.Connect();
}

void TConnectionLifecycle::BeginWaitCursor() {
  if (CursorDepth == 0) {
    Cursor.SetBusy(true);
  }
  ++CursorDepth;
}

void TConnectionLifecycle::EndWaitCursor() {
  if (CursorDepth <= 0) {
    return;
  }
  --CursorDepth;
  if (CursorDepth == 0) {
    Cursor.SetBusy(false);
  }
}

} // namespace tessra
