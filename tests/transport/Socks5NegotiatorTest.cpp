#include <gtest/gtest.h>

#include "common/ChatException.h"
#include "transport/Socks5Negotiator.h"

namespace tessra {
namespace {

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (int v : values) {
    bytes.append(static_cast<char>(v));
  }
  return bytes;
}

TEST(Socks5Negotiator, DottedIPv4IsStrict) {
  struct {
    const char* Host;
    bool Valid;
  } cases[] = {{"127.0.0.1", true},  {"255.255.255.255", true}, {"0.0.0.0", true},
               {"256.0.0.1", false}, {"127.1", false},          {"1.2.3.4.5", false},
               {"1.2.3.", false},    {"a.b.c.d", false},        {"1.2.3.0001", false},
               {"", false},          {"chat.example", false},   {"1.2.3.-4", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(TSocks5Negotiator::ParseDottedIPv4(QString::fromLatin1(c.Host)).has_value(), c.Valid)
        << c.Host;
  }
  const auto address = TSocks5Negotiator::ParseDottedIPv4(QStringLiteral("10.20.30.40"));
  ASSERT_TRUE(address);
  EXPECT_EQ(*address, (std::array<uint8_t, 4>{10, 20, 30, 40}));
}

TEST(Socks5Negotiator, LengthChecksUseTheFieldLimit) {
  TSocks5Proxy proxy;
  proxy.Authenticate = true;
  proxy.User = QString(255, QLatin1Char('u'));
  proxy.Password = QString(255, QLatin1Char('p'));
  EXPECT_NO_THROW(TSocks5Negotiator::CheckLengths(proxy, QString(255, QLatin1Char('h'))));

  auto messageOf = [](const TSocks5Proxy& p, const QString& host) {
    try {
      TSocks5Negotiator::CheckLengths(p, host);
    } catch (const TChatException& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  TSocks5Proxy longUser = proxy;
  longUser.User += QLatin1Char('u');
  EXPECT_EQ(messageOf(longUser, QStringLiteral("h")), "Username too long for use with SOCKS");
  TSocks5Proxy longPassword = proxy;
  longPassword.Password += QLatin1Char('p');
  EXPECT_EQ(messageOf(longPassword, QStringLiteral("h")), "Password too long for use with SOCKS");
  EXPECT_EQ(messageOf(proxy, QString(256, QLatin1Char('h'))),
            "Domain name too long for use with SOCKS");
  // The limit is on the bytes sent: 128 two-byte characters do not fit.
  TSocks5Proxy wideUser = proxy;
  wideUser.User = QString(128, QChar(0x00E9));
  EXPECT_EQ(messageOf(wideUser, QStringLiteral("h")), "Username too long for use with SOCKS");
}

TEST(Socks5Negotiator, TakesExactlyTheRepliesWhenFedByteByByte) {
  TSocks5Proxy proxy;
  proxy.Authenticate = true;
  proxy.User = QStringLiteral("ann");
  proxy.Password = QStringLiteral("pw");
  TSocks5Negotiator negotiator(proxy, QStringLiteral("chat.example"), 7105);
  EXPECT_EQ(negotiator.Start(), Bytes({5, 1, 2}));

  // Every answer of the proxy, and two bytes of the target after them.
  const QByteArray incoming =
      Bytes({5, 2}) + Bytes({1, 0}) + Bytes({5, 0, 0, 3, 4, 'n', 'a', 'm', 'e', 0x1B, 0xC1}) + "AB";
  QByteArray buffer;
  QByteArray sent;
  TSocks5Negotiator::TResult result = TSocks5Negotiator::TResult::NeedMore;
  for (char byte : incoming) {
    buffer.append(byte);
    const auto fed = negotiator.Feed(buffer.constData(), buffer.size(), sent);
    buffer.remove(0, static_cast<qsizetype>(fed.Consumed));
    if (fed.Result != TSocks5Negotiator::TResult::NeedMore) {
      result = fed.Result;
      break;
    }
  }
  EXPECT_EQ(result, TSocks5Negotiator::TResult::Done);
  EXPECT_EQ(sent, Bytes({1, 3, 'a', 'n', 'n', 2, 'p', 'w'}) + Bytes({5, 1, 0, 3, 12}) +
                      "chat.example" + Bytes({0x1B, 0xC1}));
  // The reply ended before the target's bytes: they were never offered.
  EXPECT_TRUE(buffer.isEmpty());
  QByteArray rest = "AB";
  QByteArray none;
  const auto after = negotiator.Feed(rest.constData(), rest.size(), none);
  EXPECT_EQ(after.Consumed, 0);
  EXPECT_TRUE(none.isEmpty());
}

TEST(Socks5Negotiator, RepliesThatEndTheNegotiation) {
  struct {
    const char* Name;
    QByteArray Incoming;
    int Code;
    const char* Text;
  } cases[] = {
      {"wrong version", Bytes({4, 0}), 40101, "Socks negotiation failed"},
      {"no acceptable method", Bytes({5, 0xFF}), 40101, "Socks negotiation failed"},
      {"refused credentials", Bytes({5, 2, 1, 1}), 40102, "Socks authentication failed"},
      {"reply code 5", Bytes({5, 0, 5, 5, 0, 1, 0, 0, 0, 0, 0, 0}), 40005, "Connection refused"},
      {"address type 2", Bytes({5, 0, 5, 0, 0, 2, 0}), 40101,
       "Socks5 Address type #2 not supported"},
  };
  for (const auto& c : cases) {
    TSocks5Negotiator negotiator(TSocks5Proxy{}, QStringLiteral("127.0.0.1"), 80);
    negotiator.Start();
    QByteArray sent;
    const auto fed = negotiator.Feed(c.Incoming.constData(), c.Incoming.size(), sent);
    EXPECT_EQ(fed.Result, TSocks5Negotiator::TResult::Failed) << c.Name;
    EXPECT_EQ(negotiator.ErrorCode(), c.Code) << c.Name;
    EXPECT_EQ(negotiator.ErrorText().toStdString(), c.Text) << c.Name;
  }
}

TEST(Socks5Negotiator, CredentialsTooLongForAProxyThatDemandsThem) {
  TSocks5Proxy proxy; // no authentication asked for, so not checked up front
  proxy.User = QString(300, QLatin1Char('u'));
  TSocks5Negotiator negotiator(proxy, QStringLiteral("127.0.0.1"), 80);
  EXPECT_EQ(negotiator.Start(), Bytes({5, 1, 0}));
  const QByteArray incoming = Bytes({5, 2});
  QByteArray sent;
  const auto fed = negotiator.Feed(incoming.constData(), incoming.size(), sent);
  EXPECT_EQ(fed.Result, TSocks5Negotiator::TResult::Failed);
  EXPECT_EQ(negotiator.ErrorText(), QStringLiteral("Username too long for use with SOCKS"));
  EXPECT_TRUE(sent.isEmpty());
}

} // namespace
} // namespace tessra
