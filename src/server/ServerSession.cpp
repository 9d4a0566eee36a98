#include "server/ServerSession.h"

#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include "common/ChatException.h"
#include "common/Trace.h"
#include "engine/VeyraChatPacket.h"
#include "server/ChatServer.h"
#include "server/ServerConfig.h"

namespace tessra {

namespace {

// Qt keeps at most this much unread input per client; the rest waits in the
// kernel until we have read and checked what came before it.
constexpr qint64 kReadChunk = 64 * 1024;
// A client that does not finish a graceful close in this time is cut off.
constexpr int kCloseGraceMs = 5000;

// The kinds (outgoing table indexes) a client may send in each phase.
bool Allowed(TServerSession::TPhase phase, int kind) {
  switch (phase) {
  case TServerSession::TPhase::AwaitingLogin:
    return kind == opLoginResponseGetCharList;
  case TServerSession::TPhase::AwaitingSelect:
    return kind == opLoginSelectCharacter;
  case TServerSession::TPhase::LoggedIn:
    return kind != opLoginResponseGetCharList && kind != opLoginSelectCharacter;
  case TServerSession::TPhase::Closed:
    return false;
  }
  return false;
}

TBytes RandomSeed() {
  static constexpr char kDigits[] = "0123456789abcdef";
  TBytes seed;
  for (int i = 0; i < 16; ++i) {
    const auto b = static_cast<uint8_t>(QRandomGenerator::system()->bounded(256));
    seed.push_back(kDigits[b >> 4]);
    seed.push_back(kDigits[b & 0xF]);
  }
  return seed;
}

} // namespace

TServerSession::TServerSession(TChatServer& server, std::unique_ptr<QTcpSocket> socket,
                               const TServerConfig& config, const TTickSource& ticks)
    : Server(server), Socket(std::move(socket)), Config(config), Ticks(ticks),
      RateLimit(config.MaxBytesPerSecond, ticks), LoginSeed(RandomSeed()), Connected(ticks.Now()) {
  Socket->setReadBufferSize(kReadChunk);
  // Chat packets are small and answered at once; waiting to coalesce them
  // (Nagle against the peer's delayed acknowledgement) costs tens of ms.
  Socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  QObject::connect(Socket.get(), &QTcpSocket::readyRead, Socket.get(), [this] { ReadAvailable(); });
  QObject::connect(Socket.get(), &QTcpSocket::disconnected, Socket.get(),
                   [this] { SocketClosed(); });
  QObject::connect(Socket.get(), &QTcpSocket::errorOccurred, Socket.get(),
                   [this](QAbstractSocket::SocketError) { SocketClosed(); });
}

TServerSession::~TServerSession() {
  // The socket may still report its close while it is destroyed; nothing of
  // ours may run then.
  QObject::disconnect(Socket.get(), nullptr, nullptr, nullptr);
  Socket->abort();
}

void TServerSession::Start() {
  TraceTransport(QStringLiteral("TServerSession.Start ") + PeerText());
  Send(ipLoginSeed, {TPacketParam::String(LoginSeed)});
}

QString TServerSession::PeerText() const {
  return Socket->peerAddress().toString() + QLatin1Char(':') + QString::number(Socket->peerPort());
}

const char* TServerSession::PhaseName(TPhase phase) {
  switch (phase) {
  case TPhase::AwaitingLogin:
    return "Awaiting Login";
  case TPhase::AwaitingSelect:
    return "Awaiting Character Selection";
  case TPhase::LoggedIn:
    return "Logged In";
  case TPhase::Closed:
    return "Closed";
  }
  return "";
}

void TServerSession::Send(uint8_t incomingKind, const std::vector<TPacketParam>& values) {
  if (CurrentPhase == TPhase::Closed || OutputOverflow ||
      Socket->state() != QAbstractSocket::ConnectedState) {
    return;
  }
  const TBytes frame = BuildIncomingFrame(incomingKind, values);
  Socket->write(frame.data(), static_cast<qint64>(frame.size()));
  if (Socket->bytesToWrite() > Config.MaxPendingOutputBytes) {
    // Stop writing now; the close itself waits for the event loop, so that
    // whoever is sending to many clients at once finishes undisturbed.
    OutputOverflow = true;
    QTimer::singleShot(0, Socket.get(), [this] {
      TraceTransport(QStringLiteral("TServerSession: output limit exceeded by ") + PeerText());
      Close({});
    });
  }
}

void TServerSession::SendSystemMessage(const TBytes& text) {
  Send(ipMessageSystem, {TPacketParam::String(text)});
}

void TServerSession::Announce(int32_t id, const TBytes& name) {
  if (Announced.insert(id).second) {
    Send(ipClientName, {TPacketParam::Integer(id), TPacketParam::String(name)});
  }
}

void TServerSession::Close(const TBytes& reason) {
  if (CurrentPhase == TPhase::Closed) {
    return;
  }
  if (!reason.empty()) {
    TraceTransport(QStringLiteral("TServerSession.Close ") + PeerText() + QStringLiteral(": ") +
                   QString::fromStdString(reason));
    SendSystemMessage(reason);
  }
  CurrentPhase = TPhase::Closed;
  Buffer.clear();
  if (!Ended) {
    Ended = true;
    Server.SessionEnded(*this);
  }
  // Pending output (the reason above) is written before the close completes.
  QTimer::singleShot(kCloseGraceMs, Socket.get(), [this] {
    Socket->abort();
    Server.ScheduleReap();
  });
  Socket->disconnectFromHost();
  if (Socket->state() == QAbstractSocket::UnconnectedState) {
    Server.ScheduleReap();
  }
}

void TServerSession::SocketClosed() {
  CurrentPhase = TPhase::Closed;
  if (!Ended) {
    Ended = true;
    Server.SessionEnded(*this);
  }
  Server.ScheduleReap();
}

bool TServerSession::Finished() const {
  return CurrentPhase == TPhase::Closed && Socket->state() == QAbstractSocket::UnconnectedState;
}

void TServerSession::ReadAvailable() {
  while (CurrentPhase != TPhase::Closed && Socket->bytesAvailable() > 0) {
    char chunk[8192];
    const qint64 n = Socket->read(chunk, sizeof chunk);
    if (n <= 0) {
      break;
    }
    if (!RateLimit.Take(n)) {
      Close(FormatMessage("Flood protection: more than %s bytes per second; disconnected",
                          {std::to_string(Config.MaxBytesPerSecond)}));
      return;
    }
    Buffer.append(chunk, static_cast<size_t>(n));

    size_t offset = 0;
    while (CurrentPhase != TPhase::Closed && Buffer.size() - offset >= 4) {
      const auto byte = [&](size_t i) { return static_cast<uint8_t>(Buffer[offset + i]); };
      const int32_t typeNumber = static_cast<int16_t>((byte(0) << 8) | byte(1));
      const size_t length = (size_t{byte(2)} << 8) | byte(3);
      if (length > static_cast<size_t>(kMaxFieldLength)) {
        Close(FormatMessage("Malformed packet: payload length %s is more than 32767; disconnected",
                            {std::to_string(length)}));
        return;
      }
      if (Buffer.size() - offset < 4 + length) {
        break;
      }
      const TBytes payload = Buffer.substr(offset + 4, length);
      offset += 4 + length;
      ProcessFrame(typeNumber, payload);
    }
    if (CurrentPhase == TPhase::Closed) {
      return;
    }
    Buffer.erase(0, offset);
  }
}

void TServerSession::ProcessFrame(int32_t typeNumber, const TBytes& payload) {
  const int kind = OutgoingTypeIndex(typeNumber);
  if (kind < 0) {
    Close(FormatMessage("Unknown packet type %s; disconnected", {std::to_string(typeNumber)}));
    return;
  }
  const char* name = OutgoingPacketTable[static_cast<size_t>(kind)].Name;
  if (!Allowed(CurrentPhase, kind)) {
    Close(FormatMessage("Packet type %s not allowed in state %s; disconnected",
                        {name, PhaseName(CurrentPhase)}));
    return;
  }
  std::vector<TPacketParam> params;
  try {
    params = ReadOutgoingPayload(static_cast<uint8_t>(kind), payload);
  } catch (const TChatException& e) {
    // The reader's own refusal of a length field already names the packet.
    const std::string what = e.what();
    Close((what.rfind("Malformed packet", 0) == 0
               ? what
               : FormatMessage("Malformed packet \"%s\": %s", {name, what})) +
          "; disconnected");
    return;
  }
  try {
    Server.HandlePacket(*this, static_cast<uint8_t>(kind), params);
  } catch (const std::exception& e) {
    // Nothing a client sends may take the server down; the client that
    // caused the failure is the one that goes.
    Close(FormatMessage("Error in packet \"%s\": %s; disconnected", {name, e.what()}));
  }
}

} // namespace tessra
