#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace tessra {

// A target on 127.0.0.1: keeps what each peer sends and, when Echo is set,
// sends it straight back.
class TLoopbackServer {
public:
  TLoopbackServer() {
    Server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&Server, &QTcpServer::newConnection, &Server, [this] {
      while (QTcpSocket* peer = Server.nextPendingConnection()) {
        Peers.push_back(peer);
        if (ReceiveBuffer > 0) {
          peer->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ReceiveBuffer);
        }
        if (ReadPaused) {
          // QTcpSocket otherwise keeps draining the kernel into its own buffer,
          // and the sender's bytes would not stay pending.
          peer->setReadBufferSize(ReceiveBuffer > 0 ? ReceiveBuffer : 64 * 1024);
        }
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [this, peer] {
          if (!ReadPaused) {
            Take(peer);
          }
        });
        QObject::connect(peer, &QTcpSocket::disconnected, peer, [this] { ++Disconnects; });
      }
    });
  }

  quint16 Port() const { return Server.serverPort(); }
  QString PortText() const { return QString::number(Port()); }
  QTcpSocket* Peer() const { return Peers.empty() ? nullptr : Peers.back(); }

  void Take(QTcpSocket* peer) {
    const QByteArray bytes = peer->readAll();
    Received += bytes;
    if (Echo) {
      peer->write(bytes);
    }
  }

  void ResumeReading() {
    ReadPaused = false;
    if (Peer() != nullptr) {
      if (ReceiveBuffer > 0) {
        Peer()->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 * 1024 * 1024);
      }
      Peer()->setReadBufferSize(0);
      Take(Peer());
    }
  }

  bool Echo = true;
  bool ReadPaused = false;
  int ReceiveBuffer = 0; // a small one keeps bytes from piling up in the kernel
  QByteArray Received;
  int Disconnects = 0;

private:
  QTcpServer Server;
  std::vector<QTcpSocket*> Peers; // children of the server
};

} // namespace tessra
