#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace tessra {

// A real SOCKS5 proxy for the tests: microsocks on a free port of 127.0.0.1.
class TMicrosocks {
public:
  static constexpr const char* kProgram = "/usr/bin/microsocks";

  static bool Installed() { return QFile::exists(QString::fromLatin1(kProgram)); }

  ~TMicrosocks() { Stop(); }

  // Starts the proxy, optionally demanding a user name and password. A port
  // taken by someone else between picking and binding makes it try again.
  bool Start(const QString& user = {}, const QString& password = {}) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      Port = FreePort();
      QStringList arguments{QStringLiteral("-i"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                            QString::number(Port)};
      if (!user.isEmpty()) {
        arguments << QStringLiteral("-u") << user << QStringLiteral("-P") << password;
      }
      Process.start(QString::fromLatin1(kProgram), arguments);
      if (Process.waitForStarted(3000) && Listening()) {
        return true;
      }
      Stop();
    }
    return false;
  }

  void Stop() {
    if (Process.state() != QProcess::NotRunning) {
      Process.terminate();
      if (!Process.waitForFinished(2000)) {
        Process.kill();
        Process.waitForFinished(2000);
      }
    }
  }

  QString PortText() const { return QString::number(Port); }

private:
  static quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
  }

  // The proxy is up once it accepts a connection.
  bool Listening() {
    const QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired() && Process.state() == QProcess::Running) {
      QTcpSocket probe;
      probe.connectToHost(QHostAddress::LocalHost, Port);
      if (probe.waitForConnected(200)) {
        probe.abort();
        return true;
      }
      Process.waitForFinished(20); // returns early only if it died
    }
    return false;
  }

  QProcess Process;
  quint16 Port = 0;
};

} // namespace tessra
