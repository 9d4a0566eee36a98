#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>

#include "transport/TcpClient.h"

namespace tessra {

// The client side of a SOCKS5 handshake (RFC 1928, with the username/password
// method of RFC 1929) as a plain state machine over bytes. Start() gives the
// greeting; Feed() takes what the proxy has sent so far, consumes exactly the
// bytes of the answers it can complete and hands back what to send next. Bytes
// after the final reply are not touched: they already belong to the target.
class TSocks5Negotiator {
public:
  enum class TStep { Idle, Greeting, Authentication, Connect, Done, Failed };
  enum class TResult { NeedMore, Done, Failed };

  struct TFeedResult {
    TResult Result = TResult::NeedMore;
    int64_t Consumed = 0;
  };

  TSocks5Negotiator(const TSocks5Proxy& proxy, const QString& targetHost, uint16_t targetPort);

  // Throws TChatException when the credentials or the target name do not fit
  // the one-byte length fields of the messages. Credentials are checked only
  // when authentication is asked for: a proxy that demands it anyway fails the
  // negotiation with the same text instead.
  static void CheckLengths(const TSocks5Proxy& proxy, const QString& targetHost);
  // Four decimal numbers 0..255 separated by dots, nothing else.
  static std::optional<std::array<uint8_t, 4>> ParseDottedIPv4(const QString& host);
  // The bytes a target host name goes to the proxy as.
  static QByteArray EncodeHostName(const QString& host);

  QByteArray Start();
  TFeedResult Feed(const char* data, int64_t size, QByteArray& output);

  TStep Step() const { return Current; }
  int ErrorCode() const { return Code; }
  QString ErrorText() const { return Text; }

private:
  TResult Fail(int code, const QString& text);
  QByteArray AuthenticationRequest(bool& ok);
  QByteArray ConnectRequest() const;

  TSocks5Proxy Proxy;
  QString TargetHost;
  uint16_t TargetPort;
  TStep Current = TStep::Idle;
  int Code = 0;
  QString Text;
};

} // namespace tessra
