#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

#include "ServerTestSupport.h"

using namespace tessra;
using namespace tessra::test;

namespace {

// The tessra-server program as a child process on a free loopback port.
class TServerProcess {
public:
  bool Start(const QStringList& arguments) {
    Process.start(QStringLiteral(TESSRA_SERVER_PATH), arguments);
    if (!Process.waitForStarted(10000)) {
      return false;
    }
    const QRegularExpression key(QStringLiteral("^server key: ([0-9a-f]+)$"),
                                 QRegularExpression::MultilineOption);
    const QRegularExpression listening(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"),
                                       QRegularExpression::MultilineOption);
    WaitUntil(
        [&] {
          Output += Process.readAllStandardOutput();
          const auto k = key.match(QString::fromUtf8(Output));
          const auto l = listening.match(QString::fromUtf8(Output));
          if (k.hasMatch() && l.hasMatch()) {
            Key = k.captured(1).toStdString();
            Port = static_cast<quint16>(l.captured(1).toUInt());
            return true;
          }
          return Process.state() == QProcess::NotRunning;
        },
        20000);
    return Port != 0;
  }
  ~TServerProcess() {
    if (Process.state() != QProcess::NotRunning) {
      Process.kill();
      Process.waitForFinished(5000);
    }
  }

  QProcess Process;
  QByteArray Output;
  std::string Key;
  quint16 Port = 0;
};

TEST(ServerProgram, CliLogsInWithADefaultAccountAndTheServerStopsCleanly) {
  TServerProcess server;
  ASSERT_TRUE(server.Start({QStringLiteral("--port"), QStringLiteral("0")}));
  ASSERT_NE(server.Port, 0);
  EXPECT_TRUE(server.Key.size() <= 256 && server.Key.size() > 200) << server.Key;

  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TESSRA_TEST_PASSWORD"), QStringLiteral("demo"));
  cli.setProcessEnvironment(env);
  cli.start(QStringLiteral(TESSRA_CLI_PATH),
            {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
             QString::number(server.Port), QStringLiteral("--user"), QStringLiteral("demo1"),
             QStringLiteral("--password-env"), QStringLiteral("TESSRA_TEST_PASSWORD"),
             QStringLiteral("--server-key"), QString::fromStdString(server.Key)});
  ASSERT_TRUE(cli.waitForStarted());
  QByteArray output;
  const auto sawEvent = [&](const QString& name, const QString& field = {},
                            const QString& value = {}) {
    return WaitUntil(
        [&] {
          output += cli.readAllStandardOutput();
          for (const QByteArray& line : output.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value(QStringLiteral("event")).toString() == name &&
                (field.isEmpty() || o.value(field).toString() == value)) {
              return true;
            }
          }
          return false;
        },
        20000);
  };
  ASSERT_TRUE(sawEvent(QStringLiteral("Login"))) << output.toStdString();
  // A tell to oneself comes back through the server.
  cli.write("/tell Alira talking to myself\n");
  EXPECT_TRUE(sawEvent(QStringLiteral("PrivateMessage"), QStringLiteral("Message"),
                       QStringLiteral("talking to myself")))
      << output.toStdString();

  // SIGTERM: the client is told and disconnected, the server exits with 0.
  server.Process.terminate();
  ASSERT_TRUE(server.Process.waitForFinished(10000));
  EXPECT_EQ(server.Process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(server.Process.exitCode(), 0);
  EXPECT_TRUE(sawEvent(QStringLiteral("SystemMessage"), QStringLiteral("Message"),
                       QStringLiteral("The server is shutting down")))
      << output.toStdString();
  EXPECT_TRUE(cli.state() == QProcess::NotRunning || cli.waitForFinished(15000));
}

TEST(ServerProgram, AKilledServerDisconnectsTheEngine) {
  TServerProcess server;
  ASSERT_TRUE(server.Start({QStringLiteral("--port"), QStringLiteral("0"),
                            QStringLiteral("--secret"), QStringLiteral("0123456789abcdef")}));
  TEngineClient alira(server.Port, server.Key);
  ASSERT_TRUE(alira.LogIn("demo1", "demo", "Alira"));
  // The default configuration puts Corwen on Alira's buddy list.
  EXPECT_TRUE(alira.WaitFor("FriendAdd Corwen off acc"));
  server.Process.kill();
  EXPECT_TRUE(alira.WaitFor("Disconnect", 10000));
}

TEST(ServerProgram, RefusesABadConfigurationAndBadArguments) {
  QTemporaryFile config;
  ASSERT_TRUE(config.open());
  config.write(R"({"accounts": [{"name": "a", "password": "p"}]})");
  config.flush();
  const std::vector<std::pair<QStringList, int>> cases = {
      {{QStringLiteral("--config"), config.fileName(), QStringLiteral("--port"),
        QStringLiteral("0")},
       2},
      {{QStringLiteral("--config"), QStringLiteral("/nonexistent/tessra.json")}, 2},
      {{QStringLiteral("--port"), QStringLiteral("70000")}, 64},
      {{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--secret"),
        QStringLiteral("xyz")},
       64},
      {{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--listen"),
        QStringLiteral("not-an-address")},
       64},
  };
  for (const auto& [arguments, code] : cases) {
    QProcess server;
    server.start(QStringLiteral(TESSRA_SERVER_PATH), arguments);
    ASSERT_TRUE(server.waitForFinished(10000)) << arguments.join(' ').toStdString();
    EXPECT_EQ(server.exitCode(), code) << arguments.join(' ').toStdString();
    EXPECT_TRUE(server.readAllStandardError().startsWith("tessra-server: "));
  }
}

} // namespace
