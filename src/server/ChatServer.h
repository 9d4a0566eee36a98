#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include "common/TickSource.h"
#include "engine/BigInt.h"
#include "engine/Bytes.h"
#include "engine/PacketParam.h"
#include "server/ServerConfig.h"

class QTcpServer;

namespace tessra {

class TServerSession;

// The reference chat server: the counterpart the engine talks to, small
// enough to embed. Single-threaded and event driven on the thread that owns
// it; every client is a TServerSession of its own. The server keeps the
// world: who is online, buddy lists, group flags, private groups and
// offline tells, all in memory for the server's lifetime.
class TChatServer : public QObject {
public:
  // The secret exponent of the login key exchange; clients need the public
  // value (ServerKeyHex) to log in. The tick source is not owned; without one
  // the server uses the real clock.
  TChatServer(TServerConfig config, TBigInt secret, const TTickSource* ticks = nullptr,
              QObject* parent = nullptr);
  ~TChatServer() override;

  TChatServer(const TChatServer&) = delete;
  TChatServer& operator=(const TChatServer&) = delete;

  // Starts listening; port 0 picks a free one. False (with ErrorString) when
  // the address cannot be bound.
  bool Listen(const QHostAddress& address, quint16 port);
  quint16 ServerPort() const;
  QHostAddress ServerAddress() const;
  QString ErrorString() const;
  // The public value 5^secret mod p, lower-case hexadecimal.
  const std::string& ServerKeyHex() const { return KeyHex; }
  // Stops listening and closes every connection.
  void Close();

  // Sessions that are still talking, and connections not yet released
  // (closing ones included).
  int SessionCount() const;
  int ConnectionCount() const { return static_cast<int>(Sessions.size()); }
  bool IsOnline(const TBytes& characterName) const;

  // Closes connections that have not finished their login in time. A timer
  // calls it every second; tests call it after moving their tick source.
  void Housekeeping();

  // A random 128-bit secret from the system's secure generator.
  static TBigInt RandomSecret();

  // Characters the server plays itself (the demo's cast): known names that
  // are online without a connection. The calls return false when a name or
  // group is unknown, or the character cannot take part (not online, played
  // by a client, not in the group).
  bool SetScriptedOnline(const TBytes& name, bool online);
  bool ScriptedGroupMessage(const TBytes& from, const TBytes& groupName, const TBytes& text,
                            const TBytes& data = {});
  // Delivered at once, or kept as an offline tell when the recipient is away;
  // the sender need not be online.
  bool ScriptedTell(const TBytes& from, const TBytes& to, const TBytes& text,
                    const TBytes& data = {});
  bool ScriptedInvite(const TBytes& host, const TBytes& target);
  // To everyone who joined the host's private group.
  bool ScriptedPrivateGroupMessage(const TBytes& host, const TBytes& text);
  // Characters logged in over a connection.
  std::vector<TBytes> LoggedInNames() const;

  // A client's tell to a scripted character (sender, recipient, text), and
  // characters logging in or out over a connection. Raised from inside the
  // server's own processing: handlers should not call back synchronously
  // into anything but the Scripted* operations.
  std::function<void(const TBytes& from, const TBytes& to, const TBytes& text)> OnScriptedTell;
  std::function<void(const TBytes& name)> OnCharacterLogIn;
  std::function<void(const TBytes& name)> OnCharacterLogOut;
  // Asked before a client's name look-up is answered; false leaves it
  // unanswered, a server that keeps its client waiting.
  std::function<bool(const TBytes& name)> OnLookup;

  // Called by the sessions.
  void HandlePacket(TServerSession& session, uint8_t outgoingKind,
                    const std::vector<TPacketParam>& params);
  void SessionEnded(TServerSession& session);
  // Releases, from the event loop, every session whose connection is gone.
  void ScheduleReap();

private:
  struct TOfflineTell {
    int32_t SenderId;
    TBytes Date;
    TBytes Text;
    TBytes Data;
  };
  struct TCharacter {
    TBytes Name;
    int32_t Id = 0;
    int AccountIndex = -1;                   // -1: a known name that never logs in
    std::map<int32_t, bool> Buddies;         // buddy id -> accepted
    std::map<TGroupId, uint32_t> GroupFlags; // the groups it is in, with its flags
    std::deque<TOfflineTell> Offline;
    TServerSession* Session = nullptr;
    bool Scripted = false; // online as one of the server's own characters
    bool Online() const { return Session != nullptr || Scripted; }
  };
  struct TPrivateGroup {
    std::set<int32_t> Members; // joined, the host not counted
    std::set<int32_t> Invited;
  };
  struct TGroup {
    TGroupId Id{};
    TBytes Name;
  };

  void AcceptConnections();
  void Reap();

  // Login.
  void HandleLoginResponse(TServerSession& session, const std::vector<TPacketParam>& params);
  void HandleSelectCharacter(TServerSession& session, int32_t id);
  void LogIn(TServerSession& session, TCharacter& character);
  void LogOut(TCharacter& character);
  void LoginFailed(TServerSession& session, const TBytes& text);

  // Chat.
  void HandleTell(TServerSession& session, TCharacter& sender, const std::vector<TPacketParam>& p);
  void HandleGroupMessage(TServerSession& session, TCharacter& sender,
                          const std::vector<TPacketParam>& p);
  void HandleGroupDataSet(TServerSession& session, TCharacter& sender,
                          const std::vector<TPacketParam>& p);
  void HandleFriendAdd(TServerSession& session, TCharacter& owner, int32_t id, const TBytes& data);
  void HandleFriendRemove(TServerSession& session, TCharacter& owner, int32_t id);
  void HandleLookup(TServerSession& session, const TBytes& name);

  // Private groups, addressed by the id of their host.
  void PrivateGroupInvite(TServerSession& session, TCharacter& host, int32_t targetId);
  void PrivateGroupKick(TCharacter& host, int32_t targetId);
  void PrivateGroupKickAll(TCharacter& host);
  void PrivateGroupJoin(TServerSession& session, TCharacter& joiner, int32_t hostId);
  void PrivateGroupPart(TCharacter& leaver, int32_t hostId);
  void PrivateGroupMessage(TServerSession& session, TCharacter& sender,
                           const std::vector<TPacketParam>& p);
  // Sends to the host and every member of the group that is online.
  void ToPrivateGroup(int32_t hostId, uint8_t kind, const std::vector<TPacketParam>& values,
                      const std::vector<int32_t>& announce);

  void BroadcastGroupMessage(const TGroup& group, const TCharacter& sender, const TBytes& text,
                             const TBytes& data);
  void SendGroupJoin(TServerSession& session, const TGroup& group, uint32_t flags);
  void SendFriend(TServerSession& session, const TCharacter& buddy, bool accepted);
  void PushOnlineState(const TCharacter& character);
  void AnnounceTo(TServerSession& session, int32_t id);

  TCharacter* FindCharacter(int32_t id);
  TCharacter* FindCharacter(const TBytes& name);
  const TGroup* FindGroup(const TGroupId& id) const;
  TCharacter& CharacterOf(TServerSession& session);

  TServerConfig Config;
  TBigInt Secret;
  std::string KeyHex;
  const TTickSource* Ticks;
  std::unique_ptr<TSteadyTickSource> OwnTicks;
  std::unique_ptr<QTcpServer> Listener;
  QTimer HousekeepingTimer;
  std::vector<std::unique_ptr<TServerSession>> Sessions;
  bool ReapPending = false;
  bool Stopping = false;

  std::map<int32_t, TCharacter> Characters;
  std::map<std::string, int32_t> NameIndex; // lower-case name -> id
  std::vector<TGroup> Groups;
  std::map<int32_t, TPrivateGroup> PrivateGroups;
};

} // namespace tessra
