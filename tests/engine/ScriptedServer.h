#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include "common/WaitUntil.h"
#include "engine/VeyraChatPacket.h"

namespace tessra::test {

// One packet the client sent, read by the outgoing table.
struct TClientPacket {
  int Kind = -1; // outgoing table index, -1 for a number not in the table
  int32_t Number = 0;
  TBytes Payload;
  std::vector<TPacketParam> Params;
};

// A chat server that plays its side of a conversation from the test and
// records every packet the client sent. Listens on 127.0.0.1 only.
class TScriptedServer {
public:
  TScriptedServer() {
    Server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&Server, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = Server.nextPendingConnection()) {
        Peer.reset(s);
        QObject::connect(s, &QTcpSocket::readyRead, [this] { ReadClient(); });
      }
    });
  }

  quint16 Port() const { return Server.serverPort(); }
  bool WaitForClient(int timeoutMs = 5000) {
    return WaitUntil([this] { return Peer != nullptr; }, timeoutMs);
  }
  QTcpSocket* Socket() { return Peer.get(); }

  void SendRaw(const TBytes& bytes) {
    Peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
    Peer->flush();
  }
  void Send(uint8_t incomingKind, const std::vector<TPacketParam>& values) {
    SendRaw(BuildIncomingFrame(incomingKind, values));
  }
  void Close() {
    if (Peer) {
      Peer->disconnectFromHost();
    }
  }

  std::vector<TClientPacket> Received;

  // Waits for the next packet of that kind that has not been taken yet.
  std::optional<TClientPacket> Take(int kind, int timeoutMs = 5000) {
    std::optional<TClientPacket> found;
    WaitUntil(
        [&] {
          for (size_t i = Taken; i < Received.size(); ++i) {
            if (Received[i].Kind == kind) {
              found = Received[i];
              Taken = i + 1;
              return true;
            }
          }
          return false;
        },
        timeoutMs);
    return found;
  }
  size_t CountOf(int kind) const {
    size_t n = 0;
    for (const auto& p : Received) {
      n += p.Kind == kind ? 1 : 0;
    }
    return n;
  }

private:
  void ReadClient() {
    const QByteArray bytes = Peer->readAll();
    Buffer.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    while (Buffer.size() >= 4) {
      const auto b = [this](size_t i) { return static_cast<uint8_t>(Buffer[i]); };
      const size_t length = (b(2) << 8) | b(3);
      if (Buffer.size() < 4 + length) {
        break;
      }
      TClientPacket p;
      p.Number = static_cast<int16_t>((b(0) << 8) | b(1));
      p.Kind = OutgoingTypeIndex(p.Number);
      p.Payload = Buffer.substr(4, length);
      if (p.Kind >= 0 && p.Kind != opCc) {
        p.Params = ReadOutgoingPayload(static_cast<uint8_t>(p.Kind), p.Payload);
      }
      Received.push_back(std::move(p));
      Buffer.erase(0, 4 + length);
    }
  }

  QTcpServer Server;
  std::unique_ptr<QTcpSocket> Peer;
  TBytes Buffer;
  size_t Taken = 0;
};

} // namespace tessra::test
