#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include "cli/ChatCli.h"

using tessra::TChatCli;
using tessra::TCliOptions;

namespace {

int Fail(const QString& message) {
  std::fprintf(stderr, "tessra-cli: %s\n", message.toUtf8().constData());
  return 64;
}

} // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tessra-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TESSRA_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Headless Tessra+ chat client. Logs in, then reads one command a line from standard input "
      "(/tell NAME TEXT, /group GROUPNAME TEXT, /pgmsg GROUP TEXT, /addbuddy NAME, /rembuddy NAME, "
      "/invite NAME, /kick NAME, /kickall, /join GROUP, /leave GROUP, /mute GROUPNAME, "
      "/unmute GROUPNAME, /lookup NAME, /ping, /quit; group names with spaces in double quotes) "
      "and writes every chat event to standard output as one JSON object a line."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Chat server host."),
                                QStringLiteral("HOST"));
  const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Chat server port."),
                                QStringLiteral("PORT"));
  const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Account name."),
                                QStringLiteral("USER"));
  const QCommandLineOption passwordEnv(
      QStringLiteral("password-env"),
      QStringLiteral("Name of the environment variable that holds the password."),
      QStringLiteral("VAR"));
  const QCommandLineOption character(QStringLiteral("character"),
                                     QStringLiteral("Character to log in (default: the first)."),
                                     QStringLiteral("NAME"));
  const QCommandLineOption serverKey(
      QStringLiteral("server-key"),
      QStringLiteral("The server's public login value in hexadecimal (for servers with their own "
                     "key, such as tessra-server)."),
      QStringLiteral("HEX"));
  const QCommandLineOption socks(QStringLiteral("socks"),
                                 QStringLiteral("Connect through this SOCKS5 proxy."),
                                 QStringLiteral("HOST:PORT"));
  const QCommandLineOption socksUser(QStringLiteral("socks-user"),
                                     QStringLiteral("SOCKS5 user name."), QStringLiteral("U"));
  const QCommandLineOption socksPassEnv(
      QStringLiteral("socks-pass-env"),
      QStringLiteral("Name of the environment variable that holds the SOCKS5 password."),
      QStringLiteral("VAR"));
  parser.addOptions(
      {host, port, user, passwordEnv, character, serverKey, socks, socksUser, socksPassEnv});
  parser.process(app);

  TCliOptions options;
  options.Host = parser.value(host);
  bool portOk = false;
  options.Port = parser.value(port).toInt(&portOk);
  if (options.Host.isEmpty() || !portOk || options.Port <= 0 || options.Port > 65535) {
    return Fail(QStringLiteral("--host and a --port between 1 and 65535 are required"));
  }
  options.User = parser.value(user).toStdString();
  if (options.User.empty() || !parser.isSet(passwordEnv)) {
    return Fail(QStringLiteral("--user and --password-env are required"));
  }
  options.Password =
      qEnvironmentVariable(parser.value(passwordEnv).toUtf8().constData()).toUtf8().toStdString();
  options.Character = parser.value(character).toStdString();
  options.ServerKeyHex = parser.value(serverKey).toLower().toStdString();
  if (parser.isSet(socks)) {
    const QString value = parser.value(socks);
    const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
      return Fail(QStringLiteral("--socks needs HOST:PORT"));
    }
    options.UseSocks = true;
    options.SocksHost = value.left(colon);
    options.SocksPort = value.mid(colon + 1);
    options.SocksUser = parser.value(socksUser);
    if (parser.isSet(socksPassEnv)) {
      options.SocksPass = qEnvironmentVariable(parser.value(socksPassEnv).toUtf8().constData());
    }
  }

  TChatCli cli(options, stdout, stderr);
  cli.OnFinished = [](int code) { QCoreApplication::exit(code); };
  cli.ListenTo(0);
  QTimer::singleShot(0, &cli, [&cli] { cli.Start(); });
  return QCoreApplication::exec();
}
