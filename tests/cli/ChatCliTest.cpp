#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "ScriptedServer.h"
#include "engine/LoginKey.h"

using namespace tessra;
using tessra::test::TScriptedServer;
using tessra::test::WaitUntil;

namespace {

// Runs the real tessra-cli program against a scripted server on loopback.
class ChatCliTest : public ::testing::Test {
protected:
  void Start(const QStringList& extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TESSRA_TEST_PASSWORD"), QStringLiteral("secret"));
    Cli.setProcessEnvironment(env);
    Cli.start(QStringLiteral(TESSRA_CLI_PATH),
              QStringList{
                  QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                  QString::number(Server.Port()), QStringLiteral("--user"), QStringLiteral("demo1"),
                  QStringLiteral("--password-env"), QStringLiteral("TESSRA_TEST_PASSWORD"),
                  QStringLiteral("--server-key"), QString::fromStdString(ServerValueFor(Secret))} +
                  extra);
    ASSERT_TRUE(Cli.waitForStarted());
    ASSERT_TRUE(Server.WaitForClient(10000));
    Server.Send(ipLoginSeed, {TPacketParam::String("seed")});
  }

  void LogIn() {
    const auto response = Server.Take(opLoginResponseGetCharList, 10000);
    ASSERT_TRUE(response);
    EXPECT_EQ(DecodeLoginKey(response->Params[2].AsString(), Secret).Password, "secret");
    Server.Send(ipLoginCharacterList,
                {TPacketParam::IntegerArray({101, 102}), TPacketParam::StringArray({"Ann", "Bob"}),
                 TPacketParam::IntegerArray({1, 2}), TPacketParam::IntegerArray({0, 0})});
    const auto select = Server.Take(opLoginSelectCharacter, 10000);
    ASSERT_TRUE(select);
    EXPECT_EQ(select->Params[0].AsInteger(), 102);
    Server.Send(ipLoginResultOK, {});
    ASSERT_TRUE(WaitForEvent("Login"));
  }

  // Collects standard output into JSON objects.
  bool WaitForEvent(const QString& name) {
    return WaitUntil(
        [&] {
          Output += Cli.readAllStandardOutput();
          for (const QByteArray& line : Output.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value(QStringLiteral("event")).toString() == name) {
              Last = o;
              return true;
            }
          }
          return false;
        },
        10000);
  }

  TBigInt Secret = TBigInt::FromHex("abcdef0123456789abcdef0123456789");
  TScriptedServer Server;
  QProcess Cli;
  QByteArray Output;
  QJsonObject Last;
};

} // namespace

TEST_F(ChatCliTest, LogsInPrintsEventsAndSendsATellFromStandardInput) {
  Start({QStringLiteral("--character"), QStringLiteral("bob")});
  LogIn();
  Server.Send(ipClientName, {TPacketParam::Integer(7), TPacketParam::String("Tyrin")});
  Server.Send(ipMessagePrivate,
              {TPacketParam::Integer(7), TPacketParam::String("h\xC3\xA9llo \xFF"),
               TPacketParam::Data(TBytes(1, '\0'))});
  ASSERT_TRUE(WaitForEvent(QStringLiteral("PrivateMessage")));
  EXPECT_EQ(Last.value(QStringLiteral("CharName")).toString(), QStringLiteral("Tyrin"));
  EXPECT_EQ(Last.value(QStringLiteral("Message")).toString(), QString::fromUtf8("héllo \uFFFD"));

  Cli.write("/tell Tyrin hello there\n/lookup Nobody\n");
  const auto tell = Server.Take(opMessagePrivate, 10000);
  ASSERT_TRUE(tell);
  EXPECT_EQ(tell->Params[0].AsInteger(), 7);
  EXPECT_EQ(tell->Params[1].AsString(), "hello there");
  const auto lookup = Server.Take(opNameLookup, 10000);
  ASSERT_TRUE(lookup);
  Server.Send(ipLookupResult, {TPacketParam::Integer(-1), TPacketParam::String("Nobody")});
  ASSERT_TRUE(WaitForEvent(QStringLiteral("Lookup")));
  EXPECT_EQ(Last.value(QStringLiteral("Id")).toInt(), -1);

  Cli.write("/quit\n");
  ASSERT_TRUE(Cli.waitForFinished(15000));
  EXPECT_EQ(Cli.exitCode(), 0);
}

TEST_F(ChatCliTest, RefusedLoginExitsNonZero) {
  Start();
  ASSERT_TRUE(Server.Take(opLoginResponseGetCharList, 10000));
  Server.Send(ipLoginResultError, {TPacketParam::String("Invalid user name or password")});
  ASSERT_TRUE(WaitForEvent(QStringLiteral("LoginError")));
  EXPECT_EQ(Last.value(QStringLiteral("Message")).toString(),
            QStringLiteral("Invalid user name or password"));
  ASSERT_TRUE(Cli.waitForFinished(15000));
  EXPECT_EQ(Cli.exitCode(), 1);
}
