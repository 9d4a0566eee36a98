#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>
#include <QTimer>

#include "common/TickSource.h"
#include "engine/Bytes.h"
#include "engine/CharList.h"
#include "engine/ChatConnection.h"
#include "engine/DimensionList.h"
#include "engine/FriendList.h"
#include "engine/GroupList.h"
#include "engine/NameList.h"
#include "engine/VeyraChatPacket.h"

namespace tessra {

class TBlob;
class TTextBlob;
class TStringsBlob;

// Engine states, in wire-independent order; the names are those of the
// state table (the misspelling "Authoriziation" included, since messages and
// traces have always carried it).
enum class TChatState : uint8_t {
  csDisconnected = 0,
  csConnecting = 1,
  csAuthorizing = 2,
  csAwaitingAuthorization = 3,
  csReadyForLogin = 4,
  csAwaitingLoginResult = 5,
  csLoggedIn = 6,
  csDisconnecting = 7,
};

struct TChatStateInfo {
  const char* Name;
  uint32_t Incoming; // bit k: incoming kind k allowed
  uint32_t Outgoing; // bit k: outgoing kind k allowed
};

const TChatStateInfo& ChatStateInfo(TChatState state);
QString ChatStateName(TChatState state);
// A kind is allowed when its index is at most 31 and its bit is set.
bool IncomingAllowed(TChatState state, int kind);
bool OutgoingAllowed(TChatState state, int kind);

// The SOCKS proxy settings Connect applies.
struct TProxySettings {
  bool Enabled = false;
  bool Version5 = false; // offer username/password authentication
  QString Host;
  QString Port;
  QString User;
  QString Pass;
  bool operator==(const TProxySettings&) const = default;
};

// The chat engine: owns the connection, runs the connection and login state
// machine, paces outgoing packets, keeps the connection alive, keeps the
// lists and raises events to its host. Everything runs on the thread that
// owns it; handlers run synchronously inside its processing and may re-enter
// it (a nested event loop inside a handler lets further packets through).
class TVeyraChat : public QObject {
public:
  // The tick source is not owned; without one the engine uses the real clock.
  // Without a connection the engine makes its TCP connection.
  explicit TVeyraChat(QObject* parent = nullptr, const TTickSource* ticks = nullptr,
                      std::unique_ptr<TChatConnection> connection = nullptr);
  ~TVeyraChat() override;

  TVeyraChat(const TVeyraChat&) = delete;
  TVeyraChat& operator=(const TVeyraChat&) = delete;

  // Published properties.
  TBytes UserName;
  TBytes Password;
  TDimensionInfo* Dimension = nullptr;

  TChatState State() const { return CurrentState; }
  const TBytes& LoginSeed() const { return Seed; }
  uint32_t LastSendTick() const { return LastSend; }

  TCharList& CharList() { return Chars; }
  TNameList& NameList() { return Names; }
  TFriendList& FriendList() { return Friends; }
  TGroupList& GroupList() { return Groups; }
  TDimensionList& DimensionList() { return Dimensions; }
  const TCharList& CharList() const { return Chars; }
  const TNameList& NameList() const { return Names; }
  const TFriendList& FriendList() const { return Friends; }
  const TGroupList& GroupList() const { return Groups; }
  const TDimensionList& DimensionList() const { return Dimensions; }

  // The server's public value for the login key (lower-case hex). The
  // protocol's own value is the default; a server we run ourselves has its own.
  std::string ServerValueHex;

  // Connection.
  void Connect();
  void Disconnect();
  void Authorize();
  TBytes GenLoginKey() const;

  // Send path. Both take ownership of the packet and release it in every case.
  void SendPacket(std::unique_ptr<TVeyraChatOutgoingPacket> packet);
  void SendPacketNoWait(std::unique_ptr<TVeyraChatOutgoingPacket> packet);
  size_t QueuedPackets() const { return SendQueue.size(); }
  // True while a follow-up pass is posted for packets already buffered (the
  // rest of a burst, or what a bad packet left behind).
  bool PassPending() const { return FollowUpPending; }

  void CleanUp();
  void SocketEvent(int code);
  // Reads the next whole packet off the connection, or none. A packet whose
  // payload has not fully arrived stays in the connection's buffer until the
  // next data notification; nothing is consumed until it is complete.
  std::unique_ptr<TVeyraChatIncomingPacket> ReceivePacket();

  // Timer handlers, callable directly (tests drive them instead of waiting).
  void TimerEvent();
  void KeepAliveEvent();
  QTimer& SendTimer() { return SendTimerObj; }
  QTimer& KeepAliveTimer() { return KeepAliveTimerObj; }

  // Outgoing chat operations.
  void Login2(const TBytes& charName);
  void SendTell(const TBytes& charName, const TBytes& message, const TTextBlob* blob = nullptr);
  void SendGroup(int groupIdx, const TBytes& message, const TTextBlob* blob = nullptr);
  void SendGroup2(const TBytes& groupName, const TBytes& message, const TTextBlob* blob = nullptr);
  void IgnoreGroup(int groupIdx);
  void UnignoreGroup(int groupIdx);
  void PrivateGroupInvite(const TBytes& charName);
  void PrivateGroupKick(const TBytes& charName);
  void PrivateGroupJoin(const TBytes& groupName);
  void PrivateGroupLeave(const TBytes& groupName);
  void PrivateGroupKickAll();
  void PrivateGroupMessage(const TBytes& groupName, const TBytes& message,
                           const TTextBlob* blob = nullptr);
  void AddFRiend(const TBytes& charName, bool accepted);
  void RemoveFriend(const TBytes& charName);
  void Ping();
  void SetProxy(bool enabled, bool version5, const QString& host, const QString& port,
                const QString& user, const QString& pass);
  TProxySettings GetProxy() const;

  // The host is closing: every wait inside the engine (a name look-up) ends.
  void Abort();
  bool Aborting() const { return Aborted; }

  // The connection, for the host's read-only queries and for tests.
  TChatConnection& Connection() { return *Client; }

  // Events. Each is optional; the engine is always the first argument.
  std::function<void(TVeyraChat&)> OnConnect;
  std::function<void(TVeyraChat&)> OnLogin;
  std::function<void(TVeyraChat&, const TBytes& message)> OnLoginError;
  std::function<void(TVeyraChat&)> OnDisconnect;
  std::function<void(TVeyraChat&, const TBytes& message)> OnSystemMessage;
  std::function<void(TVeyraChat&, const TBytes& charName, const TBytes& message, const TBlob* blob)>
      OnPrivateMessage;
  std::function<void(TVeyraChat&, const TBytes& charName, const TBytes& message,
                     const TStringsBlob* blob)>
      OnOfflinePrivMessage;
  std::function<void(TVeyraChat&, int groupIdx, const TBytes& charName, const TBytes& message,
                     const TBlob* blob)>
      OnGroupMessage;
  std::function<void(TVeyraChat&)> OnGroupListChange;
  std::function<void(TVeyraChat&, const TFriendInfo& friendInfo)> OnFriendAdd;
  std::function<void(TVeyraChat&, const TFriendInfo& friendInfo)> OnFriendRemove;
  std::function<void(TVeyraChat&, const TFriendInfo& friendInfo)> OnFriendStatusChange;
  std::function<void(TVeyraChat&, const TBytes& groupName)> OnPrivateGroupInvite;
  std::function<void(TVeyraChat&, const TBytes& groupName)> OnPrivateGroupKick;
  std::function<void(TVeyraChat&, const TBytes& groupName, const TBytes& charName)>
      OnPrivateGroupJoin;
  std::function<void(TVeyraChat&, const TBytes& groupName, const TBytes& charName)>
      OnPrivateGroupLeave;
  std::function<void(TVeyraChat&, const TBytes& groupName, const TBytes& charName,
                     const TBytes& message, const TBlob* blob)>
      OnPrivateGroupMessage;
  std::function<void(TVeyraChat&, int& errorCode)> OnError;
  // Failures inside work the engine does on its own (a packet handler, a
  // timer) have no caller to reach; they arrive here. The main window shows
  // them as error lines. Without a handler they go to the warning log.
  std::function<void(TVeyraChat&, const std::exception& e)> OnException;

  // Called by the name cache while it waits, so that a wait never outlives
  // the connection it waits on.
  bool CanWaitForNames() const;

private:
  void SetState(TChatState state);
  void DispatchPass();
  void HandlePacket(const TVeyraChatIncomingPacket& packet, bool& endPass);
  void ReportException(const std::exception& e);
  void ScheduleFollowUpPass();
  bool WholePacketBuffered() const;
  TBytes MessageData(int outgoingKind, const TTextBlob* blob) const;
  uint32_t Now() const { return Ticks->Now(); }

  const TTickSource* Ticks;
  std::unique_ptr<TSteadyTickSource> OwnTicks;
  TChatState CurrentState = TChatState::csDisconnected;
  TBytes Seed;
  uint32_t LastSend = 0;
  TProxySettings ProxySettings;
  bool Aborted = false;
  bool FollowUpPending = false;

  std::unique_ptr<TChatConnection> Client;
  std::deque<std::unique_ptr<TVeyraChatOutgoingPacket>> SendQueue;
  TCharList Chars;
  TNameList Names;
  TFriendList Friends;
  TGroupList Groups;
  TDimensionList Dimensions;
  QTimer SendTimerObj;
  QTimer KeepAliveTimerObj;
};

} // namespace tessra
