#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTimer>

#include "common/ChatException.h"
#include "server/ChatServer.h"
#include "server/ServerConfig.h"
#include "server/ShutdownSignal.h"

using namespace tessra;

namespace {

int Fail(const QString& message, int code) {
  std::fprintf(stderr, "tessra-server: %s\n", message.toUtf8().constData());
  return code;
}

// Leaving clients get up to this long to receive their goodbye.
constexpr int kShutdownGraceMs = 2000;

} // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tessra-server"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TESSRA_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "The Tessra+ reference chat server. Without --config it uses its built-in configuration "
      "(accounts demo1 and demo2, password demo)."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption config(
      QStringLiteral("config"), QStringLiteral("JSON configuration file."), QStringLiteral("FILE"));
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("Port to listen on; 0 picks a free one (default 7105)."), QStringLiteral("N"),
      QStringLiteral("7105"));
  const QCommandLineOption listen(QStringLiteral("listen"),
                                  QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                  QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
  const QCommandLineOption secret(
      QStringLiteral("secret"),
      QStringLiteral("Secret login exponent in hexadecimal (default: a random 128-bit one)."),
      QStringLiteral("HEX"));
  const QCommandLineOption printConfig(
      QStringLiteral("print-default-config"),
      QStringLiteral("Print the built-in configuration and exit."));
  parser.addOptions({config, port, listen, secret, printConfig});
  parser.process(app);

  if (parser.isSet(printConfig)) {
    std::fputs(DefaultServerConfigJson(), stdout);
    return 0;
  }

  TServerConfig serverConfig;
  try {
    if (parser.isSet(config)) {
      QFile file(parser.value(config));
      if (!file.open(QIODevice::ReadOnly)) {
        return Fail(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()),
                    2);
      }
      serverConfig = ParseServerConfig(file.readAll());
    } else {
      serverConfig = DefaultServerConfig();
    }
  } catch (const TChatException& e) {
    return Fail(e.Message(), 2);
  }

  bool portOk = false;
  const uint portNumber = parser.value(port).toUInt(&portOk);
  if (!portOk || portNumber > 65535) {
    return Fail(QStringLiteral("--port needs a number from 0 to 65535"), 64);
  }
  QHostAddress address;
  if (!address.setAddress(parser.value(listen))) {
    return Fail(QStringLiteral("--listen needs an IP address"), 64);
  }

  TBigInt secretValue;
  if (parser.isSet(secret)) {
    const QString hex = parser.value(secret);
    try {
      if (hex.isEmpty() || hex.size() > 256) {
        throw TChatException("empty or longer than 256 digits");
      }
      secretValue = TBigInt::FromHex(hex.toStdString());
    } catch (const TChatException&) {
      return Fail(QStringLiteral("--secret needs 1 to 256 hexadecimal digits"), 64);
    }
    if (secretValue.IsZero()) {
      return Fail(QStringLiteral("--secret may not be 0"), 64);
    }
  } else {
    secretValue = TChatServer::RandomSecret();
  }

  TChatServer server(std::move(serverConfig), secretValue);
  if (!server.Listen(address, static_cast<quint16>(portNumber))) {
    return Fail(QStringLiteral("cannot listen on %1:%2: %3")
                    .arg(address.toString())
                    .arg(portNumber)
                    .arg(server.ErrorString()),
                1);
  }

  TShutdownSignal shutdown;
  QElapsedTimer shutdownClock;
  QTimer shutdownPoll;
  shutdownPoll.setInterval(20);
  QObject::connect(&shutdownPoll, &QTimer::timeout, [&] {
    if (server.ConnectionCount() == 0 || shutdownClock.elapsed() > kShutdownGraceMs) {
      QCoreApplication::quit();
    }
  });
  shutdown.OnSignal = [&](TShutdownSignal&, int) {
    if (shutdownPoll.isActive()) {
      return;
    }
    server.Close();
    shutdownClock.start();
    shutdownPoll.start();
  };
  if (!shutdown.Installed()) {
    Fail(QStringLiteral("cannot catch SIGINT/SIGTERM; stop the server with SIGKILL"), 0);
  }

  std::printf("server key: %s\n", server.ServerKeyHex().c_str());
  std::printf("listening on %s:%u\n", server.ServerAddress().toString().toUtf8().constData(),
              static_cast<unsigned>(server.ServerPort()));
  std::fflush(stdout);
  return QCoreApplication::exec();
}
