#include "transport/TcpClient.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <utility>

#include <QHostAddress>
#include <QHostInfo>
#include <QList>
#include <QNetworkProxy>
#include <QSignalBlocker>
#include <QTcpSocket>
#include <QtEndian>

#if defined(Q_OS_LINUX)
#include <netdb.h>
#endif

#include "common/ChatException.h"
#include "common/Trace.h"
#include "transport/Socks5Negotiator.h"

namespace tessra {

namespace {

// How much we hand to the platform socket at a time. Everything beyond waits
// in our own send buffer, so a large write neither copies the whole lot into
// the socket nor hides from us what is still unsent.
constexpr qint64 kSocketWriteWindow = 64 * 1024;

// Winsock-style codes for the platform errors we report ourselves.
constexpr int kErrInvalid = 10022;           // WSAEINVAL
constexpr int kErrDestinationNeeded = 10039; // WSAEDESTADDRREQ: no host or port given
constexpr int kErrConnectionReset = 10054;   // WSAECONNRESET
constexpr int kErrServiceNotFound =
    10109;                              // WSATYPE_NOT_FOUND: port is neither a number nor a service
constexpr int kErrHostNotFound = 11001; // WSAHOST_NOT_FOUND
constexpr int kErrTryAgain = 11002;     // WSATRY_AGAIN

struct TPlatformError {
  int Code;
  const char* Text;
};

// Texts for the platform codes when there is no socket to ask (TcpErrorText).
constexpr TPlatformError kPlatformErrors[] = {
    {10004, "Interrupted function call"},
    {10013, "Permission denied"},
    {10022, "Invalid argument"},
    {10035, "Resource temporarily unavailable"},
    {10036, "Operation now in progress"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10045, "Operation not supported"},
    {10048, "Address already in use"},
    {10049, "Cannot assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10057, "Socket is not connected"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10109, "Port or service not found"},
    {11001, "Host not found"},
    {11002, "Nonauthoritative host not found"},
    {11003, "This is a nonrecoverable error"},
    {11004, "Valid name, no data record of requested type"},
};

// Qt's socket errors mapped onto the Winsock-style codes the rest of the
// program knows; the text that goes with them is Qt's own errorString().
//   ConnectionRefusedError          -> 10061 WSAECONNREFUSED
//   RemoteHostClosedError           -> 10054 WSAECONNRESET
//   HostNotFoundError               -> 11001 WSAHOST_NOT_FOUND
//   SocketAccessError               -> 10013 WSAEACCES
//   SocketResourceError             -> 10055 WSAENOBUFS
//   SocketTimeoutError              -> 10060 WSAETIMEDOUT
//   DatagramTooLargeError           -> 10040 WSAEMSGSIZE
//   NetworkError                    -> 10051 WSAENETUNREACH
//   AddressInUseError               -> 10048 WSAEADDRINUSE
//   SocketAddressNotAvailableError  -> 10049 WSAEADDRNOTAVAIL
//   UnsupportedSocketOperationError -> 10045 WSAEOPNOTSUPP
//   UnfinishedSocketOperationError  -> 10036 WSAEINPROGRESS
//   TemporaryError                  -> 10035 WSAEWOULDBLOCK
//   everything else (Qt's proxy and TLS errors, which we never use, and
//   UnknownSocketError)             -> 10022 WSAEINVAL
int PlatformCode(QAbstractSocket::SocketError error) {
  switch (error) {
  case QAbstractSocket::ConnectionRefusedError:
    return 10061;
  case QAbstractSocket::RemoteHostClosedError:
    return kErrConnectionReset;
  case QAbstractSocket::HostNotFoundError:
    return kErrHostNotFound;
  case QAbstractSocket::SocketAccessError:
    return 10013;
  case QAbstractSocket::SocketResourceError:
    return 10055;
  case QAbstractSocket::SocketTimeoutError:
    return 10060;
  case QAbstractSocket::DatagramTooLargeError:
    return 10040;
  case QAbstractSocket::NetworkError:
    return 10051;
  case QAbstractSocket::AddressInUseError:
    return 10048;
  case QAbstractSocket::SocketAddressNotAvailableError:
    return 10049;
  case QAbstractSocket::UnsupportedSocketOperationError:
    return 10045;
  case QAbstractSocket::UnfinishedSocketOperationError:
    return 10036;
  case QAbstractSocket::TemporaryError:
    return 10035;
  default:
    return kErrInvalid;
  }
}

// Errors that are the far side's answer to a connect rather than the
// platform turning the connect down: they arrive as notifications, never as
// an exception from Activate, even when the platform knows them at once.
bool IsPeerAnswer(QAbstractSocket::SocketError error) {
  return error == QAbstractSocket::ConnectionRefusedError ||
         error == QAbstractSocket::SocketTimeoutError ||
         error == QAbstractSocket::RemoteHostClosedError;
}

int LookupCode(QHostInfo::HostInfoError error) {
  return error == QHostInfo::HostNotFound ? kErrHostNotFound : kErrTryAgain;
}

// A port is decimal text 1..65535 or the name of a TCP service.
std::optional<uint16_t> ParsePort(const QString& text) {
  bool numeric = !text.isEmpty() && text.size() <= 5;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
      numeric = false;
      break;
    }
  }
  if (numeric) {
    const int value = text.toInt();
    if (value >= 1 && value <= 65535) {
      return static_cast<uint16_t>(value);
    }
    return std::nullopt;
  }
#if defined(Q_OS_LINUX)
  const QByteArray name = text.toLatin1();
  servent entry{};
  servent* found = nullptr;
  char scratch[1024];
  if (!name.isEmpty() &&
      getservbyname_r(name.constData(), "tcp", &entry, scratch, sizeof scratch, &found) == 0 &&
      found != nullptr) {
    const uint16_t port = qFromBigEndian(static_cast<uint16_t>(found->s_port));
    if (port != 0) {
      return port;
    }
  }
#endif
  return std::nullopt;
}

} // namespace

QString TcpErrorText(int code) {
  switch (code) {
  case kErrNotClosed:
    return QStringLiteral("Operation only allowed on closed socket");
  case kErrNotConnected:
    return QStringLiteral("Socket not connected");
  case kErrSocksBase + 1:
    return QStringLiteral("General socks server failure");
  case kErrSocksBase + 2:
    return QStringLiteral("Connection not allowed by rule set");
  case kErrSocksBase + 3:
    return QStringLiteral("Network unreachable");
  case kErrSocksBase + 4:
    return QStringLiteral("Host unreachable");
  case kErrSocksBase + 5:
    return QStringLiteral("Connection refused");
  case kErrSocksBase + 6:
    return QStringLiteral("Socks error: TTL expired");
  case kErrSocksBase + 7:
    return QStringLiteral("Socks command not supported");
  case kErrSocksBase + 8:
    return QStringLiteral("Address type not supported");
  case kErrSocksNegotiation:
    return QStringLiteral("Socks negotiation failed");
  case kErrSocksAuth:
    return QStringLiteral("Socks authentication failed");
  case kErrAborted:
    return QStringLiteral("Aborted");
  default:
    break;
  }
  if (code >= 10000 && code < 20000) {
    for (const TPlatformError& error : kPlatformErrors) {
      if (error.Code == code) {
        return QString::fromLatin1(error.Text);
      }
    }
  }
  return QStringLiteral("Socket error #%1").arg(code);
}

QString SocketStateName(TSocketState state) {
  switch (state) {
  case TSocketState::Closed:
    return QStringLiteral("closed");
  case TSocketState::Resolving:
    return QStringLiteral("resolving");
  case TSocketState::Resolved:
    return QStringLiteral("resolved");
  case TSocketState::Connecting:
    return QStringLiteral("connecting");
  case TSocketState::Negotiating:
    return QStringLiteral("negotiating");
  case TSocketState::Connected:
    return QStringLiteral("connected");
  case TSocketState::Listening:
    return QStringLiteral("listening");
  }
  return QStringLiteral("closed");
}

QString ClientStateName(TClientState state) {
  switch (state) {
  case TClientState::Closed:
    return QStringLiteral("closed");
  case TClientState::Connecting:
    return QStringLiteral("connecting");
  case TClientState::Connected:
    return QStringLiteral("connected");
  }
  return QStringLiteral("closed");
}

class TTCPClient::TImpl {
public:
  explicit TImpl(TTCPClient& owner);
  ~TImpl();

  TImpl(const TImpl&) = delete;
  TImpl& operator=(const TImpl&) = delete;

  void SetHost(const QString& host);
  void SetPort(const QString& port);
  void SetProxy(std::optional<TSocks5Proxy> proxy);
  void Activate();
  void Deactivate();
  void Write(const char* data, int64_t count);
  int64_t Available() const;
  QByteArray Peek(int64_t count) const;
  int64_t Read(char* destination, int64_t count);
  QByteArray ReadBytes(int64_t count);

  TTCPClient& Owner;
  std::unique_ptr<QTcpSocket> Socket;
  QString Host;
  QString Port;
  std::optional<TSocks5Proxy> Proxy;
  TSocketState State = TSocketState::Closed;
  TClientState Client = TClientState::Closed;
  int ErrorCode = 0;
  QString ErrorText;
  std::unique_ptr<TSocks5Negotiator> Negotiator;

private:
  struct TSyncError {
    QAbstractSocket::SocketError Error;
    int Code;
    QString Text;
  };

  // Notifications: queued to the owner's event loop, delivered in order.
  void Post(std::function<void()> call);
  void Guarded(const std::function<void()>& call);
  void PostData();
  void SetState(TSocketState state);
  void SetClientState(TClientState state);
  void RecordError(int code, const QString& text);
  // Failure of a call the owner made: error notification now, then the throw.
  [[noreturn]] void FailCall(int code, const QString& errorText, const QString& message);
  [[noreturn]] void FailClosedOnly(const char* operation);

  // Connection steps.
  void ResolveConnectHost(bool inCall);
  void LookUp(const QString& name, bool forTarget);
  void LookedUp(uint64_t attempt, bool forTarget, const QHostInfo& info);
  void ConnectNext(bool inCall);
  void SocketConnected();
  void SocketReadyRead();
  void SocketError(QAbstractSocket::SocketError error);
  void SocketDisconnected();
  void RunNegotiation();
  void BecomeConnected();
  void FailAsync(int code, const QString& text);
  void FinishClose(std::optional<std::pair<int, QString>> error);
  void CloseGracefully();
  void AbortSocketNow();
  void ReleaseSocketLater();
  void ResetTransfer();

  // Buffers.
  bool PullFromSocket();
  void Consume(int64_t count);
  void Flush();

  QByteArray Received;
  qsizetype ReceivedOffset = 0;
  std::deque<QByteArray> Outgoing;
  qsizetype OutgoingOffset = 0;
  bool Closing = false;
  bool DisconnectRequested = false;
  // The socket is gone; the state turns "closed" once the last data
  // notification has run.
  bool Ending = false;
  bool DataPosted = false;
  // A new number for every Activate, so that late answers of an abandoned
  // attempt are recognised and dropped.
  uint64_t Attempt = 0;
  // Lives exactly as long as this object; late answers check it.
  std::shared_ptr<int> Alive = std::make_shared<int>(0);
  QList<QHostAddress> Addresses;
  uint16_t ConnectPort = 0;
  QString SocksTarget;
  uint16_t TargetPort = 0;
  bool InConnectCall = false;
  std::optional<TSyncError> SyncError;
};

TTCPClient::TImpl::TImpl(TTCPClient& owner) : Owner(owner), Socket(std::make_unique<QTcpSocket>()) {
  // We speak SOCKS ourselves; Qt must never put a proxy of its own in between.
  Socket->setProxy(QNetworkProxy::NoProxy);
  QObject::connect(Socket.get(), &QTcpSocket::connected, &Owner, [this] { SocketConnected(); });
  QObject::connect(Socket.get(), &QTcpSocket::readyRead, &Owner, [this] { SocketReadyRead(); });
  QObject::connect(Socket.get(), &QTcpSocket::bytesWritten, &Owner, [this](qint64) { Flush(); });
  QObject::connect(Socket.get(), &QTcpSocket::errorOccurred, &Owner,
                   [this](QAbstractSocket::SocketError error) { SocketError(error); });
  QObject::connect(Socket.get(), &QTcpSocket::disconnected, &Owner,
                   [this] { SocketDisconnected(); });
}

TTCPClient::TImpl::~TImpl() {
  // A look-up still out is left to finish: its answer is tied to the owner
  // and is dropped once the owner is gone.
  Socket->disconnect();
  Socket->abort();
}

void TTCPClient::TImpl::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(
      &Owner, [this, call = std::move(call)] { Guarded(call); }, Qt::QueuedConnection);
}

void TTCPClient::TImpl::Guarded(const std::function<void()>& call) {
  // Whatever a handler throws stops here: it must not unwind through Qt.
  auto hand = [this](const std::exception& e) {
    if (!Owner.OnException) {
      qWarning("Unhandled exception in a connection notification: %s", e.what());
      return;
    }
    try {
      Owner.OnException(e);
    } catch (const std::exception& inner) {
      qWarning("Exception in the connection's exception handler: %s", inner.what());
    } catch (...) {
      qWarning("Unknown exception in the connection's exception handler");
    }
  };
  try {
    call();
  } catch (const std::exception& e) {
    hand(e);
  } catch (...) {
    hand(TChatException("Unknown exception"));
  }
}

void TTCPClient::TImpl::PostData() {
  // One pending notification covers every byte that arrives before it runs.
  if (DataPosted) {
    return;
  }
  DataPosted = true;
  Post([this] {
    DataPosted = false;
    if (Available() > 0 && Owner.OnDataAvailable) {
      Owner.OnDataAvailable();
    }
  });
}

void TTCPClient::TImpl::SetState(TSocketState state) {
  if (state == State) {
    return;
  }
  const TSocketState old = State;
  State = state;
  TraceTransport(QStringLiteral("TTCPClient.StateChange: %1 -> %2")
                     .arg(SocketStateName(old), SocketStateName(state)));
  Post([this, old, state] {
    if (Owner.OnStateChange) {
      Owner.OnStateChange(old, state);
    }
  });
}

void TTCPClient::TImpl::SetClientState(TClientState state) {
  if (state == Client) {
    return;
  }
  const TClientState old = Client;
  Client = state;
  TraceTransport(QStringLiteral("TTCPClient.ClientStateChange: %1 -> %2")
                     .arg(ClientStateName(old), ClientStateName(state)));
  Post([this, old, state] {
    if (Owner.OnClientStateChange) {
      Owner.OnClientStateChange(old, state);
    }
  });
}

void TTCPClient::TImpl::RecordError(int code, const QString& text) {
  ErrorCode = code;
  ErrorText = text;
  TraceTransport(QStringLiteral("TTCPClient.Error: %1: %2").arg(code).arg(text));
}

void TTCPClient::TImpl::FailCall(int code, const QString& errorText, const QString& message) {
  RecordError(code, errorText);
  Guarded([this, code, errorText] {
    if (Owner.OnError) {
      Owner.OnError(code, errorText);
    }
  });
  throw TChatException(message);
}

void TTCPClient::TImpl::FailClosedOnly(const char* operation) {
  QString text;
  if (!Host.isEmpty() && !Port.isEmpty()) {
    text = QStringLiteral("(Host %1:%2) ").arg(Host, Port);
  }
  text += TcpErrorText(kErrNotClosed) + QStringLiteral(": ") + QLatin1String(operation);
  FailCall(kErrNotClosed, text, text);
}

void TTCPClient::TImpl::SetHost(const QString& host) {
  if (host == Host) {
    return;
  }
  if (State != TSocketState::Closed) {
    FailClosedOnly("SetHost");
  }
  Host = host;
}

void TTCPClient::TImpl::SetPort(const QString& port) {
  if (port == Port) {
    return;
  }
  if (State != TSocketState::Closed) {
    FailClosedOnly("SetPort");
  }
  Port = port;
}

void TTCPClient::TImpl::SetProxy(std::optional<TSocks5Proxy> proxy) {
  if (proxy == Proxy) {
    return;
  }
  if (State != TSocketState::Closed) {
    FailClosedOnly("SetProxy");
  }
  Proxy = std::move(proxy);
}

void TTCPClient::TImpl::Activate() {
  if (State != TSocketState::Closed) {
    return;
  }
  TraceTransport(QStringLiteral("TTCPClient.Activate: %1:%2, Proxy: %3:%4")
                     .arg(Host, Port, Proxy ? Proxy->Host : QStringLiteral("-"),
                          Proxy ? Proxy->Port : QStringLiteral("-")));
  const QString port = Proxy ? Proxy->Port : Port;
  const QString host = Proxy ? Proxy->Host : Host;
  if (Port.isEmpty() || port.isEmpty()) {
    const QString text = QStringLiteral("Port not specified");
    FailCall(kErrDestinationNeeded, text, text);
  }
  if (Host.isEmpty() || host.isEmpty()) {
    const QString text = QStringLiteral("Host not specified");
    FailCall(kErrDestinationNeeded, text, text);
  }
  const std::optional<uint16_t> targetPort = ParsePort(Port);
  const std::optional<uint16_t> connectPort = Proxy ? ParsePort(Proxy->Port) : targetPort;
  if (!targetPort || !connectPort) {
    const QString text = TcpErrorText(kErrServiceNotFound);
    FailCall(kErrServiceNotFound, text, QStringLiteral("Connect failed: ") + text);
  }
  if (Proxy) {
    // Thrown to the caller only; nothing has started yet.
    TSocks5Negotiator::CheckLengths(*Proxy, Host);
  }

  ++Attempt;
  if (Socket->state() != QAbstractSocket::UnconnectedState) {
    AbortSocketNow(); // what is left of the previous connection
  }
  ErrorCode = 0;
  ErrorText.clear();
  ResetTransfer();
  Received.clear();
  ReceivedOffset = 0;
  TargetPort = *targetPort;
  ConnectPort = *connectPort;
  SocksTarget = Host;
  SetClientState(TClientState::Connecting);
  SetState(TSocketState::Resolving);
  if (Proxy && !Proxy->ResolveAtProxy && !TSocks5Negotiator::ParseDottedIPv4(Host)) {
    LookUp(Host, true);
    return;
  }
  ResolveConnectHost(true);
}

void TTCPClient::TImpl::ResolveConnectHost(bool inCall) {
  const QString name = Proxy ? Proxy->Host : Host;
  // Address literals need no lookup; anything else (including forms such as
  // "127.1") goes to the resolver.
  QHostAddress literal;
  if ((TSocks5Negotiator::ParseDottedIPv4(name) || name.contains(QLatin1Char(':'))) &&
      literal.setAddress(name)) {
    Addresses = {literal};
    SetState(TSocketState::Resolved);
    ConnectNext(inCall);
    return;
  }
  LookUp(name, false);
}

void TTCPClient::TImpl::LookUp(const QString& name, bool forTarget) {
  TraceTransport(QStringLiteral("TTCPClient.LookUp: ") + name);
  const uint64_t attempt = Attempt;
  // No context object: Qt leaks the callback of a look-up whose context dies
  // first. The token tells whether this connection still exists.
  QHostInfo::lookupHost(
      name, [this, alive = std::weak_ptr<int>(Alive), attempt, forTarget](const QHostInfo& info) {
        if (!alive.expired()) {
          LookedUp(attempt, forTarget, info);
        }
      });
}

void TTCPClient::TImpl::LookedUp(uint64_t attempt, bool forTarget, const QHostInfo& info) {
  if (attempt != Attempt || State != TSocketState::Resolving) {
    return;
  }
  if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
    const int code =
        info.error() != QHostInfo::NoError ? LookupCode(info.error()) : kErrHostNotFound;
    const QString text =
        info.error() != QHostInfo::NoError ? info.errorString() : TcpErrorText(kErrHostNotFound);
    FailAsync(code, text);
    return;
  }
  if (forTarget) {
    // The proxy gets the target as an address; SOCKS takes IPv4 here.
    const QList<QHostAddress> addresses = info.addresses();
    auto v4 = std::find_if(addresses.begin(), addresses.end(), [](const QHostAddress& a) {
      return a.protocol() == QAbstractSocket::IPv4Protocol;
    });
    SocksTarget = (v4 != addresses.end() ? *v4 : addresses.front()).toString();
    ResolveConnectHost(false);
    return;
  }
  Addresses = info.addresses();
  SetState(TSocketState::Resolved);
  ConnectNext(false);
}

void TTCPClient::TImpl::ConnectNext(bool inCall) {
  while (!Addresses.isEmpty()) {
    const QHostAddress address = Addresses.takeFirst();
    SetState(TSocketState::Connecting);
    TraceTransport(
        QStringLiteral("TTCPClient.Connect: %1:%2").arg(address.toString()).arg(ConnectPort));
    if (Socket->state() != QAbstractSocket::UnconnectedState) {
      AbortSocketNow();
    }
    SyncError.reset();
    InConnectCall = true;
    Socket->connectToHost(address, ConnectPort);
    InConnectCall = false;
    if (!SyncError) {
      return; // under way (or even complete); the socket reports the rest
    }
    const TSyncError failure = *SyncError;
    SyncError.reset();
    AbortSocketNow();
    if (IsPeerAnswer(failure.Error) || !inCall) {
      if (!Addresses.isEmpty()) {
        continue;
      }
      FailAsync(failure.Code, failure.Text);
      return;
    }
    // The platform turned the connect down outright: the caller hears of it.
    Addresses.clear();
    SetState(TSocketState::Closed);
    SetClientState(TClientState::Closed);
    FailCall(failure.Code, failure.Text, QStringLiteral("Connect failed: ") + failure.Text);
  }
}

void TTCPClient::TImpl::SocketConnected() {
  if (State != TSocketState::Connecting) {
    return;
  }
  Addresses.clear();
  if (!Proxy) {
    BecomeConnected();
    return;
  }
  SetState(TSocketState::Negotiating);
  Post([this] {
    if (Owner.OnNegotiating) {
      Owner.OnNegotiating();
    }
  });
  Negotiator = std::make_unique<TSocks5Negotiator>(*Proxy, SocksTarget, TargetPort);
  TraceTransport(QStringLiteral("TTCPClient.Socks5: %1:%2").arg(SocksTarget).arg(TargetPort));
  Socket->write(Negotiator->Start());
}

void TTCPClient::TImpl::SocketReadyRead() {
  if (Ending) {
    return;
  }
  if (State != TSocketState::Negotiating && State != TSocketState::Connected) {
    return;
  }
  if (!PullFromSocket()) {
    return;
  }
  if (State == TSocketState::Negotiating) {
    RunNegotiation();
  } else {
    PostData();
  }
}

void TTCPClient::TImpl::RunNegotiation() {
  if (!Negotiator) {
    return;
  }
  QByteArray output;
  const TSocks5Negotiator::TFeedResult result = Negotiator->Feed(
      Received.constData() + ReceivedOffset, Received.size() - ReceivedOffset, output);
  Consume(result.Consumed);
  switch (result.Result) {
  case TSocks5Negotiator::TResult::NeedMore:
    if (!output.isEmpty()) {
      Socket->write(output);
    }
    return;
  case TSocks5Negotiator::TResult::Done:
    Negotiator.reset();
    TraceTransport(QStringLiteral("TTCPClient.Socks5: negotiated"));
    BecomeConnected();
    return;
  case TSocks5Negotiator::TResult::Failed: {
    const int code = Negotiator->ErrorCode();
    const QString text = Negotiator->ErrorText();
    FailAsync(code, text);
    return;
  }
  }
}

void TTCPClient::TImpl::BecomeConnected() {
  SetState(TSocketState::Connected);
  SetClientState(TClientState::Connected);
  Flush();
  // Bytes that came right behind the proxy's reply belong to the target.
  if (Available() > 0) {
    PostData();
  }
}

void TTCPClient::TImpl::SocketError(QAbstractSocket::SocketError error) {
  const int code = PlatformCode(error);
  const QString text = Socket->errorString();
  if (InConnectCall) {
    SyncError = TSyncError{error, code, text};
    return;
  }
  if (Ending) {
    return;
  }
  switch (State) {
  case TSocketState::Connecting:
    if (!Addresses.isEmpty() && IsPeerAnswer(error)) {
      // Try the next address from the event loop, not from inside the
      // socket's own signal.
      const uint64_t attempt = Attempt;
      QMetaObject::invokeMethod(
          &Owner,
          [this, attempt] {
            if (attempt == Attempt && State == TSocketState::Connecting) {
              ConnectNext(false);
            }
          },
          Qt::QueuedConnection);
      return;
    }
    FailAsync(code, text);
    return;
  case TSocketState::Negotiating:
    // A last answer may still be in the socket.
    PullFromSocket();
    RunNegotiation();
    if (State == TSocketState::Negotiating) {
      FailAsync(code, text);
    } else if (State == TSocketState::Connected) {
      SocketError(error);
    }
    return;
  case TSocketState::Connected:
    // A close by the peer is an ordinary end, not an error.
    if (error == QAbstractSocket::RemoteHostClosedError) {
      FinishClose(std::nullopt);
    } else {
      FinishClose(std::make_pair(code, text));
    }
    return;
  default:
    return;
  }
}

void TTCPClient::TImpl::SocketDisconnected() {
  if (Ending) {
    return;
  }
  switch (State) {
  case TSocketState::Connecting:
    FailAsync(kErrConnectionReset, TcpErrorText(kErrConnectionReset));
    return;
  case TSocketState::Negotiating:
    PullFromSocket();
    RunNegotiation();
    if (State == TSocketState::Negotiating) {
      FailAsync(kErrConnectionReset, TcpErrorText(kErrConnectionReset));
    } else if (State == TSocketState::Connected) {
      FinishClose(std::nullopt);
    }
    return;
  case TSocketState::Connected:
    FinishClose(std::nullopt);
    return;
  default:
    return;
  }
}

void TTCPClient::TImpl::FailAsync(int code, const QString& text) {
  TraceTransport(QStringLiteral("TTCPClient.ConnectFailed"));
  ReleaseSocketLater();
  ResetTransfer();
  // Whatever arrived belonged to a connection that never came up.
  Received.clear();
  ReceivedOffset = 0;
  RecordError(code, text);
  Post([this, code, text] {
    if (Owner.OnError) {
      Owner.OnError(code, text);
    }
  });
  SetState(TSocketState::Closed);
  SetClientState(TClientState::Closed);
  Post([this] {
    if (Owner.OnConnectFailed) {
      Owner.OnConnectFailed();
    }
  });
}

void TTCPClient::TImpl::FinishClose(std::optional<std::pair<int, QString>> error) {
  if (Ending) {
    return;
  }
  TraceTransport(QStringLiteral("TTCPClient.Close"));
  // The last bytes are announced first, and the state must still say
  // "connected" when that notification runs, or the owner would not take
  // them. So the socket is written off now, but the state goes to "closed"
  // (with the error, if any, and closed) only from the event loop, after the
  // data notification.
  if (PullFromSocket() || Available() > 0) {
    PostData();
  }
  ResetTransfer();
  Ending = true;
  const uint64_t attempt = Attempt;
  QMetaObject::invokeMethod(
      &Owner,
      [this, attempt, error = std::move(error)] {
        if (attempt != Attempt || !Ending) {
          return;
        }
        Ending = false;
        AbortSocketNow();
        if (error) {
          RecordError(error->first, error->second);
          Post([this, code = error->first, text = error->second] {
            if (Owner.OnError) {
              Owner.OnError(code, text);
            }
          });
        }
        SetState(TSocketState::Closed);
        SetClientState(TClientState::Closed);
        Post([this] {
          if (Owner.OnClose) {
            Owner.OnClose();
          }
        });
      },
      Qt::QueuedConnection);
}

void TTCPClient::TImpl::CloseGracefully() {
  if (DisconnectRequested) {
    return;
  }
  DisconnectRequested = true;
  if (PullFromSocket()) {
    PostData();
  }
  // Qt writes what it still holds, then closes; disconnected() follows
  // (at once when nothing is left to write).
  Socket->disconnectFromHost();
}

void TTCPClient::TImpl::AbortSocketNow() {
  // Our own bookkeeping has already decided what happened; the signals the
  // abort would raise carry nothing new.
  const QSignalBlocker blocker(Socket.get());
  Socket->abort();
}

void TTCPClient::TImpl::ReleaseSocketLater() {
  // Called from inside the socket's own signals, where tearing its engine
  // down is not safe: our state is already "closed" (so anything the socket
  // still says is ignored), and the abort runs from the event loop unless a
  // new connection has started meanwhile (Activate aborts it itself).
  if (Socket->state() == QAbstractSocket::UnconnectedState) {
    return;
  }
  const uint64_t attempt = Attempt;
  QMetaObject::invokeMethod(
      &Owner,
      [this, attempt] {
        if (attempt == Attempt && State == TSocketState::Closed) {
          AbortSocketNow();
        }
      },
      Qt::QueuedConnection);
}

void TTCPClient::TImpl::ResetTransfer() {
  Negotiator.reset();
  Addresses.clear();
  Outgoing.clear();
  OutgoingOffset = 0;
  Closing = false;
  DisconnectRequested = false;
}

void TTCPClient::TImpl::Deactivate() {
  if (State == TSocketState::Closed) {
    return;
  }
  TraceTransport(QStringLiteral("TTCPClient.Deactivate"));
  if (State == TSocketState::Connected) {
    if (Closing || Ending) {
      return; // the close is already on its way
    }
    Closing = true;
    Flush();
    return;
  }
  // Not up yet: there is nothing to deliver, so stop at once. A look-up
  // still out is not aborted (Qt would leak its callback); its answer no
  // longer matches the attempt and is dropped.
  AbortSocketNow();
  ResetTransfer();
  Received.clear();
  ReceivedOffset = 0;
  SetState(TSocketState::Closed);
  SetClientState(TClientState::Closed);
  Post([this] {
    if (Owner.OnClose) {
      Owner.OnClose();
    }
  });
}

void TTCPClient::TImpl::Write(const char* data, int64_t count) {
  if ((State != TSocketState::Negotiating && State != TSocketState::Connected) || Closing) {
    const QString text = TcpErrorText(kErrNotConnected);
    FailCall(kErrNotConnected, text, text);
  }
  if (data == nullptr || count <= 0 || Ending) {
    return; // the peer is gone; closed is about to be reported
  }
  Outgoing.emplace_back(data, static_cast<qsizetype>(count));
  // While negotiating the bytes wait: the proxy must not see them.
  Flush();
}

void TTCPClient::TImpl::Flush() {
  if (State != TSocketState::Connected || Ending) {
    return;
  }
  while (!Outgoing.empty() && Socket->bytesToWrite() < kSocketWriteWindow) {
    const QByteArray& front = Outgoing.front();
    const qint64 room = kSocketWriteWindow - Socket->bytesToWrite();
    const qint64 size = std::min<qint64>(front.size() - OutgoingOffset, room);
    const qint64 written = Socket->write(front.constData() + OutgoingOffset, size);
    if (written <= 0) {
      return; // the socket reports the failure through its error signal
    }
    OutgoingOffset += written;
    if (OutgoingOffset >= front.size()) {
      Outgoing.pop_front();
      OutgoingOffset = 0;
    }
  }
  if (Closing && Outgoing.empty()) {
    CloseGracefully();
  }
}

bool TTCPClient::TImpl::PullFromSocket() {
  if (Socket->bytesAvailable() <= 0) {
    return false;
  }
  const QByteArray bytes = Socket->readAll();
  if (bytes.isEmpty()) {
    return false;
  }
  if (ReceivedOffset > 0 && ReceivedOffset == Received.size()) {
    Received.clear();
    ReceivedOffset = 0;
  }
  Received.append(bytes);
  return true;
}

void TTCPClient::TImpl::Consume(int64_t count) {
  ReceivedOffset += static_cast<qsizetype>(count);
  if (ReceivedOffset >= Received.size()) {
    Received.clear();
    ReceivedOffset = 0;
  } else if (ReceivedOffset > 64 * 1024 && ReceivedOffset * 2 > Received.size()) {
    // Taking bytes from the front moves only an offset; the consumed part is
    // dropped once it is the larger half.
    Received.remove(0, ReceivedOffset);
    ReceivedOffset = 0;
  }
}

int64_t TTCPClient::TImpl::Available() const {
  // While negotiating the bytes belong to the proxy exchange, not the owner.
  if (State == TSocketState::Negotiating) {
    return 0;
  }
  return Received.size() - ReceivedOffset;
}

QByteArray TTCPClient::TImpl::Peek(int64_t count) const {
  const int64_t size = std::min(std::max<int64_t>(count, 0), Available());
  return QByteArray(Received.constData() + ReceivedOffset, static_cast<qsizetype>(size));
}

int64_t TTCPClient::TImpl::Read(char* destination, int64_t count) {
  if (destination == nullptr || count <= 0 || State == TSocketState::Negotiating) {
    return 0;
  }
  // What the platform already holds counts too; whatever of it is left after
  // this read is announced as usual.
  if (Available() < count && !Ending && PullFromSocket()) {
    PostData();
  }
  const int64_t size = std::min(count, Available());
  if (size > 0) {
    std::memcpy(destination, Received.constData() + ReceivedOffset, static_cast<size_t>(size));
    Consume(size);
  }
  return size;
}

QByteArray TTCPClient::TImpl::ReadBytes(int64_t count) {
  if (count <= 0 || State == TSocketState::Negotiating) {
    return {};
  }
  if (Available() < count && !Ending && PullFromSocket()) {
    PostData();
  }
  QByteArray bytes(static_cast<qsizetype>(std::min(count, Available())), Qt::Uninitialized);
  Read(bytes.data(), bytes.size());
  return bytes;
}

TTCPClient::TTCPClient(QObject* parent) : QObject(parent), Impl(std::make_unique<TImpl>(*this)) {}

TTCPClient::~TTCPClient() = default;

void TTCPClient::SetHost(const QString& host) {
  Impl->SetHost(host);
}
void TTCPClient::SetPort(const QString& port) {
  Impl->SetPort(port);
}
QString TTCPClient::Host() const {
  return Impl->Host;
}
QString TTCPClient::Port() const {
  return Impl->Port;
}
void TTCPClient::SetProxy(std::optional<TSocks5Proxy> proxy) {
  Impl->SetProxy(std::move(proxy));
}
const std::optional<TSocks5Proxy>& TTCPClient::Proxy() const {
  return Impl->Proxy;
}
void TTCPClient::Activate() {
  Impl->Activate();
}
void TTCPClient::Deactivate() {
  Impl->Deactivate();
}
bool TTCPClient::Active() const {
  return Impl->State != TSocketState::Closed;
}

void TTCPClient::Write(const QByteArray& bytes) {
  Impl->Write(bytes.constData(), bytes.size());
}
void TTCPClient::Write(const char* data, int64_t count) {
  Impl->Write(data, count);
}

QByteArray TTCPClient::Peek(int64_t count) const {
  return Impl->Peek(count);
}
int64_t TTCPClient::Buffered() const {
  return Impl->Available();
}
int64_t TTCPClient::Read(char* destination, int64_t count) {
  return Impl->Read(destination, count);
}
QByteArray TTCPClient::Read(int64_t count) {
  return Impl->ReadBytes(count);
}

TSocketState TTCPClient::State() const {
  return Impl->State;
}
TClientState TTCPClient::ClientState() const {
  return Impl->Client;
}
bool TTCPClient::IsConnected() const {
  return Impl->State == TSocketState::Connected;
}
bool TTCPClient::IsNegotiating() const {
  return Impl->State == TSocketState::Negotiating;
}
bool TTCPClient::ProxyNegotiating() const {
  return Impl->Negotiator != nullptr;
}
int TTCPClient::LastErrorCode() const {
  return Impl->ErrorCode;
}
QString TTCPClient::LastErrorText() const {
  return Impl->ErrorText;
}

} // namespace tessra
