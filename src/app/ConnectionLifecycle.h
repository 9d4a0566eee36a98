#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include "settings/Prompt.h"
#include "settings/Settings.h"

namespace tessra {

// The life of the connection as the main window sees it: what happens when
// the server accepts the account, when a character is logged in, when the
// login is refused, when a socket fails and when the connection ends, and
// the automatic reconnection that follows an unwanted loss. The window wires
// the engine's events to the handlers below and plays the two sides
// (engine and view) the lifecycle talks to.
class TConnectionLifecycle {
public:
  // The engine operations the lifecycle uses.
  class TEngine {
  public:
    virtual ~TEngine() = default;
    // With the dimension, user name and password the engine holds.
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual void Login2(const QString& charName) = 0;
    // Nothing open or opening: a new connection may start.
    virtual bool IsDisconnected() const = 0;
    virtual QString DimensionName() const = 0;
    // Whether the account's character list (as last received) holds the
    // name, letter case ignored.
    virtual bool HasCharacter(const QString& charName) const = 0;
  };

  // The window's side: console lines, controls, caption, and the steps that
  // belong to other parts of the window (accounts, muted channels, away).
  class TView {
  public:
    virtual ~TView() = default;
    virtual void AddErrorLine(const QString& text) = 0;
    virtual void AddSystemLine(const QString& text) = 0;
    // Connect enabled and Disconnect disabled when connected is false, the
    // reverse when it is true.
    virtual void SetConnectionActions(bool connected) = 0;
    virtual void DisableChatControls() = 0;
    virtual void EnableChatControls() = 0;
    virtual void ClearGroupNodes() = 0;
    virtual void ClearBuddyNodes() = 0;
    // Window caption and application title.
    virtual void SetCaption(const QString& caption) = 0;
    virtual void SetStatusPanels(const QString& character, const QString& dimension) = 0;
    // The account bookkeeping at OnConnect.
    virtual void RecordLogin() = 0;
    // The character selection dialog; on OK it sets charName and logs the
    // character in, on Cancel it calls UserDisconnect. True for OK.
    virtual bool SelectCharacter(QString& charName) = 0;
    virtual void LoadMutedChannels(const QString& charName) = 0;
    virtual void SetLastCharacter(const QString& charName) = 0;
    // Away state: the activity mark at login and the status suffix.
    virtual void MarkActivity() {}
    virtual bool IsAway() const { return false; }
    // The game's ignore list file, loaded at login when that option is on.
    virtual void LoadIgnoreList(const QString& /*charName*/) {}
  };

  // The busy cursor for the whole screen.
  class TCursor {
  public:
    virtual ~TCursor() = default;
    virtual void SetBusy(bool busy) = 0;
  };

  TConnectionLifecycle(TEngine& engine, TView& view, TCursor& cursor, const TSettings& settings,
                       TPrompt& prompt, QWidget* dialogParent = nullptr);

  TConnectionLifecycle(const TConnectionLifecycle&) = delete;
  TConnectionLifecycle& operator=(const TConnectionLifecycle&) = delete;

  // Connection state.
  QString CurrentChar;
  bool StayConnected = false;
  bool Reconnecting = false;
  int ReconnectCount = 0;
  int SocketErrorCode = 0;

  // Engine event handlers.
  void VeyraChatConnect();
  void VeyraChatLogin();
  void VeyraChatLoginError(const QString& message);
  void VeyraChatError(int& errorCode);
  void VeyraChatDisconnect() { ConnectionEnded(); }

  void UserDisconnect();
  void ConnectionEnded();
  // The user started a connection of their own (login dialog, start-up
  // login); a pending reconnect wait gives way to it.
  void UserConnectStarted();

  void ReconnectTimerTimer();
  QTimer& ReconnectTimer() { return Timer; }

  void BeginWaitCursor();
  void EndWaitCursor();
  int WaitCursorDepth() const { return CursorDepth; }

  static QString ConnectedCaption(const QString& charName, const QString& dimension);
  static QString NotConnectedCaption();

private:
  TEngine& Engine;
  TView& View;
  TCursor& Cursor;
  const TSettings& Settings;
  TPrompt& Prompt;
  QWidget* DialogParent;
  QTimer Timer;
  int CursorDepth = 0;
};

} // namespace tessra
