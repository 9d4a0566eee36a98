// Feeds arbitrary proxy answers, split at arbitrary points, to the SOCKS5
// negotiation and checks that it never takes more than it was given, never
// takes anything once finished, and always ends with a known outcome.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "transport/Socks5Negotiator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) {
    return 0;
  }
  tessra::TSocks5Proxy proxy;
  proxy.Authenticate = (data[0] & 1) != 0;
  proxy.User = QStringLiteral("user");
  proxy.Password = QStringLiteral("password");
  const QString target =
      (data[0] & 2) != 0 ? QStringLiteral("127.0.0.1") : QStringLiteral("chat.example");
  const size_t step = 1 + data[1] % 16; // how the bytes are split into segments
  tessra::TSocks5Negotiator negotiator(proxy, target, 7105);
  negotiator.Start();

  QByteArray buffer;
  QByteArray sent;
  for (size_t at = 2; at < size; at += step) {
    const size_t count = std::min(step, size - at);
    buffer.append(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(count));
    const auto fed = negotiator.Feed(buffer.constData(), buffer.size(), sent);
    if (fed.Consumed < 0 || fed.Consumed > buffer.size()) {
      std::abort();
    }
    buffer.remove(0, static_cast<qsizetype>(fed.Consumed));
    if (fed.Result != tessra::TSocks5Negotiator::TResult::NeedMore) {
      const auto again = negotiator.Feed(buffer.constData(), buffer.size(), sent);
      if (again.Consumed != 0 || again.Result != fed.Result) {
        std::abort();
      }
      if (fed.Result == tessra::TSocks5Negotiator::TResult::Failed && negotiator.ErrorCode() == 0) {
        std::abort();
      }
      break;
    }
  }
  return 0;
}
