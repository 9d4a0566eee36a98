#include "transport/Socks5Negotiator.h"

#include <QStringList>
#include <QUrl>

#include "common/ChatException.h"

namespace tessra {

namespace {

constexpr uint8_t kSocksVersion = 0x05;
constexpr uint8_t kMethodNone = 0x00;
constexpr uint8_t kMethodUserPass = 0x02;
constexpr uint8_t kUserPassVersion = 0x01;
constexpr uint8_t kCommandConnect = 0x01;
constexpr uint8_t kAddressIPv4 = 0x01;
constexpr uint8_t kAddressDomain = 0x03;
constexpr uint8_t kAddressIPv6 = 0x04;
constexpr int kMaxFieldLength = 255;

const char kUserTooLong[] = "Username too long for use with SOCKS";
const char kPasswordTooLong[] = "Password too long for use with SOCKS";
const char kDomainTooLong[] = "Domain name too long for use with SOCKS";

uint8_t ByteAt(const char* data, int64_t index) {
  return static_cast<uint8_t>(data[index]);
}

} // namespace

TSocks5Negotiator::TSocks5Negotiator(const TSocks5Proxy& proxy, const QString& targetHost,
                                     uint16_t targetPort)
    : Proxy(proxy), TargetHost(targetHost), TargetPort(targetPort) {}

void TSocks5Negotiator::CheckLengths(const TSocks5Proxy& proxy, const QString& targetHost) {
  if (proxy.Authenticate) {
    if (proxy.User.toUtf8().size() > kMaxFieldLength) {
      throw TChatException(kUserTooLong);
    }
    if (proxy.Password.toUtf8().size() > kMaxFieldLength) {
      throw TChatException(kPasswordTooLong);
    }
  }
  if (!ParseDottedIPv4(targetHost) && EncodeHostName(targetHost).size() > kMaxFieldLength) {
    throw TChatException(kDomainTooLong);
  }
}

std::optional<std::array<uint8_t, 4>> TSocks5Negotiator::ParseDottedIPv4(const QString& host) {
  const QStringList parts = host.split(QLatin1Char('.'));
  if (parts.size() != 4) {
    return std::nullopt;
  }
  std::array<uint8_t, 4> address{};
  for (int i = 0; i < 4; ++i) {
    const QString& part = parts[i];
    // At most three digits keeps the value small and rejects "0000001".
    if (part.isEmpty() || part.size() > 3) {
      return std::nullopt;
    }
    int value = 0;
    for (QChar c : part) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
        return std::nullopt;
      }
      value = value * 10 + (c.unicode() - '0');
    }
    if (value > 255) {
      return std::nullopt;
    }
    address[static_cast<size_t>(i)] = static_cast<uint8_t>(value);
  }
  return address;
}

QByteArray TSocks5Negotiator::EncodeHostName(const QString& host) {
  bool ascii = true;
  for (QChar c : host) {
    if (c.unicode() > 0x7F) {
      ascii = false;
      break;
    }
  }
  if (ascii) {
    return host.toLatin1();
  }
  // The proxy hands the name to its resolver, which only knows the ASCII
  // (punycode) form of international names.
  QByteArray ace = QUrl::toAce(host);
  return ace.isEmpty() ? host.toUtf8() : ace;
}

QByteArray TSocks5Negotiator::Start() {
  Current = TStep::Greeting;
  QByteArray greeting;
  greeting.append(static_cast<char>(kSocksVersion));
  greeting.append(static_cast<char>(1));
  greeting.append(static_cast<char>(Proxy.Authenticate ? kMethodUserPass : kMethodNone));
  return greeting;
}

TSocks5Negotiator::TResult TSocks5Negotiator::Fail(int code, const QString& text) {
  Current = TStep::Failed;
  Code = code;
  Text = text;
  return TResult::Failed;
}

QByteArray TSocks5Negotiator::AuthenticationRequest(bool& ok) {
  const QByteArray user = Proxy.User.toUtf8();
  const QByteArray password = Proxy.Password.toUtf8();
  ok = false;
  if (user.size() > kMaxFieldLength) {
    Fail(kErrSocksAuth, QString::fromLatin1(kUserTooLong));
    return {};
  }
  if (password.size() > kMaxFieldLength) {
    Fail(kErrSocksAuth, QString::fromLatin1(kPasswordTooLong));
    return {};
  }
  QByteArray request;
  request.append(static_cast<char>(kUserPassVersion));
  request.append(static_cast<char>(user.size()));
  request.append(user);
  request.append(static_cast<char>(password.size()));
  request.append(password);
  ok = true;
  return request;
}

QByteArray TSocks5Negotiator::ConnectRequest() const {
  QByteArray request;
  request.append(static_cast<char>(kSocksVersion));
  request.append(static_cast<char>(kCommandConnect));
  request.append(static_cast<char>(0x00));
  if (const auto address = ParseDottedIPv4(TargetHost)) {
    request.append(static_cast<char>(kAddressIPv4));
    for (uint8_t b : *address) {
      request.append(static_cast<char>(b));
    }
  } else {
    // The length was checked when the connection was started.
    const QByteArray name = EncodeHostName(TargetHost).left(kMaxFieldLength);
    request.append(static_cast<char>(kAddressDomain));
    request.append(static_cast<char>(name.size()));
    request.append(name);
  }
  request.append(static_cast<char>(TargetPort >> 8));
  request.append(static_cast<char>(TargetPort & 0xFF));
  return request;
}

TSocks5Negotiator::TFeedResult TSocks5Negotiator::Feed(const char* data, int64_t size,
                                                       QByteArray& output) {
  TFeedResult result;
  for (;;) {
    const int64_t available = size - result.Consumed;
    const char* p = data + result.Consumed;
    switch (Current) {
    case TStep::Idle:
      // Nothing was asked yet; whatever the proxy says is not an answer.
      result.Result = available > 0 ? Fail(kErrSocksNegotiation, TcpErrorText(kErrSocksNegotiation))
                                    : TResult::NeedMore;
      return result;
    case TStep::Greeting: {
      if (available < 2) {
        result.Result = TResult::NeedMore;
        return result;
      }
      const uint8_t version = ByteAt(p, 0);
      const uint8_t method = ByteAt(p, 1);
      result.Consumed += 2;
      if (version != kSocksVersion || (method != kMethodNone && method != kMethodUserPass)) {
        result.Result = Fail(kErrSocksNegotiation, TcpErrorText(kErrSocksNegotiation));
        return result;
      }
      // The proxy's choice decides, whatever we offered: a proxy that wants
      // credentials gets ours, even empty ones.
      if (method == kMethodUserPass) {
        bool ok = false;
        const QByteArray request = AuthenticationRequest(ok);
        if (!ok) {
          result.Result = TResult::Failed;
          return result;
        }
        output.append(request);
        Current = TStep::Authentication;
      } else {
        output.append(ConnectRequest());
        Current = TStep::Connect;
      }
      break;
    }
    case TStep::Authentication: {
      if (available < 2) {
        result.Result = TResult::NeedMore;
        return result;
      }
      const uint8_t status = ByteAt(p, 1);
      result.Consumed += 2;
      if (status != 0x00) {
        result.Result = Fail(kErrSocksAuth, TcpErrorText(kErrSocksAuth));
        return result;
      }
      output.append(ConnectRequest());
      Current = TStep::Connect;
      break;
    }
    case TStep::Connect: {
      if (available < 5) {
        result.Result = TResult::NeedMore;
        return result;
      }
      const uint8_t reply = ByteAt(p, 1);
      const uint8_t addressType = ByteAt(p, 3);
      int64_t length = 0;
      switch (addressType) {
      case kAddressIPv4:
        length = 10;
        break;
      case kAddressDomain:
        length = 7 + ByteAt(p, 4);
        break;
      case kAddressIPv6:
        length = 22;
        break;
      default:
        result.Result =
            Fail(kErrSocksNegotiation,
                 QStringLiteral("Socks5 Address type #%1 not supported").arg(addressType));
        return result;
      }
      if (available < length) {
        result.Result = TResult::NeedMore;
        return result;
      }
      result.Consumed += length;
      if (reply != 0x00) {
        result.Result = Fail(kErrSocksBase + reply, TcpErrorText(kErrSocksBase + reply));
        return result;
      }
      Current = TStep::Done;
      result.Result = TResult::Done;
      return result;
    }
    case TStep::Done:
      result.Result = TResult::Done;
      return result;
    case TStep::Failed:
      result.Result = TResult::Failed;
      return result;
    }
  }
}

} // namespace tessra
