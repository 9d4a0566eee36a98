#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include <QString>

#include "common/TickSource.h"
#include "engine/Bytes.h"
#include "engine/PacketParam.h"
#include "server/ByteRateLimiter.h"

class QTcpSocket;

namespace tessra {

class TChatServer;
struct TServerConfig;

// One connected client: its socket, its receive buffer and framing, its
// byte-rate limit and where it stands in the login. Packets it sends are
// checked against its phase and read whole before the server sees them;
// anything malformed, out of order or too fast closes this session only.
class TServerSession {
public:
  enum class TPhase { AwaitingLogin, AwaitingSelect, LoggedIn, Closed };

  TServerSession(TChatServer& server, std::unique_ptr<QTcpSocket> socket,
                 const TServerConfig& config, const TTickSource& ticks);
  ~TServerSession();

  TServerSession(const TServerSession&) = delete;
  TServerSession& operator=(const TServerSession&) = delete;

  // Sends the "Login Seed" that opens the login.
  void Start();

  // Writes one packet of the incoming table (what a client receives). Does
  // nothing once the session is closed. A client that lets more than the
  // configured amount of output pile up unread is closed (later, never from
  // inside this call, so that a broadcast in progress is not disturbed).
  void Send(uint8_t incomingKind, const std::vector<TPacketParam>& values);
  void SendSystemMessage(const TBytes& text);
  // Sends "Client Name" for the id unless this session has already heard it.
  void Announce(int32_t id, const TBytes& name);
  void MarkAnnounced(int32_t id) { Announced.insert(id); }

  // Tells the client why (when reason is not empty), then closes gracefully.
  void Close(const TBytes& reason);

  TPhase Phase() const { return CurrentPhase; }
  // Closed, and the connection is gone: nothing more to write or read.
  bool Finished() const;
  void SetPhase(TPhase phase) { CurrentPhase = phase; }
  static const char* PhaseName(TPhase phase);

  const TBytes& Seed() const { return LoginSeed; }
  uint32_t ConnectedTick() const { return Connected; }
  QString PeerText() const;

  // Set by the server during the login.
  int AccountIndex = -1;
  int32_t CharacterId = -1;

private:
  void ReadAvailable();
  void ProcessFrame(int32_t typeNumber, const TBytes& payload);
  void SocketClosed();

  TChatServer& Server;
  std::unique_ptr<QTcpSocket> Socket;
  const TServerConfig& Config;
  const TTickSource& Ticks;
  TByteRateLimiter RateLimit;
  TPhase CurrentPhase = TPhase::AwaitingLogin;
  bool OutputOverflow = false;
  bool Ended = false;
  TBytes LoginSeed;
  TBytes Buffer;
  uint32_t Connected;
  std::set<int32_t> Announced;
};

} // namespace tessra
