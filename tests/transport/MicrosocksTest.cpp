#include <gtest/gtest.h>

#include "EventRecorder.h"
#include "LoopbackServer.h"
#include "Microsocks.h"
#include "TestWait.h"
#include "transport/TcpClient.h"

namespace tessra {
namespace {

class TMicrosocksTest : public ::testing::Test {
protected:
  TMicrosocksTest() : Recorder(Client) {}

  void SetUp() override {
    if (!TMicrosocks::Installed()) {
      GTEST_SKIP() << "microsocks is not installed (Debian package microsocks); "
                      "the real-proxy tests need /usr/bin/microsocks";
    }
  }

  void ConnectThrough(bool authenticate, const QString& user, const QString& password) {
    TSocks5Proxy settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = Proxy.PortText();
    settings.Authenticate = authenticate;
    settings.User = user;
    settings.Password = password;
    Client.SetProxy(settings);
    Client.SetHost(QStringLiteral("127.0.0.1"));
    Client.SetPort(Target.PortText());
    Client.Activate();
  }

  // Bytes both ways, more than fits in one segment.
  void ExpectEcho() {
    QByteArray payload;
    for (int i = 0; i < 200000; ++i) {
      payload.append(static_cast<char>('a' + i % 23));
    }
    Client.Write(payload);
    ASSERT_TRUE(WaitFor([&] { return Recorder.Data.size() >= payload.size(); }, 10000));
    EXPECT_TRUE(Target.Received == payload);
    EXPECT_TRUE(Recorder.Data == payload);
  }

  TMicrosocks Proxy;
  TLoopbackServer Target;
  TTCPClient Client;
  TEventRecorder Recorder;
};

TEST_F(TMicrosocksTest, RelaysWithoutAuthentication) {
  ASSERT_TRUE(Proxy.Start());
  ConnectThrough(false, {}, {});
  ASSERT_TRUE(WaitFor([&] { return Client.IsConnected(); }, 5000))
      << Client.LastErrorCode() << " " << Client.LastErrorText().toStdString();
  ExpectEcho();
  Client.Deactivate();
  ASSERT_TRUE(WaitFor([&] { return Recorder.Has("closed"); }, 5000));
}

TEST_F(TMicrosocksTest, RelaysWithUserNameAndPassword) {
  ASSERT_TRUE(Proxy.Start(QStringLiteral("tessra"), QStringLiteral("s3cret")));
  ConnectThrough(true, QStringLiteral("tessra"), QStringLiteral("s3cret"));
  ASSERT_TRUE(WaitFor([&] { return Client.IsConnected(); }, 5000))
      << Client.LastErrorCode() << " " << Client.LastErrorText().toStdString();
  ExpectEcho();
  Client.Deactivate();
  ASSERT_TRUE(WaitFor([&] { return Recorder.Has("closed"); }, 5000));

  // A wrong password, and no credentials offered at all.
  const struct {
    bool Authenticate;
    const char* Password;
    const char* Error;
  } refusals[] = {{true, "wrong", "error 40102"}, {false, "", "error 40101"}};
  for (const auto& refusal : refusals) {
    Recorder.Clear();
    Client.SetProxy(std::nullopt);
    ConnectThrough(refusal.Authenticate, QStringLiteral("tessra"),
                   QString::fromLatin1(refusal.Password));
    ASSERT_TRUE(WaitFor([&] { return Recorder.Has("connect-failed"); }, 5000));
    EXPECT_EQ(Recorder.Events,
              (std::vector<std::string>{"negotiating", refusal.Error, "connect-failed"}));
  }
}

} // namespace
} // namespace tessra
