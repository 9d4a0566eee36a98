#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTcpServer>
#include <QTest>

#include "EventRecorder.h"
#include "LoopbackServer.h"
#include "ScriptedProxy.h"
#include "TestWait.h"
#include "common/ChatException.h"
#include "transport/TcpClient.h"

namespace tessra {
namespace {

using TEvents = std::vector<std::string>;

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (int v : values) {
    bytes.append(static_cast<char>(v));
  }
  return bytes;
}

// A port on 127.0.0.1 that nobody listens on (taken and given back at once).
quint16 ClosedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

std::string ThrownBy(const std::function<void()>& call) {
  try {
    call();
  } catch (const TChatException& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

// A proxy's success answers to the greeting and to CONNECT.
const QByteArray kNoAuthChoice = Bytes({5, 0});
const QByteArray kConnectOkIPv4 = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x12, 0x34});

class TTcpClientTest : public ::testing::Test {
protected:
  TTcpClientTest() : Recorder(Client) {}

  void UseProxy(const TScriptedProxy& proxy, bool authenticate = false) {
    TSocks5Proxy settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = proxy.PortText();
    settings.Authenticate = authenticate;
    settings.User = QStringLiteral("user");
    settings.Password = QStringLiteral("secret");
    Client.SetProxy(settings);
  }

  bool WaitForEvent(const std::string& event) {
    return WaitFor([&] { return Recorder.Has(event); });
  }

  TTCPClient Client;
  TEventRecorder Recorder;
};

TEST(TcpErrorText, CoversTheTable) {
  const std::pair<int, const char*> table[] = {
      {5, "Socket error #5"},
      {20001, "Operation only allowed on closed socket"},
      {20002, "Socket not connected"},
      {40001, "General socks server failure"},
      {40002, "Connection not allowed by rule set"},
      {40003, "Network unreachable"},
      {40004, "Host unreachable"},
      {40005, "Connection refused"},
      {40006, "Socks error: TTL expired"},
      {40007, "Socks command not supported"},
      {40008, "Address type not supported"},
      {40101, "Socks negotiation failed"},
      {40102, "Socks authentication failed"},
      {60010, "Aborted"},
  };
  for (const auto& [code, text] : table) {
    EXPECT_EQ(TcpErrorText(code).toStdString(), text) << code;
  }
  EXPECT_FALSE(TcpErrorText(10061).isEmpty());
  EXPECT_EQ(SocketStateName(TSocketState::Negotiating), QStringLiteral("negotiating"));
  EXPECT_EQ(ClientStateName(TClientState::Connecting), QStringLiteral("connecting"));
}

TEST_F(TTcpClientTest, RefusedConnectReportsErrorThenConnectFailed) {
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(QString::number(ClosedPort()));
  Client.Activate();
  // Nothing is raised from inside the call itself.
  EXPECT_TRUE(Recorder.Events.empty());
  EXPECT_TRUE(Recorder.States.empty());
  ASSERT_TRUE(WaitForEvent("connect-failed"));
  EXPECT_EQ(Recorder.Events, (TEvents{"error 10061", "connect-failed"}));
  EXPECT_EQ(Recorder.States, (TEvents{"closed->resolving", "resolving->resolved",
                                      "resolved->connecting", "connecting->closed"}));
  EXPECT_EQ(Recorder.ClientStates, (TEvents{"closed->connecting", "connecting->closed"}));
  EXPECT_EQ(Client.State(), TSocketState::Closed);
  EXPECT_FALSE(Client.Active());
  EXPECT_EQ(Client.LastErrorCode(), 10061);
}

TEST_F(TTcpClientTest, CallsThatFailReportTheErrorBeforeThrowing) {
  EXPECT_EQ(ThrownBy([&] { Client.Write(QByteArray("x")); }), "Socket not connected");
  EXPECT_EQ(Recorder.Events, (TEvents{"error 20002"}));
  EXPECT_EQ(Client.LastErrorCode(), 20002);

  Recorder.Clear();
  EXPECT_EQ(ThrownBy([&] { Client.Activate(); }), "Port not specified");
  Client.SetPort(QStringLiteral("7105"));
  EXPECT_EQ(ThrownBy([&] { Client.Activate(); }), "Host not specified");
  EXPECT_EQ(Recorder.Events.size(), 2u);

  // While the connect is under way, writing and retargeting are refused.
  TLoopbackServer server;
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(server.PortText());
  Client.Activate();
  Recorder.Clear();
  EXPECT_EQ(ThrownBy([&] { Client.Write("abc", 3); }), "Socket not connected");
  EXPECT_EQ(ThrownBy([&] { Client.SetHost(QStringLiteral("other.example")); }),
            "(Host 127.0.0.1:" + server.PortText().toStdString() +
                ") Operation only allowed on closed socket: SetHost");
  EXPECT_EQ(Recorder.Events, (TEvents{"error 20002", "error 20001"}));
  // The same value again is not a change.
  EXPECT_NO_THROW(Client.SetPort(server.PortText()));
  ASSERT_TRUE(WaitFor([&] { return Client.IsConnected(); }));
}

TEST_F(TTcpClientTest, PortMustBeANumberOrAService) {
  Client.SetHost(QStringLiteral("127.0.0.1"));
  for (const char* port : {"0", "65536", "no-such-service-here", "12a"}) {
    Recorder.Clear();
    Client.SetPort(QString::fromLatin1(port));
    EXPECT_EQ(ThrownBy([&] { Client.Activate(); }), "Connect failed: Port or service not found")
        << port;
    EXPECT_EQ(Recorder.Events, (TEvents{"error 10109"})) << port;
    EXPECT_FALSE(Client.Active());
  }
}

TEST_F(TTcpClientTest, ResolvesAHostName) {
  // Where "localhost" also yields ::1 (first), the refusal there must not end
  // the attempt: the server listens on 127.0.0.1 only.
  TLoopbackServer server;
  Client.SetHost(QStringLiteral("localhost"));
  Client.SetPort(server.PortText());
  Client.Activate();
  EXPECT_EQ(Client.State(), TSocketState::Resolving);
  ASSERT_TRUE(WaitFor([&] { return Client.IsConnected() || !Client.Active(); }));
  ASSERT_TRUE(Client.IsConnected()) << Client.LastErrorText().toStdString();
  EXPECT_EQ(Recorder.States.front(), "closed->resolving");
  EXPECT_FALSE(Recorder.Has("error 10061"));
}

TEST_F(TTcpClientTest, DestroyedWhileActiveRaisesNothing) {
  TLoopbackServer server;
  int calls = 0;
  {
    TTCPClient client;
    client.OnStateChange = [&](TSocketState, TSocketState) { ++calls; };
    client.OnClose = [&] { ++calls; };
    client.SetHost(QStringLiteral("localhost"));
    client.SetPort(server.PortText());
    client.Activate(); // the look-up is still out
  }
  {
    TTCPClient client;
    client.OnClose = [&] { ++calls; };
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(server.PortText());
    client.Activate();
    ASSERT_TRUE(WaitFor([&] { return client.IsConnected(); }));
    client.Write(QByteArray(100000, 'x'));
    client.OnStateChange = [&](TSocketState, TSocketState) { ++calls; };
  }
  WaitFor([] { return false; }, 30);
  EXPECT_EQ(calls, 0);
}

TEST_F(TTcpClientTest, ExchangesBytesAndDeliversTheLastOnesBeforeClosed) {
  TLoopbackServer server;
  server.Echo = false;
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(server.PortText());
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return server.Peer() != nullptr && Client.IsConnected(); }));
  Client.Write(QByteArray("hello"));
  ASSERT_TRUE(WaitFor([&] { return server.Received == "hello"; }));

  // Data and the close arrive together, before the client looks.
  server.Peer()->write("last words");
  server.Peer()->flush();
  server.Peer()->disconnectFromHost();
  ASSERT_TRUE(WaitForEvent("closed"));
  EXPECT_EQ(Recorder.Data, "last words");
  // A close by the peer is no error, and the data came while still connected.
  EXPECT_EQ(Recorder.Events, (TEvents{"data", "closed"}));
  for (TSocketState state : Recorder.StatesAtData) {
    EXPECT_EQ(state, TSocketState::Connected);
  }
  EXPECT_EQ(Client.LastErrorCode(), 0);

  // The object serves the next connection as well.
  Recorder.Clear();
  server.Echo = true;
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return Client.IsConnected(); }));
  Client.Write(QByteArray("again"));
  ASSERT_TRUE(WaitFor([&] { return Recorder.Data == "again"; }));
  Client.Deactivate();
  ASSERT_TRUE(WaitForEvent("closed"));
}

TEST_F(TTcpClientTest, DeactivateClosesOnlyAfterEveryPendingByteIsSent) {
  TLoopbackServer server;
  server.Echo = false;
  server.ReadPaused = true; // let the send buffer fill up first
  server.ReceiveBuffer = 64 * 1024;
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(server.PortText());
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return server.Peer() != nullptr && Client.IsConnected(); }));

  QByteArray payload(8 * 1024 * 1024, Qt::Uninitialized);
  char* bytes = payload.data();
  for (qsizetype i = 0; i < payload.size(); ++i) {
    bytes[i] = static_cast<char>(i * 7 + i / 4096);
  }
  Client.Write(payload.left(1000));
  Client.Write(payload.constData() + 1000, payload.size() - 1000);
  Client.Deactivate();
  Client.Deactivate(); // a second request changes nothing
  EXPECT_TRUE(Client.IsConnected());
  EXPECT_EQ(ThrownBy([&] { Client.Write("late", 4); }), "Socket not connected");
  QTest::qWait(20);
  EXPECT_FALSE(Recorder.Has("closed"));

  server.ResumeReading();
  ASSERT_TRUE(WaitFor([&] { return server.Disconnects == 1 && Recorder.Has("closed"); }, 10000));
  ASSERT_EQ(server.Received.size(), payload.size());
  EXPECT_TRUE(server.Received == payload);
  EXPECT_FALSE(Client.Active());
  EXPECT_FALSE(Recorder.Has("error 10054"));
}

TEST_F(TTcpClientTest, UnreadBytesAreOfferedOnceMoreBeforeClosed) {
  TLoopbackServer server;
  server.Echo = false;
  Recorder.ReadOnData = false; // leave them, as with half a packet
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(server.PortText());
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return server.Peer() != nullptr && Client.IsConnected(); }));
  server.Peer()->write("abc");
  ASSERT_TRUE(WaitForEvent("data"));
  Recorder.ReadOnData = true;
  Client.Deactivate();
  EXPECT_TRUE(Client.IsConnected()); // until the close has been reported
  ASSERT_TRUE(WaitForEvent("closed"));
  EXPECT_EQ(Recorder.Data, "abc");
  EXPECT_EQ(Recorder.StatesAtData.back(), TSocketState::Connected);
  EXPECT_EQ(Recorder.Events, (TEvents{"data", "closed"}));
}

TEST_F(TTcpClientTest, DeactivateOnAnInactiveConnectionDoesNothing) {
  Client.Deactivate();
  QTest::qWait(5);
  EXPECT_TRUE(Recorder.Events.empty());
}

TEST_F(TTcpClientTest, NotificationsKeepComingInsideANestedEventLoop) {
  TLoopbackServer server;
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(server.PortText());
  bool nestedSawSecond = false;
  int depth = 0;
  int maxDepth = 0;
  QByteArray received;
  Client.OnDataAvailable = [&] {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    received += Client.Read(Client.Buffered());
    if (received == "first") {
      // Like the engine waiting for a name look-up inside a handler.
      Client.Write(QByteArray("second"));
      QEventLoop loop;
      QTimer guard;
      guard.setSingleShot(true);
      QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
      guard.start(5000);
      QTimer poll;
      QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (received.endsWith("second")) {
          nestedSawSecond = true;
          loop.quit();
        }
      });
      poll.start(1);
      loop.exec();
    }
    --depth;
  };
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return Client.IsConnected(); }));
  Client.Write(QByteArray("first"));
  ASSERT_TRUE(WaitFor([&] { return nestedSawSecond && depth == 0; }));
  EXPECT_EQ(received, "firstsecond");
  EXPECT_EQ(maxDepth, 2);
  Client.Deactivate();
}

TEST_F(TTcpClientTest, HandlerExceptionsGoToOnException) {
  TLoopbackServer server;
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(server.PortText());
  std::vector<std::string> caught;
  Client.OnException = [&](const std::exception& e) { caught.push_back(e.what()); };
  Client.OnStateChange = [](TSocketState, TSocketState) { throw TChatException("handler failed"); };
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return Client.IsConnected() && caught.size() >= 3; }));
  EXPECT_EQ(caught.front(), "handler failed");

  // Without a handler the exception is only logged.
  Client.OnException = nullptr;
  Client.OnClose = [] { throw std::runtime_error("close handler failed"); };
  Client.Deactivate();
  ASSERT_TRUE(WaitFor([&] { return !Client.Active(); }));
  QTest::qWait(5);
}

TEST_F(TTcpClientTest, SocksConnectByIPv4WithoutAuthentication) {
  // The reply is followed at once by the target's first bytes.
  TScriptedProxy proxy({{3, kNoAuthChoice}, {10, kConnectOkIPv4 + "welcome"}});
  UseProxy(proxy);
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(QStringLiteral("7105"));
  // Bytes written while negotiating wait until the proxy has connected us.
  Client.OnNegotiating = [&] {
    Recorder.Events.push_back("negotiating");
    EXPECT_TRUE(Client.ProxyNegotiating());
    Client.Write(QByteArray("early"));
  };
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return Recorder.Data == "welcomeearly"; }));
  EXPECT_EQ(proxy.Received,
            Bytes({5, 1, 0}) + Bytes({5, 1, 0, 1, 127, 0, 0, 1, 0x1B, 0xC1}) + "early");
  EXPECT_EQ(Recorder.Events, (TEvents{"negotiating", "data"}));
  EXPECT_EQ(Recorder.States.back(), "negotiating->connected");
  EXPECT_FALSE(Client.ProxyNegotiating());
}

TEST_F(TTcpClientTest, SocksReplyAddressTypesAndDomainConnect) {
  const QByteArray replies[] = {
      kConnectOkIPv4,
      Bytes({5, 0, 0, 3, 9}) + "relay.one" + Bytes({0, 80}),
      Bytes({5, 0, 0, 4}) + QByteArray(16, '\1') + Bytes({0, 80}),
  };
  for (const QByteArray& reply : replies) {
    const QByteArray request = Bytes({5, 1, 0, 3, 12}) + "chat.example" + Bytes({0x1B, 0xC5});
    TScriptedProxy proxy({{3, kNoAuthChoice}, {static_cast<int>(request.size()), reply}});
    Recorder.Clear();
    Client.SetProxy(std::nullopt);
    UseProxy(proxy);
    Client.SetHost(QStringLiteral("chat.example")); // handed to the proxy, never looked up
    Client.SetPort(QStringLiteral("7109"));
    Client.Activate();
    ASSERT_TRUE(WaitFor([&] { return Client.IsConnected(); })) << reply.toHex().toStdString();
    Client.Write(QByteArray("ping"));
    ASSERT_TRUE(WaitFor([&] { return Recorder.Data == "ping"; }));
    EXPECT_EQ(proxy.Received, Bytes({5, 1, 0}) + request + "ping");
    Client.Deactivate();
    ASSERT_TRUE(WaitForEvent("closed"));
  }
}

TEST_F(TTcpClientTest, SocksCredentialsAreSentWheneverTheProxyAsks) {
  struct {
    bool Authenticate;
    QByteArray Greeting;
    QByteArray Credentials;
  } cases[] = {
      {true, Bytes({5, 1, 2}), Bytes({1, 4}) + "user" + Bytes({6}) + "secret"},
      // Nothing offered, but the proxy's choice decides; our settings had a
      // user name, so it goes, unchecked up front.
      {false, Bytes({5, 1, 0}), Bytes({1, 4}) + "user" + Bytes({6}) + "secret"},
  };
  for (const auto& c : cases) {
    TScriptedProxy proxy({{3, Bytes({5, 2})},
                          {static_cast<int>(c.Credentials.size()), Bytes({1, 0})},
                          {10, kConnectOkIPv4}});
    Recorder.Clear();
    Client.SetProxy(std::nullopt);
    UseProxy(proxy, c.Authenticate);
    Client.SetHost(QStringLiteral("127.0.0.1"));
    Client.SetPort(QStringLiteral("80"));
    Client.Activate();
    ASSERT_TRUE(WaitFor([&] { return Client.IsConnected(); }));
    EXPECT_EQ(proxy.Received,
              c.Greeting + c.Credentials + Bytes({5, 1, 0, 1, 127, 0, 0, 1, 0, 80}));
    Client.Deactivate();
    ASSERT_TRUE(WaitForEvent("closed"));
  }

  // Empty credentials still make a well-formed request.
  TScriptedProxy proxy({{3, Bytes({5, 2})}, {3, Bytes({1, 0})}, {10, kConnectOkIPv4}});
  TSocks5Proxy settings;
  settings.Host = QStringLiteral("127.0.0.1");
  settings.Port = proxy.PortText();
  Client.SetProxy(settings);
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return Client.IsConnected(); }));
  EXPECT_EQ(proxy.Received.mid(3, 3), Bytes({1, 0, 0}));
}

TEST_F(TTcpClientTest, SocksFailuresEndInConnectFailed) {
  struct TCase {
    std::string Name;
    std::vector<TProxyStep> Script;
    int Code;
    std::string Text;
  };
  std::vector<TCase> cases = {
      {"bad greeting answer", {{3, Bytes({5, 1})}}, 40101, "Socks negotiation failed"},
      {"refused authentication",
       {{3, Bytes({5, 2})}, {13, Bytes({1, 1})}},
       40102,
       "Socks authentication failed"},
      {"unknown address type",
       {{3, kNoAuthChoice}, {10, Bytes({5, 0, 0, 9, 0, 0, 0})}},
       40101,
       "Socks5 Address type #9 not supported"},
  };
  const char* replyTexts[] = {"General socks server failure", "Connection not allowed by rule set",
                              "Network unreachable",          "Host unreachable",
                              "Connection refused",           "Socks error: TTL expired",
                              "Socks command not supported",  "Address type not supported"};
  for (int code = 1; code <= 8; ++code) {
    cases.push_back({"reply code " + std::to_string(code),
                     {{3, kNoAuthChoice}, {10, Bytes({5, code, 0, 1, 0, 0, 0, 0, 0, 0})}},
                     40000 + code,
                     replyTexts[code - 1]});
  }
  for (const TCase& c : cases) {
    TScriptedProxy proxy(c.Script);
    Recorder.Clear();
    Client.SetProxy(std::nullopt);
    UseProxy(proxy);
    Client.SetHost(QStringLiteral("127.0.0.1"));
    Client.SetPort(QStringLiteral("80"));
    Client.Activate();
    ASSERT_TRUE(WaitForEvent("connect-failed")) << c.Name;
    EXPECT_EQ(Recorder.Events,
              (TEvents{"negotiating", "error " + std::to_string(c.Code), "connect-failed"}))
        << c.Name;
    EXPECT_EQ(Recorder.ErrorTexts, (TEvents{c.Text})) << c.Name;
    EXPECT_EQ(Client.LastErrorCode(), c.Code) << c.Name;
    EXPECT_FALSE(Client.Active()) << c.Name;
  }
}

TEST_F(TTcpClientTest, SocksRepliesSplitIntoSingleBytes) {
  TScriptedProxy proxy(
      {{3, Bytes({5, 2}), true},
       {13, Bytes({1, 0}), true},
       {10, Bytes({5, 0, 0, 3, 11}) + "relay.local" + Bytes({0, 80}) + "hi", true}});
  UseProxy(proxy, true);
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(QStringLiteral("80"));
  Client.Activate();
  ASSERT_TRUE(WaitFor([&] { return Recorder.Data == "hi"; }));
  EXPECT_TRUE(Client.IsConnected());
  EXPECT_EQ(Recorder.Events, (TEvents{"negotiating", "data"}));
}

TEST_F(TTcpClientTest, ProxyHangingUpMidNegotiation) {
  // Half a reply, then the proxy is gone.
  TScriptedProxy proxy({{3, kNoAuthChoice}, {10, Bytes({5, 0, 0}), false, true}});
  UseProxy(proxy);
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(QStringLiteral("80"));
  Client.Activate();
  ASSERT_TRUE(WaitForEvent("connect-failed"));
  ASSERT_EQ(Recorder.Events.size(), 3u);
  EXPECT_EQ(Recorder.Events[0], "negotiating");
  EXPECT_EQ(Recorder.Events[1], "error 10054"); // the proxy's close, as a reset
  EXPECT_EQ(Recorder.Events[2], "connect-failed");
  EXPECT_FALSE(Client.Active());
  EXPECT_EQ(Client.Buffered(), 0);
}

TEST_F(TTcpClientTest, SocksLengthChecksThrowWithoutErrorNotification) {
  TSocks5Proxy settings;
  settings.Host = QStringLiteral("127.0.0.1");
  settings.Port = QStringLiteral("1080");
  settings.Authenticate = true;
  settings.User = QString(256, QLatin1Char('u'));
  Client.SetProxy(settings);
  Client.SetHost(QStringLiteral("127.0.0.1"));
  Client.SetPort(QStringLiteral("80"));
  EXPECT_EQ(ThrownBy([&] { Client.Activate(); }), "Username too long for use with SOCKS");
  settings.User.clear();
  Client.SetProxy(settings);
  Client.SetHost(QString(256, QLatin1Char('h')));
  EXPECT_EQ(ThrownBy([&] { Client.Activate(); }), "Domain name too long for use with SOCKS");
  EXPECT_TRUE(Recorder.Events.empty());
  EXPECT_FALSE(Client.Active());
}

} // namespace
} // namespace tessra
