#pragma once

#include <vector>

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace tessra {

// One exchange of a scripted SOCKS server: wait for Expect bytes from the
// client, then answer Reply (byte by byte, each in a segment of its own, when
// Trickle is set) and, when Close is set, hang up.
struct TProxyStep {
  int Expect = 0;
  QByteArray Reply;
  bool Trickle = false;
  bool Close = false;
};

// A SOCKS server on 127.0.0.1 that plays a fixed script and afterwards echoes
// whatever the client sends. It records every byte it received.
class TScriptedProxy {
public:
  explicit TScriptedProxy(std::vector<TProxyStep> steps) : Steps(std::move(steps)) {
    Server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&Server, &QTcpServer::newConnection, &Server, [this] {
      while (QTcpSocket* peer = Server.nextPendingConnection()) {
        Peer = peer;
        Peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [this] { Run(); });
      }
    });
  }

  QString PortText() const { return QString::number(Server.serverPort()); }

  QByteArray Received;    // all the client sent
  QByteArray AfterScript; // what it sent once the script was over
  bool ScriptDone = false;

private:
  void Run() {
    const QByteArray bytes = Peer->readAll();
    Received += bytes;
    Pending += bytes;
    while (Next < Steps.size() && Pending.size() >= Steps[Next].Expect) {
      const TProxyStep step = Steps[Next++];
      Pending.remove(0, step.Expect);
      Answer(step);
    }
    if (Next == Steps.size()) {
      ScriptDone = true;
      AfterScript += Pending;
      Peer->write(Pending);
      Pending.clear();
    }
  }

  void Answer(const TProxyStep& step) {
    QTcpSocket* peer = Peer;
    if (!step.Trickle) {
      peer->write(step.Reply);
      peer->flush();
      if (step.Close) {
        peer->disconnectFromHost();
      }
      return;
    }
    int delay = 1;
    for (char byte : step.Reply) {
      QTimer::singleShot(delay++, peer, [peer, byte] {
        peer->write(&byte, 1);
        peer->flush();
      });
    }
    if (step.Close) {
      QTimer::singleShot(delay, peer, [peer] { peer->disconnectFromHost(); });
    }
  }

  std::vector<TProxyStep> Steps;
  size_t Next = 0;
  QByteArray Pending;
  QTcpServer Server;
  QTcpSocket* Peer = nullptr; // a child of the server
};

} // namespace tessra
