#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace tessra::test {

// A tiny HTTP/1.1 responder on 127.0.0.1 for the whois tests: each request path gets its
// answer from the table (404 for any other path), written at once and followed by a close.
// Every request line is recorded.
class TWhoisHttpServer {
public:
  struct TAnswer {
    int Status = 200;
    QByteArray Body;
    // Without a Content-Length header the close ends the body.
    bool LengthKnown = true;
    // Never answer: read the request and stay silent.
    bool Silent = false;
  };

  TWhoisHttpServer() {
    Server.listen(QHostAddress(QHostAddress::LocalHost), 0);
    QObject::connect(&Server, &QTcpServer::newConnection, [this] { Accept(); });
  }

  // Stops listening: a look-up now finds nothing at the port.
  void Close() { Server.close(); }

  quint16 Port() const { return Server.serverPort(); }
  QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(Port()); }

  std::map<QByteArray, TAnswer> Answers;
  // "GET /path HTTP/1.1", one per request received.
  QStringList Requests;

private:
  void Accept() {
    while (QTcpSocket* socket = Server.nextPendingConnection()) {
      auto buffer = std::make_shared<QByteArray>();
      QPointer<QTcpSocket> guard(socket);
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, guard, buffer] {
        *buffer += guard->readAll();
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if (end >= 0) {
          const QByteArray requestLine = buffer->left(buffer->indexOf("\r\n"));
          buffer->clear();
          Requests.append(QString::fromLatin1(requestLine));
          Answer(*guard, requestLine.split(' ').value(1));
        }
      });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  }

  void Answer(QTcpSocket& socket, const QByteArray& path) {
    const auto found = Answers.find(path);
    TAnswer answer;
    if (found != Answers.end()) {
      answer = found->second;
    } else {
      answer.Status = 404;
      answer.Body = "<html><body>Not Found</body></html>";
    }
    if (answer.Silent) {
      return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.Status) +
                      (answer.Status == 200 ? " OK" : " Error") + "\r\n";
    head += "Content-Type: text/xml\r\nConnection: close\r\n";
    if (answer.LengthKnown) {
      head += "Content-Length: " + QByteArray::number(answer.Body.size()) + "\r\n";
    }
    head += "\r\n";
    socket.write(head);
    socket.write(answer.Body);
    socket.disconnectFromHost();
  }

  QTcpServer Server;
};

// Runs the event loop until the condition holds or ten seconds have passed.
inline bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

} // namespace tessra::test
